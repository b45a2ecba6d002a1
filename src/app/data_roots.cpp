#include "app/data_roots.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace quirn {

static std::string WithSlash(std::string dir) {
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

std::string FindInstallDir() {
    if (const char* e = std::getenv("QUIRN_INSTALL_DIR"); e && *e)
        return WithSlash(e);
    std::string exe(4096, '\0');
    ssize_t n = ::readlink("/proc/self/exe", exe.data(), exe.size() - 1);
    if (n <= 0)
        return "./";
    exe.resize(static_cast<size_t>(n));
    std::string dir = exe.substr(0, exe.find_last_of('/'));
    // Programs live in <install>/bin; the data trees sit beside bin/.
    if (dir.size() >= 4 && dir.compare(dir.size() - 4, 4, "/bin") == 0) {
        dir.resize(dir.size() - 4);
    }
    return WithSlash(dir);
}

}  // namespace quirn

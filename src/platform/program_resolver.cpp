#include "platform/program_resolver.h"

#include <unistd.h>

#include <cstdlib>
#include <string_view>

namespace quirn {

static bool IsExecutableFile(const std::string& path) {
    return !path.empty() && ::access(path.c_str(), X_OK) == 0;
}

std::string FindOnPath(const std::string& name) {
    if (name.find('/') != std::string::npos) {
        return IsExecutableFile(name) ? name : std::string();
    }
    const char* path = std::getenv("PATH");
    std::string_view rest = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        size_t colon = rest.find(':');
        std::string dir(rest.substr(0, colon));
        if (dir.empty())
            dir = ".";
        std::string candidate = dir + "/" + name;
        if (IsExecutableFile(candidate))
            return candidate;
        if (colon == std::string_view::npos)
            break;
        rest.remove_prefix(colon + 1);
    }
    return {};
}

std::string ResolveProgram(const std::string& installDir, const std::string& name) {
    if (!installDir.empty() && name.find('/') == std::string::npos) {
        std::string own = installDir;
        if (own.back() != '/')
            own += '/';
        own += "bin/" + name;
        if (IsExecutableFile(own))
            return own;
    }
    return FindOnPath(name);
}

}  // namespace quirn

#include "postscript/temp_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/temp_folder.h"

namespace quirn {

std::string MakeQuirnTempFile(std::string_view suffix) {
    std::string pattern = TemporaryRoot() + "/quirnXXXXXX";
    pattern += suffix;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemps(name.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    ::close(fd);
    return std::string(name.data());
}

TempFile& TempFile::operator=(TempFile&& other) noexcept {
    if (this != &other) {
        Remove();
        path_ = std::move(other.path_);
        other.path_.clear();
    }
    return *this;
}

void TempFile::Remove() {
    if (!path_.empty()) {
        ::unlink(path_.c_str());
        path_.clear();
    }
}

std::string TempFile::Release() {
    std::string path = std::move(path_);
    path_.clear();
    return path;
}

}  // namespace quirn

#include "platform/file_replacement.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace quirn {

FileReplacement::FileReplacement(const std::string& path, mode_t mode, std::string_view mark)
    : path_(path) {
    std::string pattern = path + std::string(mark) + "XXXXXX";
    fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ < 0)
        return;
    temporary_ = pattern;
    if (::fchmod(fd_, mode) != 0) {
        const int failure = errno;
        ::close(fd_);
        fd_ = -1;
        ::unlink(temporary_.c_str());
        temporary_.clear();
        errno = failure;
    }
}

FileReplacement::~FileReplacement() {
    if (fd_ >= 0)
        ::close(fd_);
    if (!replaced_ && !temporary_.empty())
        ::unlink(temporary_.c_str());
}

bool FileReplacement::Write(const char* data, size_t length) {
    while (length > 0) {
        ssize_t n = ::write(fd_, data, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

bool FileReplacement::Finish() {
    bool ok = ::fsync(fd_) == 0;
    ok = ::close(fd_) == 0 && ok;
    fd_ = -1;
    return ok;
}

bool FileReplacement::Replace() {
    if (::rename(temporary_.c_str(), path_.c_str()) != 0)
        return false;
    replaced_ = true;
    const size_t slash = path_.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : path_.substr(0, slash);
    int dfd = ::open(dir.empty() ? "/" : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

}  // namespace quirn

#include "dvi/fonts/byte_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace quirn {

uint32_t ByteReader::ReadUnsigned(int n) {
    uint32_t value = 0;
    for (int i = 0; i < n; ++i) {
        // The end value (-1) sets every bit, and the ones shifted in keep them set.
        value = (value << 8) | static_cast<uint32_t>(ReadByte());
    }
    return value;
}

int32_t ByteReader::ReadSigned(int n) {
    // A read that met the end has all bits set, which sign-extends to -1 as well.
    uint32_t value = ReadUnsigned(n);
    if (n >= 1 && n < 4) {
        const uint32_t sign = uint32_t{1} << (8 * n - 1);
        const uint32_t mask = (uint32_t{1} << (8 * n)) - 1;
        value &= mask;
        if (value & sign) {
            value |= ~mask;
        }
    }
    return static_cast<int32_t>(value);
}

std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::vector<uint8_t> bytes;
    if (st.st_size > 0) {
        bytes.reserve(static_cast<std::size_t>(st.st_size));
    }
    uint8_t buffer[65536];
    while (true) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    ::close(fd);
    return bytes;
}

}  // namespace quirn

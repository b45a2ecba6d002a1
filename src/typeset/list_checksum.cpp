#include "typeset/list_checksum.h"

#include <cstdio>
#include <memory>

namespace quirn {

std::uint16_t ListChecksumOfBytes(const unsigned char* data, std::size_t length,
                                  std::uint16_t sum) {
    for (std::size_t i = 0; i < length; i += 2) {
        unsigned lo = data[i];
        unsigned hi = i + 1 < length ? data[i + 1] : 0;
        auto word = static_cast<std::uint16_t>(lo | hi << 8);
        auto swapped = static_cast<std::uint16_t>(hi | lo << 8);
        sum = static_cast<std::uint16_t>(sum + word);
        sum = static_cast<std::uint16_t>(sum ^ swapped);
    }
    return sum;
}

std::uint16_t ListFileChecksum(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file)
        return 0;
    // Blocks of an even size, so a word never straddles two blocks; only the last
    // block can be short, and only it gets the padding byte.
    unsigned char block[1024];
    std::uint16_t sum = 0;
    std::size_t n;
    while ((n = std::fread(block, 1, sizeof block, file.get())) > 0) {
        sum = ListChecksumOfBytes(block, n, sum);
    }
    return sum;
}

}  // namespace quirn

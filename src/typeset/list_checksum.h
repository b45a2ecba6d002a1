// Checksums of the list files (.toc, .lot, .lof) taken before and after an engine
// run: when one of them changed, the document's lists moved and it must be typeset
// again to settle.
#pragma once

#include <cstdint>
#include <string>

namespace quirn {

// The 16-bit checksum of a file: 0 when it cannot be opened. Each little-endian
// 16-bit word w of the file (an odd final byte is padded with a zero) updates the
// sum as sum = sum + w, then sum = sum XOR (w with its bytes swapped), modulo 65536.
std::uint16_t ListFileChecksum(const std::string& path);

// The same over bytes in memory.
std::uint16_t ListChecksumOfBytes(const unsigned char* data, std::size_t length,
                                  std::uint16_t sum = 0);

}  // namespace quirn

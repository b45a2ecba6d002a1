// A bounded byte source for the binary readers of the previewer (DVI, TFM, VF).
//
// It behaves like a byte stream read with getc: ReadByte answers 0..255, or -1 at
// the end. The multi-byte readers build their value by shifting left 8 bits and
// OR-ing in each byte result, so a read that meets the end yields all 32 bits set
// (-1 signed, 0xFFFFFFFF unsigned). None of them checks for the end themselves: the
// format checks that follow a read reject what comes out. The position may move past
// the end (a seek or skip there succeeds, and every later read gives the end value).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quirn {

class ByteReader {
  public:
    ByteReader() = default;
    explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    // One byte, 0..255, or -1 at (or past) the end.
    int ReadByte() {
        if (pos_ >= bytes_.size()) {
            return -1;
        }
        return bytes_[pos_++];
    }

    // n bytes (1..4) big-endian, sign-extended from 8·n bits.
    int32_t ReadSigned(int n);
    // n bytes (1..4) big-endian, no sign extension.
    uint32_t ReadUnsigned(int n);

    // Puts the byte just read back, like ungetc: the end value (-1) is not pushed back.
    void PushBack(int byte) {
        if (byte >= 0 && pos_ > 0) {
            --pos_;
        }
    }

    // Moves to an absolute offset; a negative offset fails and leaves the position.
    bool Seek(int64_t offset) {
        if (offset < 0) {
            return false;
        }
        pos_ = static_cast<uint64_t>(offset);
        return true;
    }
    // Moves forward n bytes (may go past the end); negative counts move nowhere.
    void Skip(int64_t n) {
        if (n > 0) {
            pos_ = n > static_cast<int64_t>(kFar - pos_) ? kFar : pos_ + static_cast<uint64_t>(n);
        }
    }

    uint64_t Tell() const { return pos_; }
    std::size_t Size() const { return bytes_.size(); }
    bool AtEnd() const { return pos_ >= bytes_.size(); }
    std::span<const uint8_t> Bytes() const { return bytes_; }

  private:
    static constexpr uint64_t kFar = uint64_t{1} << 62;
    std::span<const uint8_t> bytes_;
    uint64_t pos_ = 0;
};

// The whole content of a file, or nothing when it cannot be opened or read.
std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path);

}  // namespace quirn

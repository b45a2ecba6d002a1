#include "platform/raster_canvas_png.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace quirn {

namespace {

// Deflate with the fixed Huffman codes, written least significant bit first.
class FixedDeflate {
  public:
    explicit FixedDeflate(std::vector<uint8_t>& out) : out_(out), used_(out.size()) {
        BuildTables();
        Bits(1, 1);  // BFINAL: the whole stream is one block
        Bits(1, 2);  // BTYPE 01: fixed codes
    }

    void Literal(uint8_t byte) { Bits(literal_[byte].code, literal_[byte].length); }

    // A back-reference of `length` (3..258) bytes at `distance` (1..32768).
    void Match(int length, int distance) {
        const LengthCode& l = length_[length];
        Bits(literal_[l.symbol].code, literal_[l.symbol].length);
        if (l.extraBits != 0) {
            Bits(l.extra, l.extraBits);
        }
        const int d = distance <= 256 ? nearCode_[distance - 1] : farCode_[(distance - 1) >> 7];
        Bits(distanceCode_[d], 5);
        if (kDistanceExtra[d] != 0) {
            Bits(static_cast<uint32_t>(distance - kDistanceBase[d]), kDistanceExtra[d]);
        }
    }

    // Any run of `count` bytes that repeats the bytes `distance` back.
    void Repeat(int count, int distance) {
        while (count > 0) {
            // Never leave a remainder shorter than a match can be.
            int n = count > 258 ? 258 : count;
            if (count - n > 0 && count - n < 3) {
                n = count - 3;
            }
            Match(n, distance);
            count -= n;
        }
    }

    // Room for `bytes` more input bytes: a literal takes at most 9 bits, a match of 3 or
    // more bytes at most 31, so two output bytes per input byte always suffice.
    void Reserve(size_t bytes) {
        const size_t need = used_ + 2 * bytes + 16;
        if (out_.size() < need) {
            out_.resize(std::max(need, out_.size() * 2));
        }
    }

    void Finish() {
        Reserve(8);
        Bits(literal_[256].code, literal_[256].length);
        while (bitCount_ > 0) {
            out_[used_++] = static_cast<uint8_t>(bits_);
            bits_ >>= 8;
            bitCount_ = bitCount_ > 8 ? bitCount_ - 8 : 0;
        }
        out_.resize(used_);
    }

  private:
    struct Code {
        uint32_t code = 0;
        int length = 0;
    };
    struct LengthCode {
        int symbol = 0;
        int extraBits = 0;
        uint32_t extra = 0;
    };

    static constexpr int kLengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                            15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                            67, 83, 99, 115, 131, 163, 195, 227, 258};
    static constexpr int kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                             2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    static constexpr int kDistanceBase[31] = {1,    2,    3,    4,     5,     7,     9,    13,
                                              17,   25,   33,   49,    65,    97,    129,  193,
                                              257,  385,  513,  769,   1025,  1537,  2049, 3073,
                                              4097, 6145, 8193, 12289, 16385, 24577, 32769};
    static constexpr int kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                               6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

    static uint32_t Reverse(uint32_t code, int length) {
        uint32_t r = 0;
        for (int i = 0; i < length; ++i) {
            r = (r << 1) | ((code >> i) & 1);
        }
        return r;
    }

    void BuildTables() {
        for (int s = 0; s < 288; ++s) {
            Code c;
            if (s < 144) {
                c = {0x30u + s, 8};
            } else if (s < 256) {
                c = {0x190u + (s - 144), 9};
            } else if (s < 280) {
                c = {static_cast<uint32_t>(s - 256), 7};
            } else {
                c = {0xC0u + (s - 280), 8};
            }
            literal_[s] = {Reverse(c.code, c.length), c.length};
        }
        for (int d = 0; d < 30; ++d) {
            distanceCode_[d] = Reverse(static_cast<uint32_t>(d), 5);
        }
        auto codeOf = [](int distance) {
            int code = 0;
            while (code < 29 && kDistanceBase[code + 1] <= distance) {
                ++code;
            }
            return static_cast<uint8_t>(code);
        };
        for (int i = 0; i < 256; ++i) {
            nearCode_[i] = codeOf(i + 1);
            // Distances above 256 share their code in blocks of 128.
            farCode_[i] = codeOf((i << 7) + 1);
        }
        for (int length = 3; length <= 258; ++length) {
            int i = 28;
            while (kLengthBase[i] > length) {
                --i;
            }
            // 258 has its own code; 227 + 31 would also reach it.
            length_[length] = {257 + i, kLengthExtra[i],
                               static_cast<uint32_t>(length - kLengthBase[i])};
        }
    }

    void Bits(uint32_t value, int count) {
        bits_ |= static_cast<uint64_t>(value) << bitCount_;
        bitCount_ += count;
        if (bitCount_ >= 32) {
            // Reserve has made the room: no bounds to check per code.
            uint8_t* to = out_.data() + used_;
            to[0] = static_cast<uint8_t>(bits_);
            to[1] = static_cast<uint8_t>(bits_ >> 8);
            to[2] = static_cast<uint8_t>(bits_ >> 16);
            to[3] = static_cast<uint8_t>(bits_ >> 24);
            used_ += 4;
            bits_ >>= 32;
            bitCount_ -= 32;
        }
    }

    std::vector<uint8_t>& out_;
    size_t used_;  // bytes of out_ written; the rest is room made by Reserve
    std::array<uint8_t, 256> nearCode_{};  // distance code of distances 1..256
    std::array<uint8_t, 256> farCode_{};   // of 257..32768, by (distance - 1) >> 7
    uint64_t bits_ = 0;
    int bitCount_ = 0;
    std::array<Code, 288> literal_{};
    std::array<uint32_t, 30> distanceCode_{};
    std::array<LengthCode, 259> length_{};
};

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 24));
    out.push_back(static_cast<uint8_t>(v >> 16));
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

// How many bytes from the start `a` and `b` agree, up to `max`; eight at a time.
inline size_t MatchLength(const uint8_t* a, const uint8_t* b, size_t max) {
    size_t k = 0;
    while (k + 8 <= max) {
        uint64_t x = 0, y = 0;
        std::memcpy(&x, a + k, 8);
        std::memcpy(&y, b + k, 8);
        if (x != y) {
            return k + static_cast<size_t>(__builtin_ctzll(x ^ y) / 8);
        }
        k += 8;
    }
    while (k < max && a[k] == b[k]) {
        ++k;
    }
    return k;
}

// Greedy encoding of one row (its filter byte included): stretches that repeat the
// row above, or the pixel before, become back-references; the rest are literals.
void EncodeRow(FixedDeflate& deflate, const uint8_t* row, const uint8_t* above, size_t n,
               int pixelBytes) {
    deflate.Reserve(n);
    const size_t step = static_cast<size_t>(pixelBytes);
    size_t i = 0;
    while (i < n) {
        // Most inked bytes match neither: rule that out with one comparison each.
        const size_t up =
            above != nullptr && row[i] == above[i] ? MatchLength(row + i, above + i, n - i) : 0;
        const size_t run = i >= 1 + step && row[i] == row[i - step]
                               ? MatchLength(row + i, row + i - step, n - i)
                               : 0;
        if (up >= 3 && up >= run) {
            deflate.Repeat(static_cast<int>(up), static_cast<int>(n));
            i += up;
        } else if (run >= 3) {
            deflate.Repeat(static_cast<int>(run), pixelBytes);
            i += run;
        } else {
            deflate.Literal(row[i]);
            ++i;
        }
    }
}

// A chunk's length, type and data go out as they are; its CRC covers type and data.
bool WriteChunk(std::FILE* f, const char* type, const uint8_t* data, size_t size) {
    std::vector<uint8_t> head;
    Put32(head, static_cast<uint32_t>(size));
    head.insert(head.end(), type, type + 4);
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(type), 4);
    if (size > 0) {
        crc = crc32(crc, data, static_cast<uInt>(size));
    }
    std::vector<uint8_t> tail;
    Put32(tail, static_cast<uint32_t>(crc));
    return std::fwrite(head.data(), 1, head.size(), f) == head.size() &&
           (size == 0 || std::fwrite(data, 1, size, f) == size) &&
           std::fwrite(tail.data(), 1, tail.size(), f) == tail.size();
}

}  // namespace

bool WriteCanvasPng(const RasterCanvas& canvas, const std::string& path, CanvasPngFormat format,
                    double dpi, std::string* error) {
    CanvasPngWriter writer;
    return writer.Write(canvas, path, format, dpi, error);
}

bool CanvasPngWriter::Write(const RasterCanvas& canvas, const std::string& path,
                            CanvasPngFormat format, double dpi, std::string* error) {
    const int width = canvas.Width();
    const int height = canvas.Height();
    if (width <= 0 || height <= 0) {
        if (error) {
            *error = "cannot write " + path + ": the picture is empty";
        }
        return false;
    }
    const int pixelBytes = format == CanvasPngFormat::Grey ? 1 : 3;
    const size_t n = 1 + static_cast<size_t>(width) * pixelBytes;  // filter byte + pixels
    // Back-references reach at most 32768 bytes: wider rows are not matched upwards.
    const bool upwards = n <= 32768;

    stream_.clear();
    stream_.push_back(0x78);
    stream_.push_back(0x01);
    FixedDeflate deflate(stream_);
    uLong adler = adler32(0L, Z_NULL, 0);
    uLong rowAdler = 0;
    row_.assign(n, 0);
    above_.assign(n, 0);
    // Outside the canvas's dirty part every pixel is background: those rows repeat
    // each other, and only the dirty columns of the other rows need converting.
    const CanvasRect dirty = canvas.Dirty().Intersect(canvas.Bounds());
    const int dirtyTop = dirty.Empty() ? height : dirty.top - canvas.OriginY();
    const int dirtyBottom = dirty.Empty() ? height : dirty.bottom - canvas.OriginY();
    const int left = dirty.Empty() ? 0 : dirty.left - canvas.OriginX();
    const int right = dirty.Empty() ? 0 : dirty.right - canvas.OriginX();
    const uint32_t bg = canvas.Background();
    const int sb = canvas.BytesPerPixel();  // bytes per stored pixel
    const uint8_t bgPixel[3] = {static_cast<uint8_t>(bg), static_cast<uint8_t>(bg >> 8),
                                static_cast<uint8_t>(bg >> 16)};
    bool previousPlain = false;
    for (int y = 0; y < height; ++y) {
        const bool plain = y < dirtyTop || y >= dirtyBottom;
        const uint8_t* src = canvas.Row(y);
        // A row that repeats the one above (most of a page is blank paper) is one
        // back-reference.
        const bool repeats = y > 0 && upwards && n >= 3 &&
                             ((plain && previousPlain) ||
                              (!plain && !previousPlain &&
                               std::memcmp(src + sb * left, canvas.Row(y - 1) + sb * left,
                                           static_cast<size_t>(right - left) * sb) == 0));
        previousPlain = plain;
        if (repeats) {
            deflate.Reserve(n / 64 + 8);  // one match per 258 bytes
            deflate.Repeat(static_cast<int>(n), static_cast<int>(n));
            adler = adler32_combine(adler, rowAdler, static_cast<z_off_t>(n));
            continue;
        }
        uint8_t* row = row_.data();
        row[0] = 0;  // filter: none
        const int from = plain ? width : left;
        const int to = plain ? width : right;
        if (pixelBytes == 1) {
            std::memset(row + 1, bgPixel[0], static_cast<size_t>(from));
            std::memset(row + 1 + to, bgPixel[0], static_cast<size_t>(width - to));
            const uint8_t* in = src + 3 * from;
            uint8_t* out = row + 1 + from;
            int x = from;
            if (sb == 1) {
                std::memcpy(out, src + from, static_cast<size_t>(to - from));
                x = to;
            }
            for (; x + 4 <= to; x += 4, in += 12, out += 4) {
                out[0] = in[0];
                out[1] = in[3];
                out[2] = in[6];
                out[3] = in[9];
            }
            for (; x < to; ++x, in += 3) {
                *out++ = *in;
            }
        } else {
            for (int x = 0; x < width; ++x) {
                std::memcpy(row + 1 + 3 * x, bgPixel, 3);
            }
            if (sb == 3) {
                std::memcpy(row + 1 + 3 * from, src + 3 * from, static_cast<size_t>(to - from) * 3);
            } else {
                for (int x = from; x < to; ++x) {
                    std::memset(row + 1 + 3 * x, src[x], 3);
                }
            }
        }
        EncodeRow(deflate, row, y > 0 && upwards ? above_.data() : nullptr, n, pixelBytes);
        rowAdler = adler32(1L, row, static_cast<uInt>(n));
        adler = adler32_combine(adler, rowAdler, static_cast<z_off_t>(n));
        row_.swap(above_);
    }
    deflate.Finish();
    Put32(stream_, static_cast<uint32_t>(adler));

    std::vector<uint8_t> header;
    Put32(header, static_cast<uint32_t>(width));
    Put32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, static_cast<uint8_t>(pixelBytes == 1 ? 0 : 2), 0, 0, 0});
    std::vector<uint8_t> phys;
    if (dpi > 0) {
        const auto perMetre = static_cast<uint32_t>(dpi / 0.0254 + 0.5);
        Put32(phys, perMetre);
        Put32(phys, perMetre);
        phys.push_back(1);  // unit: metre
    }

    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        if (error) {
            *error = "cannot create " + path + ": " + std::strerror(errno);
        }
        return false;
    }
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    bool ok = std::fwrite(kSignature, 1, 8, f) == 8 &&
              WriteChunk(f, "IHDR", header.data(), header.size()) &&
              (phys.empty() || WriteChunk(f, "pHYs", phys.data(), phys.size())) &&
              WriteChunk(f, "IDAT", stream_.data(), stream_.size()) &&
              WriteChunk(f, "IEND", nullptr, 0);
    const int savedErrno = errno;
    ok = std::fclose(f) == 0 && ok;
    if (!ok) {
        if (error) {
            *error = "cannot write " + path + ": " + std::strerror(savedErrno ? savedErrno : errno);
        }
        std::remove(path.c_str());
        return false;
    }
    return true;
}

BackgroundPngWriter::BackgroundPngWriter(int threads) {
    const int count = std::max(threads, 1);
    for (int i = 0; i < count; ++i) {
        slots_.push_back(std::make_unique<Slot>());
    }
    for (const std::unique_ptr<Slot>& slot : slots_) {
        threads_.emplace_back([this, s = slot.get()] { Run(*s); });
    }
}

BackgroundPngWriter::~BackgroundPngWriter() {
    {
        std::unique_lock lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& thread : threads_) {
        thread.join();
    }
}

bool BackgroundPngWriter::AnyQueued() const {
    return std::any_of(slots_.begin(), slots_.end(),
                       [](const std::unique_ptr<Slot>& slot) { return slot->queued; });
}

bool BackgroundPngWriter::Submit(RasterCanvas& canvas, const std::string& path,
                                 CanvasPngFormat format, double dpi) {
    std::unique_lock lock(mutex_);
    Slot* free = nullptr;
    changed_.wait(lock, [this, &free] {
        for (const std::unique_ptr<Slot>& slot : slots_) {
            if (!slot->queued) {
                free = slot.get();
                return true;
            }
        }
        return failed_;
    });
    if (failed_) {
        return false;
    }
    std::swap(free->canvas, canvas);
    free->path = path;
    free->format = format;
    free->dpi = dpi;
    free->queued = true;
    lock.unlock();
    changed_.notify_all();
    return true;
}

bool BackgroundPngWriter::Finish() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !AnyQueued(); });
    return !failed_;
}

void BackgroundPngWriter::Run(Slot& slot) {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this, &slot] { return slot.queued || stopping_; });
        if (!slot.queued) {
            return;
        }
        // The slot's canvas and name are this thread's until `queued` is cleared.
        lock.unlock();
        std::string error;
        const bool written =
            slot.writer.Write(slot.canvas, slot.path, slot.format, slot.dpi, &error);
        lock.lock();
        if (!written && !failed_) {
            failed_ = true;
            error_ = error;
        }
        slot.queued = false;
        changed_.notify_all();
    }
}

}  // namespace quirn

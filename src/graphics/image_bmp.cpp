// Windows and OS/2 bitmap files, read by hand: 1, 4, 8, 16, 24 and 32 bits per pixel,
// bottom-up and top-down rows, uncompressed, bit fields, and 8- and 4-bit run lengths.
#include <algorithm>
#include <array>
#include <cmath>

#include "graphics/image_readers.h"

namespace quirn {

namespace {

// Little-endian reads that answer 0 past the end; callers check sizes first.
uint32_t U16(ByteSpan d, size_t at) {
    return at + 2 <= d.size() ? d[at] | d[at + 1] << 8 : 0;
}
uint32_t U32(ByteSpan d, size_t at) {
    return at + 4 <= d.size() ? d[at] | d[at + 1] << 8 | d[at + 2] << 16 | uint32_t{d[at + 3]} << 24
                              : 0;
}

enum Compression : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

struct BmpHeader {
    int64_t width = 0;
    int64_t height = 0;  // always positive here
    bool topDown = false;
    int bits = 0;
    uint32_t compression = kRgb;
    uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
    double dpiX = 0;
    double dpiY = 0;
    std::vector<std::array<uint8_t, 3>> palette;
    size_t pixelOffset = 0;
};

// One channel taken out of a pixel by its bit mask and widened to 8 bits.
uint8_t Channel(uint32_t pixel, uint32_t mask) {
    if (mask == 0)
        return 0;
    int shift = 0;
    while (!((mask >> shift) & 1))
        ++shift;
    uint64_t max = mask >> shift;
    uint64_t value = (pixel & mask) >> shift;
    return static_cast<uint8_t>((value * 255 + max / 2) / max);
}

bool ParseHeader(ByteSpan d, BmpHeader* h, std::string* error) {
    auto fail = [&](const char* text) {
        if (error)
            *error = std::string("damaged BMP file: ") + text;
        return false;
    };
    if (d.size() < 26 || d[0] != 'B' || d[1] != 'M')
        return fail("no bitmap header");
    h->pixelOffset = U32(d, 10);
    const uint32_t infoSize = U32(d, 14);
    if (infoSize < 12 || 14 + static_cast<size_t>(infoSize) > d.size()) {
        return fail("bitmap header is cut off");
    }
    bool core = infoSize == 12;  // OS/2 1.x: 16-bit sizes, 3-byte palette entries
    int64_t rawHeight = 0;
    if (core) {
        h->width = U16(d, 18);
        rawHeight = static_cast<int16_t>(U16(d, 20));
        h->bits = static_cast<int>(U16(d, 24));
    } else {
        if (infoSize < 16)
            return fail("bitmap header is cut off");
        h->width = static_cast<int32_t>(U32(d, 18));
        rawHeight = static_cast<int32_t>(U32(d, 22));
        h->bits = static_cast<int>(U16(d, 28));
        h->compression = infoSize >= 20 ? U32(d, 30) : kRgb;
        if (infoSize >= 40) {
            int32_t ppmX = static_cast<int32_t>(U32(d, 38));
            int32_t ppmY = static_cast<int32_t>(U32(d, 42));
            if (ppmX > 0 && ppmY > 0) {
                h->dpiX = DpiFromPerMetre(ppmX);
                h->dpiY = DpiFromPerMetre(ppmY);
            }
        }
    }
    h->topDown = rawHeight < 0;
    h->height = rawHeight < 0 ? -rawHeight : rawHeight;
    if (!CheckImageSize(h->width, h->height, error))
        return false;
    if (h->topDown && (h->compression == kRle8 || h->compression == kRle4)) {
        return fail("top-down run-length bitmap");
    }

    switch (h->bits) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            break;
        default:
            return fail("unsupported number of bits per pixel");
    }
    if ((h->compression == kRle8 && h->bits != 8) || (h->compression == kRle4 && h->bits != 4)) {
        return fail("run-length coding does not match the pixel size");
    }
    if (h->compression != kRgb && h->compression != kRle8 && h->compression != kRle4 &&
        h->compression != kBitFields && h->compression != kAlphaBitFields) {
        return fail("unsupported compression");
    }

    // Bit masks: inside the larger headers, otherwise right after a 40-byte header.
    if (h->compression == kBitFields || h->compression == kAlphaBitFields) {
        if (h->bits != 16 && h->bits != 32)
            return fail("bit fields need 16 or 32 bits per pixel");
        const size_t at = 14 + 40;  // inside V2 and later headers, after a 40-byte one
        int count = h->compression == kAlphaBitFields ? 4 : 3;
        if (at + count * 4 > d.size())
            return fail("bit masks are cut off");
        for (int i = 0; i < count; ++i)
            h->masks[i] = U32(d, at + i * 4);
    } else if (h->bits == 16) {
        h->masks[0] = 0x7c00, h->masks[1] = 0x03e0, h->masks[2] = 0x001f;
    } else if (h->bits == 32) {
        h->masks[0] = 0xff0000, h->masks[1] = 0x00ff00, h->masks[2] = 0x0000ff;
    }

    if (h->bits <= 8) {
        size_t entry = core ? 3 : 4;
        size_t at = 14 + infoSize;
        uint32_t used = core ? 0 : (infoSize >= 36 ? U32(d, 46) : 0);
        size_t count = used == 0 || used > (1u << h->bits) ? size_t{1} << h->bits : used;
        // Some writers give a short palette; keep the entries that are there.
        size_t available = at < d.size() ? (d.size() - at) / entry : 0;
        if (h->pixelOffset > at)
            available = std::min(available, (h->pixelOffset - at) / entry);
        count = std::min(count, available);
        if (count == 0)
            return fail("palette is missing");
        h->palette.resize(count);
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* e = d.data() + at + i * entry;
            h->palette[i] = {e[2], e[1], e[0]};
        }
    }
    if (h->pixelOffset == 0 || h->pixelOffset >= d.size())
        return fail("no pixel data");
    return true;
}

void PutIndex(RgbImage* image, const BmpHeader& h, int x, int y, unsigned index) {
    const auto& c = index < h.palette.size() ? h.palette[index] : h.palette[0];
    uint8_t* p = image->Row(y) + static_cast<size_t>(x) * 3;
    p[0] = c[0], p[1] = c[1], p[2] = c[2];
}

bool ReadUncompressed(ByteSpan d, const BmpHeader& h, RgbImage* image, std::string* error) {
    const size_t stride = ((static_cast<size_t>(h.width) * h.bits + 31) / 32) * 4;
    const size_t need = stride * static_cast<size_t>(h.height);
    if (d.size() - h.pixelOffset < need) {
        // Some writers leave out the padding of the last row.
        size_t lastRow = (static_cast<size_t>(h.width) * h.bits + 7) / 8;
        if (d.size() - h.pixelOffset < need - stride + lastRow) {
            if (error)
                *error = "damaged BMP file: pixel data is cut off";
            return false;
        }
    }
    const bool hasAlpha = h.masks[3] != 0;
    for (int64_t row = 0; row < h.height; ++row) {
        const uint8_t* src = d.data() + h.pixelOffset + row * stride;
        int y = static_cast<int>(h.topDown ? row : h.height - 1 - row);
        uint8_t* out = image->Row(y);
        for (int x = 0; x < h.width; ++x, out += 3) {
            switch (h.bits) {
                case 1:
                    PutIndex(image, h, x, y, (src[x >> 3] >> (7 - (x & 7))) & 1);
                    break;
                case 4:
                    PutIndex(image, h, x, y, (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15);
                    break;
                case 8:
                    PutIndex(image, h, x, y, src[x]);
                    break;
                case 24:
                    out[0] = src[x * 3 + 2], out[1] = src[x * 3 + 1], out[2] = src[x * 3];
                    break;
                default: {
                    uint32_t pixel = h.bits == 16
                                         ? src[x * 2] | src[x * 2 + 1] << 8
                                         : src[x * 4] | src[x * 4 + 1] << 8 | src[x * 4 + 2] << 16 |
                                               uint32_t{src[x * 4 + 3]} << 24;
                    unsigned alpha = hasAlpha ? Channel(pixel, h.masks[3]) : 255;
                    out[0] = OverWhite(Channel(pixel, h.masks[0]), alpha);
                    out[1] = OverWhite(Channel(pixel, h.masks[1]), alpha);
                    out[2] = OverWhite(Channel(pixel, h.masks[2]), alpha);
                }
            }
        }
    }
    return true;
}

// Run-length coded rows (bottom-up). Pixels the codes skip stay at palette entry 0.
bool ReadRunLength(ByteSpan d, const BmpHeader& h, RgbImage* image, std::string* error) {
    for (int y = 0; y < h.height; ++y) {
        for (int x = 0; x < h.width; ++x)
            PutIndex(image, h, x, y, 0);
    }
    const bool four = h.compression == kRle4;
    size_t pos = h.pixelOffset;
    int64_t x = 0, row = 0;  // row counts from the bottom
    auto put = [&](unsigned index) {
        if (x < h.width && row < h.height) {
            PutIndex(image, h, static_cast<int>(x), static_cast<int>(h.height - 1 - row), index);
        }
        ++x;
    };
    while (row < h.height) {
        if (pos + 2 > d.size()) {
            if (error)
                *error = "damaged BMP file: run-length data is cut off";
            return false;
        }
        unsigned count = d[pos], value = d[pos + 1];
        pos += 2;
        if (count > 0) {  // a run
            for (unsigned i = 0; i < count; ++i) {
                put(four ? (i & 1 ? value & 15 : value >> 4) : value);
            }
        } else if (value == 0) {  // end of line
            x = 0;
            ++row;
        } else if (value == 1) {  // end of bitmap
            break;
        } else if (value == 2) {  // move right and up
            if (pos + 2 > d.size())
                break;
            x += d[pos];
            row += d[pos + 1];
            pos += 2;
        } else {  // `value` literal pixels, padded to a 16-bit boundary
            size_t bytes = four ? (value + 1) / 2 : value;
            if (pos + bytes > d.size()) {
                if (error)
                    *error = "damaged BMP file: run-length data is cut off";
                return false;
            }
            for (unsigned i = 0; i < value; ++i) {
                uint8_t b = d[pos + (four ? i / 2 : i)];
                put(four ? (i & 1 ? b & 15 : b >> 4) : b);
            }
            pos += bytes + (bytes & 1);
        }
    }
    return true;
}

}  // namespace

bool ReadBmp(ByteSpan data, ImageReadMode mode, RgbImage* image, std::string* error) {
    BmpHeader h;
    if (!ParseHeader(data, &h, error))
        return false;
    *image = RgbImage();
    image->width = static_cast<int>(h.width);
    image->height = static_cast<int>(h.height);
    image->dpiX = h.dpiX;
    image->dpiY = h.dpiY;
    if (mode == ImageReadMode::HeaderOnly)
        return true;
    // Uncompressed data must be present before the picture is allocated.
    if (h.compression != kRle8 && h.compression != kRle4) {
        const size_t stride = ((static_cast<size_t>(h.width) * h.bits + 31) / 32) * 4;
        if ((data.size() - h.pixelOffset) / stride + 1 < static_cast<size_t>(h.height)) {
            if (error)
                *error = "damaged BMP file: pixel data is cut off";
            return false;
        }
    }
    image->Allocate(image->width, image->height);
    image->dpiX = h.dpiX;
    image->dpiY = h.dpiY;
    bool ok = h.compression == kRle8 || h.compression == kRle4
                  ? ReadRunLength(data, h, image, error)
                  : ReadUncompressed(data, h, image, error);
    if (!ok)
        *image = RgbImage();
    return ok;
}

}  // namespace quirn

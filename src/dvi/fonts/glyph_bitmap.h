// A rendered glyph in the layout the page drawing transfers without conversion, and
// the bitmap-information blocks that describe such a bitmap to the AND transfer.
//
// Rows are stored bottom row first, each `stride` bytes long (a multiple of four).
// Polarity is inverted against the rasteriser's: in a 1-bit bitmap a set bit is
// paper and a clear bit is ink; in an 8-bit bitmap 255 is paper and 0 is full ink.
// ANDed onto the page through the colour tables below, paper leaves the page as it
// is and ink darkens it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

namespace quirn {

// Bytes per row of a bitmap `width` pixels wide at `bpp` bits per pixel, rounded up
// to whole 32-bit words.
constexpr int32_t GlyphStride(int32_t width, int32_t bpp) {
    return ((width * bpp + 7) / 8 + 3) / 4 * 4;
}

// One cached glyph. An entry without bits is an empty glyph (a space, or a code the
// font has no outline for): nothing is drawn for it.
struct GlyphBitmap {
    std::unique_ptr<uint8_t[]> bits;  // rows * stride bytes, bottom row first
    int32_t width = 0;                // pixels per row
    int32_t rows = 0;
    int32_t stride = 0;  // bytes per row
    int32_t left = 0;    // from the reference point to the left edge, pixels
    int32_t top = 0;     // from the baseline up to the top row, pixels

    bool HasBits() const { return bits != nullptr; }
    // The byte row `row` counted from the top of the glyph (row 0 = top).
    const uint8_t* RowFromTop(int32_t row) const {
        return bits.get() + static_cast<size_t>(rows - 1 - row) * static_cast<size_t>(stride);
    }
    void Clear() { *this = GlyphBitmap{}; }
};

// A bitmap-information block: the size of a bottom-up bitmap, its depth, and the
// colour table its pixel values index. Colours are 0x00BBGGRR values.
struct DibInfo {
    int32_t width = 0;
    int32_t height = 0;  // positive: the rows are stored bottom-up
    uint16_t planes = 1;
    uint16_t bitCount = 1;
    uint32_t compression = 0;  // always uncompressed
    int32_t colourCount = 0;   // entries of `colours` in use (0 for 24 and 32 bits)
    std::array<uint32_t, 256> colours{};
};

// The blocks handed to glyph drawing. The black-and-white 1-bit block and the 8-bit
// grey block are built once and only change their size; the coloured 1-bit block is
// rebuilt at each request, the coloured 8-bit block whenever the colour changes. A
// block stays valid until the next request.
class DibHeaders {
  public:
    DibHeaders();

    // For `width` x `rows` at `bpp` bits: 1 bit with colour 0 gives black ink on
    // white, 1 bit with another colour gives that colour on white, 8 bits with colour
    // 0 give 256 greys from black to white, 8 bits with another colour 256 steps from
    // that colour (value 0, full coverage) to white (255), 24 and 32 bits carry no
    // table; any other depth is treated as 1 bit in black.
    const DibInfo& DibHeader(int32_t width, int32_t rows, int32_t bpp, uint32_t colour);

  private:
    void FillColouredGrey(uint32_t colour);

    DibInfo mono_;
    DibInfo grey_;
    DibInfo coloured_;
    DibInfo direct_;
    DibInfo colouredGrey_;
    uint32_t colouredGreyColour_ = 0;  // 0: not filled yet (black uses grey_)
};

}  // namespace quirn

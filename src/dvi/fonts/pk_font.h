// Glyph bitmaps from a packed (PK) font file, the bitmap fonts that METAFONT makes
// for fonts that have no outline: the reader of the file format, and the font that
// draws its glyphs at any pixel size.
//
// The PK file holds each character at one resolution (600 dpi here). Drawn at another
// size, a glyph is resampled: each output pixel gets the share of its area that ink
// covers, which gives grey levels for anti-aliased drawing; a monochrome pixel is ink
// when at least half of it is covered.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "dvi/fonts/glyph_bitmap.h"

namespace quirn {

struct DviFont;
struct FontContext;

// One character of a PK file, unpacked: one byte per pixel (1 = ink), rows from the
// top. The reference point lies `hoff` pixels right of the left column and `voff`
// rows below the top row.
struct PkGlyph {
    int32_t width = 0;
    int32_t height = 0;
    int32_t hoff = 0;
    int32_t voff = 0;
    std::vector<uint8_t> pixels;  // width * height
};

// The content of a PK file.
struct PkFile {
    int32_t designSize = 0;  // 2^-20 pt
    uint32_t checksum = 0;
    int32_t hppp = 0;  // horizontal pixels per point, 2^-16
    int32_t vppp = 0;
    std::array<std::optional<PkGlyph>, 256> glyphs;  // by character code
};

// Reads a PK file. On a damaged file nothing is returned and `error` (when not null)
// says what is wrong; nothing is read beyond the given bytes.
std::optional<PkFile> ReadPkFile(std::span<const uint8_t> bytes, std::string* error);

class PkFont {
  public:
    explicit PkFont(PkFile file) : file_(std::move(file)) {}
    PkFont(const PkFont&) = delete;
    PkFont& operator=(const PkFont&) = delete;

    const PkFile& File() const { return file_; }

    // The glyph of `code` (its low eight bits) drawn where the font's em is
    // `pixelSize` pixels, grey (antiAlias) or monochrome, in the drawing layout. The
    // entry has no bits when the character has no ink or is not in the file; it stays
    // valid until the font is destroyed or glyphs of four other sizes were asked for.
    const GlyphBitmap& Glyph(int32_t pixelSize, uint32_t code, bool antiAlias);

  private:
    struct SizeSet {
        int32_t pixelSize = 0;
        std::array<GlyphBitmap, 256> grey;
        std::array<GlyphBitmap, 256> mono;
        std::bitset<256> greyDone;
        std::bitset<256> monoDone;
    };
    static constexpr size_t kRetainedSizes = 4;

    PkFile file_;
    std::vector<std::unique_ptr<SizeSet>> sizes_;  // most recently used first
};

// Resamples `glyph` by `scale` (output pixels per PK pixel) into `out`. Empty when the
// glyph has no ink or the result would be too large to draw.
void ScalePkGlyph(const PkGlyph& glyph, double scale, bool antiAlias, GlyphBitmap& out);

// Gives a font without an outline its PK font: asks the file search for the PK file
// at 600 dpi times the font's magnification, has METAFONT make it when none exists
// (the output window says so) and reads it. A font without one keeps none, with the
// reason in the output window.
void AttachPkFont(FontContext& context, DviFont& font);

}  // namespace quirn

// An outline font (Type 1 or TrueType) opened for a TeX font: the FreeType face, the
// glyph that each of the 256 character codes draws, and the rendered glyphs.
//
// Loading (LoadOutlineFont) follows the previewer's font map from the TeX name to
// the outline file, opens it, chooses a character map and fills the glyph index
// table: Type 1 fonts whose map line names an encoding file look their glyphs up by
// the glyph names of that file's vector, other Type 1 fonts use their own encoding,
// and TrueType fonts go through the code-to-Unicode table of encoding.h. The map
// line's slant and extension become the face's transform.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "dvi/fonts/encoding.h"
#include "dvi/fonts/font_map.h"
#include "dvi/fonts/freetype_context.h"
#include "dvi/fonts/glyph_cache.h"

namespace quirn {

class OutputSink;
struct DviFont;
struct FontContext;

class OutlineFont {
  public:
    explicit OutlineFont(FacePtr face) : face_(std::move(face)) {}
    OutlineFont(const OutlineFont&) = delete;
    OutlineFont& operator=(const OutlineFont&) = delete;

    FT_Face Face() const { return face_.get(); }

    // FreeType glyph index of each character code; 0 (.notdef) when none.
    std::array<uint16_t, 256>& GlyphIndex() { return glyphIndex_; }
    const std::array<uint16_t, 256>& GlyphIndex() const { return glyphIndex_; }

    // The pixel size the cached glyphs belong to; 0 when new.
    int32_t PixelSize() const { return cache_.PixelSize(); }
    // Makes `size` (the em in pixels) the size that glyphs are rendered at.
    void SetPixelSize(int32_t size) { cache_.SetPixelSize(size); }

    // The glyph of `code` at `pixelSize`, grey (antiAlias) or monochrome, rendered on
    // first use. Codes above 255 draw the glyph of their low eight bits, the code
    // their metrics come from. The entry may have no bits (nothing to draw); it
    // stays valid until the font is destroyed or four other sizes were asked for.
    const GlyphBitmap& Glyph(int32_t pixelSize, uint32_t code, bool antiAlias) {
        if (pixelSize != cache_.PixelSize()) {
            cache_.SetPixelSize(pixelSize);
        }
        const uint8_t c = static_cast<uint8_t>(code & 0xFF);
        return cache_.Lookup(face_.get(), glyphIndex_[c], c, antiAlias);
    }

    // The part of the glyph of `code` at `pixelSize` that lies inside the window
    // (pixels relative to the reference point, y downward), rendered from the outline
    // each time and not cached: for sizes above kMaxGlyphPixelSize.
    void GlyphPart(int32_t pixelSize, uint32_t code, bool antiAlias, int32_t windowLeft,
                   int32_t windowTop, int32_t windowRight, int32_t windowBottom, GlyphBitmap& out) {
        cache_.RenderGlyphPart(face_.get(), glyphIndex_[code & 0xFF], pixelSize, antiAlias,
                               windowLeft, windowTop, windowRight, windowBottom, out);
    }

    const GlyphCache& Cache() const { return cache_; }

  private:
    FacePtr face_;
    std::array<uint16_t, 256> glyphIndex_{};
    GlyphCache cache_;
};

// Whether an opened face is a Type 1 font (as opposed to TrueType, CFF, ...).
bool IsType1Face(FT_Face face);

// Chooses the character map and fills the glyph index table of `font` for the
// outline file at `path`. A Type 1 font is reencoded with `encoding` when it is not
// null, else with the built-in TeXBase1 names when `texBase1` is set.
void FillGlyphIndex(OutlineFont& font, const std::string& path, const EncodingVector* encoding,
                    bool texBase1);

// Makes every glyph of `face` drawn slanted (x += slant * y) and widened by `extend`;
// nothing for an upright, unextended font.
void ApplyFontTransform(FT_Face face, double slant, double extend);

// The outline font of the TeX font `texName`, found through `map` and `findFile` and
// opened on `freeType`. Null when there is none; the reason is written to `output`
// (when not null). `outlinePath` receives the full path of the outline file when
// the search found one, also when FreeType then could not open it.
std::unique_ptr<OutlineFont> LoadOutlineFont(const std::string& texName, const FontMap& map,
                                             const FreeTypeContext& freeType,
                                             const FindFileFn& findFile, OutputSink* output,
                                             std::string* outlinePath);

// Gives a font without virtual-font data its outline font: looks the font's name up
// in the context's font map, finds the file through the context's file search and
// stores its path and the opened font in the record. A font that cannot be given
// one keeps none (its characters are laid out but not drawn); the reason goes to
// the output window.
void AttachOutlineFont(FontContext& context, DviFont& font);

}  // namespace quirn

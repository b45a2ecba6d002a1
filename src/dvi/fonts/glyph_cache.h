// The rendered glyphs of one outline face: one grey and one monochrome bitmap per
// character code, for the pixel size the glyphs are currently drawn at.
//
// Pages are drawn glyph by glyph from here, so a lookup is one comparison of the
// pixel size and one array index. A change of size starts a fresh set of entries;
// the sets of the few sizes used before it are kept, so that two views of one
// document at different zooms do not render every glyph again at each repaint.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <vector>

#include "dvi/fonts/glyph_bitmap.h"

namespace quirn {

// FreeType load flags of the two rendering modes: grey glyphs are rendered from
// the unhinted outline, monochrome ones from the hinted outline.
inline constexpr FT_Int32 kGreyLoadFlags = FT_LOAD_RENDER | FT_LOAD_NO_HINTING;
inline constexpr FT_Int32 kMonoLoadFlags = FT_LOAD_RENDER | FT_LOAD_MONOCHROME;

// Pixel sizes above this are not cached: an em of this size already fills a screen,
// so such glyphs are rendered from the outline each time they are drawn, and only
// the part of them that is to be seen (RenderGlyphPart).
inline constexpr int32_t kMaxGlyphPixelSize = 4000;
// The largest em FreeType can scale an outline to; larger sizes draw nothing.
inline constexpr int32_t kMaxOutlinePixelSize = 65535;

// Renders glyph `glyphIndex` of `face` at the face's current size into `out` in the
// drawing layout (bottom-up, inverted, 32-bit rows). `out` stays empty when FreeType
// cannot load the glyph or the glyph has no pixels.
void RenderGlyph(FT_Face face, FT_UInt glyphIndex, bool antiAlias, GlyphBitmap& out);

class GlyphCache {
  public:
    // How many earlier pixel sizes keep their glyphs besides the current one.
    static constexpr size_t kRetainedSizes = 3;

    GlyphCache() = default;
    GlyphCache(const GlyphCache&) = delete;
    GlyphCache& operator=(const GlyphCache&) = delete;

    // The pixel size the current entries belong to; 0 before the first size is set.
    int32_t PixelSize() const { return current_ ? current_->pixelSize : 0; }

    // Makes `size` current. A size different from the current one starts from an
    // empty set of entries, unless it is one of the recently used sizes.
    void SetPixelSize(int32_t size);

    // The entry for `code` (0-255) at the current size, in the grey cache
    // (antiAlias) or the monochrome cache, rendering glyph `glyphIndex` of `face`
    // on first use. Before any size is set the entry is empty.
    const GlyphBitmap& Lookup(FT_Face face, FT_UInt glyphIndex, uint8_t code, bool antiAlias) {
        if (current_) {
            SizeSet& set = *current_;
            GlyphBitmap& entry = antiAlias ? set.grey[code] : set.mono[code];
            if (entry.HasBits() || (antiAlias ? set.greyTried : set.monoTried).test(code)) {
                return entry;
            }
            return Render(face, glyphIndex, code, antiAlias);
        }
        return empty_;
    }

    // The entry for `code` without rendering it (empty when not rendered yet).
    const GlyphBitmap& Peek(uint8_t code, bool antiAlias) const;

    // Frees every entry of every size.
    void Clear();

    // Renders glyph `glyphIndex` of `face` at `pixelSize` (at most
    // kMaxOutlinePixelSize) into `out` without caching it, and only the part that
    // falls inside `window`: a rectangle in pixels relative to the glyph's reference
    // point, x to the right and y downward. `out` holds that part in the drawing
    // layout, its left and top placing it as for a whole glyph; it stays empty when
    // the glyph has no ink inside the window.
    void RenderGlyphPart(FT_Face face, FT_UInt glyphIndex, int32_t pixelSize, bool antiAlias,
                         int32_t windowLeft, int32_t windowTop, int32_t windowRight,
                         int32_t windowBottom, GlyphBitmap& out);

  private:
    struct SizeSet {
        int32_t pixelSize = 0;
        std::array<GlyphBitmap, 256> grey;
        std::array<GlyphBitmap, 256> mono;
        // Codes rendered without pixels: not rendered again at this size.
        std::bitset<256> greyTried;
        std::bitset<256> monoTried;
    };

    const GlyphBitmap& Render(FT_Face face, FT_UInt glyphIndex, uint8_t code, bool antiAlias);

    std::unique_ptr<SizeSet> current_;
    std::vector<std::unique_ptr<SizeSet>> retained_;  // most recently used first
    int32_t faceSize_ = 0;                            // the size the face was last set to
    FT_Face sizedFace_ = nullptr;
    GlyphBitmap empty_;
};

}  // namespace quirn

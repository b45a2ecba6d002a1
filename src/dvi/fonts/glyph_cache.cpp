#include "dvi/fonts/glyph_cache.h"

#include FT_BITMAP_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace quirn {

namespace {

// Larger bitmaps come only from damaged outlines; they are not drawn.
constexpr unsigned kMaxBitmapSide = 16384;

// Allocates `out` for a bitmap of the slot's size and fills it with paper.
bool Allocate(const FT_Bitmap& bitmap, int32_t bpp, GlyphBitmap& out) {
    out.width = static_cast<int32_t>(bitmap.width);
    out.rows = static_cast<int32_t>(bitmap.rows);
    out.stride = GlyphStride(out.width, bpp);
    size_t size = static_cast<size_t>(out.stride) * static_cast<size_t>(out.rows);
    out.bits.reset(new (std::nothrow) uint8_t[size]);
    if (!out.bits) {
        out.Clear();
        return false;
    }
    std::memset(out.bits.get(), 0xFF, size);
    return true;
}

// The rasteriser's own layout in the expected depth: each row copied complemented,
// the top row going last.
void CopyInverted(const FT_Bitmap& bitmap, GlyphBitmap& out) {
    const size_t pitch = static_cast<size_t>(std::abs(bitmap.pitch));
    const size_t count = std::min(pitch, static_cast<size_t>(out.stride));
    for (int32_t r = 0; r < out.rows; ++r) {
        // With a positive pitch the buffer starts with the top row, with a negative
        // one with the bottom row.
        int32_t target = bitmap.pitch > 0 ? out.rows - 1 - r : r;
        const uint8_t* src = bitmap.buffer + static_cast<size_t>(r) * pitch;
        uint8_t* dst = out.bits.get() + static_cast<size_t>(target) * out.stride;
        for (size_t i = 0; i < count; ++i) {
            dst[i] = static_cast<uint8_t>(~src[i]);
        }
    }
}

// Bitmaps in another depth (embedded strikes of some TrueType fonts) go through an
// 8-bit conversion; monochrome output keeps the pixels covered at least by half.
void CopyConverted(FT_Library library, const FT_Bitmap& bitmap, bool antiAlias, GlyphBitmap& out) {
    FT_Bitmap grey;
    FT_Bitmap_Init(&grey);
    if (FT_Bitmap_Convert(library, &bitmap, &grey, 1) != 0 || grey.buffer == nullptr ||
        grey.width != bitmap.width || grey.rows != bitmap.rows) {
        FT_Bitmap_Done(library, &grey);
        out.Clear();
        return;
    }
    const unsigned levels = grey.num_grays > 1 ? grey.num_grays - 1u : 1u;
    const size_t pitch = static_cast<size_t>(std::abs(grey.pitch));
    for (int32_t r = 0; r < out.rows; ++r) {
        int32_t target = grey.pitch > 0 ? out.rows - 1 - r : r;
        const uint8_t* src = grey.buffer + static_cast<size_t>(r) * pitch;
        uint8_t* dst = out.bits.get() + static_cast<size_t>(target) * out.stride;
        for (int32_t x = 0; x < out.width; ++x) {
            unsigned ink = std::min(255u, src[x] * 255u / levels);
            if (antiAlias) {
                dst[x] = static_cast<uint8_t>(255u - ink);
            } else if (ink >= 128) {
                dst[x / 8] = static_cast<uint8_t>(dst[x / 8] & ~(0x80u >> (x % 8)));
            }
        }
    }
    FT_Bitmap_Done(library, &grey);
}

}  // namespace

void RenderGlyph(FT_Face face, FT_UInt glyphIndex, bool antiAlias, GlyphBitmap& out) {
    out.Clear();
    if (face == nullptr ||
        FT_Load_Glyph(face, glyphIndex, antiAlias ? kGreyLoadFlags : kMonoLoadFlags) != 0) {
        return;
    }
    FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.buffer == nullptr || bitmap.pitch == 0 || bitmap.width == 0 || bitmap.rows == 0 ||
        bitmap.width > kMaxBitmapSide || bitmap.rows > kMaxBitmapSide) {
        return;
    }
    if (!Allocate(bitmap, antiAlias ? 8 : 1, out)) {
        return;
    }
    out.left = slot->bitmap_left;
    out.top = slot->bitmap_top;
    const unsigned char expected = antiAlias ? FT_PIXEL_MODE_GRAY : FT_PIXEL_MODE_MONO;
    if (bitmap.pixel_mode == expected && (!antiAlias || bitmap.num_grays == 256)) {
        CopyInverted(bitmap, out);
    } else {
        CopyConverted(slot->library, bitmap, antiAlias, out);
    }
}

void GlyphCache::RenderGlyphPart(FT_Face face, FT_UInt glyphIndex, int32_t pixelSize,
                                 bool antiAlias, int32_t windowLeft, int32_t windowTop,
                                 int32_t windowRight, int32_t windowBottom, GlyphBitmap& out) {
    out.Clear();
    if (face == nullptr || pixelSize <= 0 || pixelSize > kMaxOutlinePixelSize) {
        return;
    }
    if (sizedFace_ != face || faceSize_ != pixelSize) {
        if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize)) != 0) {
            sizedFace_ = nullptr;
            return;
        }
        sizedFace_ = face;
        faceSize_ = pixelSize;
    }
    if (FT_Load_Glyph(face, glyphIndex, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0 ||
        face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
        return;
    }
    FT_Outline& outline = face->glyph->outline;
    // The outline's box in whole pixels, y downward like the window.
    FT_BBox box;
    FT_Outline_Get_CBox(&outline, &box);
    const int64_t left = std::max<int64_t>(windowLeft, box.xMin >> 6);
    const int64_t right = std::min<int64_t>(windowRight, (box.xMax + 63) >> 6);
    const int64_t top = std::max<int64_t>(windowTop, -((box.yMax + 63) >> 6));
    const int64_t bottom = std::min<int64_t>(windowBottom, -(box.yMin >> 6));
    if (right <= left || bottom <= top || right - left > int64_t{kMaxBitmapSide} ||
        bottom - top > int64_t{kMaxBitmapSide}) {
        return;
    }
    // The rasteriser fills the bitmap's box [0, width) x [0, rows) with y upward: move
    // the window's bottom-left corner there.
    FT_Outline_Translate(&outline, static_cast<FT_Pos>(-left * 64),
                         static_cast<FT_Pos>(bottom * 64));
    FT_Bitmap target;
    FT_Bitmap_Init(&target);
    target.width = static_cast<unsigned>(right - left);
    target.rows = static_cast<unsigned>(bottom - top);
    target.pitch = GlyphStride(static_cast<int32_t>(target.width), antiAlias ? 8 : 1);
    target.pixel_mode = antiAlias ? FT_PIXEL_MODE_GRAY : FT_PIXEL_MODE_MONO;
    target.num_grays = antiAlias ? 256 : 2;
    std::vector<uint8_t> buffer(static_cast<size_t>(target.pitch) * target.rows, 0);
    target.buffer = buffer.data();
    if (FT_Outline_Get_Bitmap(face->glyph->library, &outline, &target) != 0 ||
        !Allocate(target, antiAlias ? 8 : 1, out)) {
        out.Clear();
        return;
    }
    CopyInverted(target, out);
    out.left = static_cast<int32_t>(left);
    out.top = static_cast<int32_t>(-top);
}

void GlyphCache::SetPixelSize(int32_t size) {
    if (current_ && current_->pixelSize == size) {
        return;
    }
    std::unique_ptr<SizeSet> next;
    auto found = std::find_if(retained_.begin(), retained_.end(),
                              [size](const auto& set) { return set->pixelSize == size; });
    if (found != retained_.end()) {
        next = std::move(*found);
        retained_.erase(found);
    }
    if (current_) {
        retained_.insert(retained_.begin(), std::move(current_));
        if (retained_.size() > kRetainedSizes) {
            retained_.pop_back();
        }
    }
    if (!next) {
        next = std::make_unique<SizeSet>();
        next->pixelSize = size;
    }
    current_ = std::move(next);
}

const GlyphBitmap& GlyphCache::Peek(uint8_t code, bool antiAlias) const {
    if (!current_) {
        return empty_;
    }
    return antiAlias ? current_->grey[code] : current_->mono[code];
}

void GlyphCache::Clear() {
    current_.reset();
    retained_.clear();
}

const GlyphBitmap& GlyphCache::Render(FT_Face face, FT_UInt glyphIndex, uint8_t code,
                                      bool antiAlias) {
    SizeSet& set = *current_;
    GlyphBitmap& entry = antiAlias ? set.grey[code] : set.mono[code];
    (antiAlias ? set.greyTried : set.monoTried).set(code);
    if (face == nullptr || set.pixelSize <= 0 || set.pixelSize > kMaxGlyphPixelSize) {
        return entry;
    }
    if (sizedFace_ != face || faceSize_ != set.pixelSize) {
        // A width of 0 makes the em as wide as it is high.
        FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(set.pixelSize));
        sizedFace_ = face;
        faceSize_ = set.pixelSize;
    }
    RenderGlyph(face, glyphIndex, antiAlias, entry);
    return entry;
}

}  // namespace quirn

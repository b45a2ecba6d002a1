#include "dvi/draw_page.h"

#include <algorithm>

#include "dvi/dvi_doc.h"
#include "dvi/fonts/glyph_bitmap.h"
#include "dvi/fonts/outline_font.h"
#include "dvi/fonts/pk_font.h"
#include "dvi/interpret_page.h"

namespace quirn {

namespace {

// Glyphs too large to cache are rendered in pieces of at most this many pixels a
// side, each covering a part of the clip box.
constexpr int32_t kLargeGlyphTile = 4096;

void DrawGlyphs(const PageContent& content, RasterCanvas& canvas, double s, bool antiAlias) {
    DibHeaders headers;
    GlyphBitmap large;  // the visible part of a glyph too large to cache
    const CanvasRect clip = canvas.ClipBox();
    auto draw = [&](const GlyphBitmap& bitmap, int32_t h, int32_t v, uint32_t colour) {
        if (!bitmap.HasBits()) {
            return;
        }
        const DibInfo& info =
            headers.DibHeader(bitmap.width, bitmap.rows, antiAlias ? 8 : 1, colour);
        canvas.AndBitmap(
            h + bitmap.left, v - bitmap.top,
            CanvasBitmap{bitmap.bits.get(), bitmap.width, bitmap.rows, bitmap.stride, info.bitCount,
                         info.colours.data(), info.colourCount, antiAlias && colour == 0});
    };
    for (const GlyphPlacement& g : content.glyphs) {
        if (g.font == nullptr) {
            continue;
        }
        OutlineFont* outline = g.font->outlineFont.get();
        PkFont* bitmaps = g.font->pkFont.get();
        const int32_t size = PixelPosition(g.font->s, s);
        if (size <= 0) {
            continue;
        }
        const int32_t h = PixelPosition(g.h, s);
        const int32_t v = PixelPosition(g.v, s);
        if ((outline == nullptr || outline->Face() == nullptr) && bitmaps != nullptr) {
            draw(bitmaps->Glyph(size, g.code, antiAlias), h, v, g.colour);
            continue;
        }
        if (outline == nullptr || outline->Face() == nullptr) {
            continue;
        }
        if (size <= kMaxGlyphPixelSize) {
            draw(outline->Glyph(size, g.code, antiAlias), h, v, g.colour);
            continue;
        }
        for (int32_t top = clip.top; top < clip.bottom; top += kLargeGlyphTile) {
            for (int32_t left = clip.left; left < clip.right; left += kLargeGlyphTile) {
                const int32_t right = std::min(clip.right, left + kLargeGlyphTile);
                const int32_t bottom = std::min(clip.bottom, top + kLargeGlyphTile);
                outline->GlyphPart(size, g.code, antiAlias, left - h, top - v, right - h,
                                   bottom - v, large);
                draw(large, h, v, g.colour);
            }
        }
    }
}

}  // namespace

void DrawPage(CDVIDoc& doc, RasterCanvas& canvas, const DrawRequest& request) {
    const double s = PixelsPerDviUnit(doc, request.dpi);
    const PageContent* content = GetPageContent(doc, request.page, true);
    const int32_t kind =
        content != nullptr ? doc.pages[request.page].pageKind : int32_t{kPageKindPlain};

    // Without an interpreter such pages show their glyphs and rules.
    if ((kind == kPageKindPostScript || request.printing) && request.postScript != nullptr &&
        request.postScript->Available()) {
        doc.postScriptDrawing = true;
        request.postScript->DrawPostScriptPage(doc, canvas, request.page, request.dpi,
                                               request.viewParameter, request.antiAlias,
                                               request.update, false);
        doc.postScriptDrawing = false;
        return;
    }

    const CanvasRect savedClip = canvas.ClipBox();
    CanvasRect clip = savedClip;
    if (!request.update.Empty()) {
        clip = clip.Intersect(request.update);
    }
    canvas.SetClip(clip);
    canvas.FillBackground();
    if (content != nullptr && !clip.Empty()) {
        if (kind == kPageKindGraphics && request.postScript != nullptr &&
            request.postScript->Available()) {
            request.postScript->DrawPostScriptPage(doc, canvas, request.page, request.dpi,
                                                   request.viewParameter, request.antiAlias, clip,
                                                   true);
        }
        for (const RulePlacement& r : content->rules) {
            const int32_t w = PixelExtent(r.width, s);
            const int32_t hgt = PixelExtent(r.height, s);
            const int32_t x = PixelPosition(r.h, s);
            const int32_t y = PixelPosition(r.v, s) - hgt;
            canvas.FillRect(CanvasRect{x, y, x + w, y + hgt}, r.colour);
        }
        DrawGlyphs(*content, canvas, s, request.antiAlias);
    }
    canvas.SetClip(savedClip);
}

CanvasRect GetInkBounds(CDVIDoc& doc, int page, int dpi) {
    CanvasRect bounds;
    const PageContent* content = GetPageContent(doc, page, true);
    if (content == nullptr) {
        return bounds;
    }
    const double s = PixelsPerDviUnit(doc, dpi);
    for (const GlyphPlacement& g : content->glyphs) {
        if (g.font == nullptr) {
            continue;
        }
        const CharMetrics& m = g.font->metrics[g.code & 0xFF];
        int64_t left = g.h;
        int64_t right = int64_t{g.h} + m.width;
        int64_t top = int64_t{g.v} - m.height;
        int64_t bottom = int64_t{g.v} + m.depth;
        if (right < left) {
            std::swap(left, right);
        }
        if (bottom < top) {
            std::swap(top, bottom);
        }
        CanvasRect box;
        box.left = PixelPosition(static_cast<double>(left), s);
        box.top = PixelPosition(static_cast<double>(top), s);
        const int32_t w = PixelPosition(static_cast<double>(right - left), s);
        const int32_t h = PixelPosition(static_cast<double>(bottom - top), s);
        box.right = box.left + w + (w == 0 ? 1 : 0);
        box.bottom = box.top + h + (h == 0 ? 1 : 0);
        bounds = bounds.Unite(box);
    }
    return bounds;
}

}  // namespace quirn

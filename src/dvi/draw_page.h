// Drawing a DVI page onto the raster canvas: rules as solid rectangles, glyphs from
// the glyph cache through the AND transfer, each record converted to pixels on its
// own from its absolute position (no accumulated rounding). With smoothing, glyphs
// of every colour are blended by coverage; glyphs too large to cache are rendered
// from their outlines for the clip box only, at each drawing.
#pragma once

#include <cmath>
#include <cstdint>

#include "platform/raster_canvas.h"

namespace quirn {

class CDVIDoc;

// The PostScript route for pages whose specials need it (kind 2), for printing, and
// for the graphics of kind-1 pages. The PostScript subsystem supplies it.
class PostScriptPageRoute {
  public:
    virtual ~PostScriptPageRoute() = default;
    // Whether the PostScript interpreter can be run at all.
    virtual bool Available() const = 0;
    // Draws page `page` through PostScript; with `graphicsOnly` only the page's
    // graphics (the glyphs and rules are drawn on top afterwards).
    virtual void DrawPostScriptPage(CDVIDoc& doc, RasterCanvas& canvas, int page, int dpi,
                                    int viewParameter, bool antiAlias, const CanvasRect& update,
                                    bool graphicsOnly) = 0;
};

struct DrawRequest {
    int page = 0;
    int dpi = 72;
    int viewParameter = 0;  // passed on to the PostScript route only
    bool antiAlias = false;
    CanvasRect update;      // limits the drawing when not empty
    bool printing = false;  // printed pages always go through PostScript
    // Without a route, pages of every kind draw their glyphs and rules natively.
    PostScriptPageRoute* postScript = nullptr;
};

// Draws a page into `canvas`, whose logical coordinates have (0, 0) at the paper's
// top-left corner and one unit per pixel at the request's resolution. The clip box
// (intersected with the update rectangle) is filled with the canvas's background
// first, as in a fresh double buffer.
void DrawPage(CDVIDoc& doc, RasterCanvas& canvas, const DrawRequest& request);

// The union of the glyph boxes of the page's expanded content, in pixels at `dpi`;
// empty when the page has no glyphs.
CanvasRect GetInkBounds(CDVIDoc& doc, int page, int dpi);

// A DVI position or length in pixels: positions are rounded (trunc(q * s + 0.5), so
// negative values move toward zero), rule extents are taken up to whole pixels.
inline int32_t PixelPosition(double q, double s) {
    const double p = q * s + 0.5;
    return p >= 1e9 ? 1000000000 : p <= -1e9 ? -1000000000 : static_cast<int32_t>(p);
}
inline int32_t PixelExtent(double q, double s) {
    const double p = std::ceil(q * s);
    return p >= 1e9 ? 1000000000 : p <= -1e9 ? -1000000000 : static_cast<int32_t>(p);
}

}  // namespace quirn

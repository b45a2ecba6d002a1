// What the page view needs from the document it shows: the pages, their paper size,
// their drawing at a resolution, and the texts and bounds the view's tools ask for.
// The DVI document answers through DviPageSource; tests use a fake.
#pragma once

#include <cstdint>
#include <string>

#include "dvi/point_info.h"
#include "platform/raster_canvas.h"

namespace quirn {

// A paper size in thousandths of an inch.
struct PageSizeMils {
    int32_t width = 0;
    int32_t height = 0;
};

// How a page is drawn. Two drawings with equal options give the same picture, which
// is what the view's cache of drawn pages relies on.
struct DrawOptions {
    int resolution = 90;     // dots per inch
    bool smoothing = false;  // grey-level glyphs (ViewAAThresh >= resolution)
    bool colours = false;    // ViewColors != 0; otherwise the view shows greys
    bool graphics = false;   // draw the PostScript part of pages that have one

    bool operator==(const DrawOptions&) const = default;
};

class PageSource {
  public:
    virtual ~PageSource() = default;

    virtual int PageCount() = 0;
    // The paper size of `page` in thousandths of an inch.
    virtual PageSizeMils PageSize(int page) = 0;
    // Draws `page` into `canvas`, whose logical coordinates have (0, 0) at the
    // paper's top-left corner and one unit per pixel at the options' resolution. The
    // canvas's clip box limits the drawing; it is filled with the background first.
    virtual void DrawPage(int page, RasterCanvas& canvas, const DrawOptions& options) = 0;
    // Whether the page has a part that is drawn only with `DrawOptions::graphics`.
    virtual bool HasGraphics(int page) = 0;
    // TeX's page number (\count0) of a page.
    virtual int32_t TexPageNumber(int page) = 0;
    // The font information text for the point (pixels at `resolution` from the
    // paper's corner) with positions in `unit`; empty when nothing is under it.
    virtual std::string FontInfo(int page, int resolution, int x, int y, const RulerUnit& unit) = 0;
    // The inked bounding box of a page in thousandths of an inch from the paper's
    // corner; empty when the page has no ink.
    virtual CanvasRect InkBounds(int page) = 0;
};

}  // namespace quirn

// Drawn pages kept for repainting: scrolling over a page or showing it again copies
// its pixels instead of interpreting and drawing it anew. Pictures are kept in the
// form the canvas's AND transfer takes (bottom-up 8-bit planes), so that a copy is
// one transfer onto white paper: one grey plane for a page without colour; for a
// coloured page the grey plane plus a plane of indexes into the page's colours (or,
// past 256 colours, a plane per channel), used only where rows hold colour.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <utility>
#include <vector>

#include "platform/raster_canvas.h"
#include "view/page_source.h"

namespace quirn {

class PageRaster {
  public:
    PageRaster() = default;
    // Takes the picture of `canvas`; with `greys` coloured pixels become the grey of
    // their brightness.
    PageRaster(const RasterCanvas& canvas, bool greys);

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Coloured() const { return coloured_; }
    size_t Bytes() const {
        return planes_.size() + colourSpan_.size() * sizeof(colourSpan_[0]) +
               palette_.size() * sizeof(uint32_t);
    }

    // Copies the picture with its top-left corner at logical (x, y) of `canvas`,
    // within the canvas's clip box, onto white (the area is made white first).
    void CopyTo(RasterCanvas& canvas, int x, int y) const;

  private:
    const uint8_t* Plane(int channel) const {
        return planes_.data() + static_cast<size_t>(channel) * width_ * height_;
    }
    // AND-transfers rows [top, bottom) and columns [left, right) of the picture.
    void IndexColours();
    void Transfer(RasterCanvas& canvas, int x, int y, const CanvasRect& part, bool colour) const;

    int width_ = 0;
    int height_ = 0;
    bool coloured_ = false;
    // Grey; or red, green, blue; or grey and colour indexes into `palette_`. Bottom
    // row first.
    std::vector<uint8_t> planes_;
    std::vector<uint32_t> palette_;
    // Per row (top first): the columns [left, right) that hold colour; empty when none.
    std::vector<std::pair<int, int>> colourSpan_;
};

struct PageBitmapKey {
    int page = 0;
    DrawOptions options;

    bool operator==(const PageBitmapKey&) const = default;
};

// A bounded, least-recently-used store of drawn pages.
class PageBitmapCache {
  public:
    explicit PageBitmapCache(size_t budgetBytes = size_t{96} << 20) : budget_(budgetBytes) {}

    // The picture under `key`, made the most recently used; null when not kept.
    const PageRaster* Find(const PageBitmapKey& key);
    // Keeps a picture (dropping the least recently used ones beyond the budget, but
    // never the one just stored) and answers it.
    const PageRaster& Store(const PageBitmapKey& key, PageRaster raster);
    void DropPage(int page);
    void Clear() { entries_.clear(); }
    size_t Size() const { return entries_.size(); }
    size_t Bytes() const;

  private:
    struct Entry {
        PageBitmapKey key;
        PageRaster raster;
    };
    size_t budget_;
    std::list<Entry> entries_;  // most recently used first
};

}  // namespace quirn

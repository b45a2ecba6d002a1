// Where the pages of a view stand, in layout pixels (the scrollable area's
// coordinates): one column of all pages in continuous mode, or the one or two
// visible pages of the single, two-page and book modes; the scroll extent and steps
// that follow from it.
#pragma once

#include <vector>

#include "platform/raster_canvas.h"
#include "view/page_source.h"
#include "view/page_view_host.h"

namespace quirn {

// Margin around and gap between pages, in pixels.
inline constexpr int kPageMargin = 20;

// The pages shown side by side in modes 1, 2 and 3; -1 where there is none.
struct VisiblePages {
    int first = -1;
    int second = -1;
};
VisiblePages VisiblePagesFor(int mode, int current, int count);

// A paper size in pixels at `resolution` (integer division, as the documents do).
inline int MilsToPixels(int mils, int resolution) {
    return static_cast<int>(static_cast<long long>(mils) * resolution / 1000);
}

class PageLayout {
  public:
    // Lays the pages out for `mode` with `current` as the current page.
    void Build(PageSource& source, int mode, int current, int resolution);
    // Pages narrower than the client stand in its middle: everything moves right and
    // the scrollable width becomes the client's.
    void CentreIn(int clientWidth);

    // The rectangle of `page`; empty when the page is not shown.
    CanvasRect PageRect(int page) const;
    // The pages that have a rectangle, in page order.
    std::vector<int> ShownPages() const;
    // The first shown page whose rectangle holds the layout point, or -1.
    int PageAt(int x, int y) const;
    // The scrollable area: the largest right and bottom plus the margin, and the
    // steps (a third and a twentieth of the first page's size).
    const ScrollExtent& Extent() const { return extent_; }
    const VisiblePages& Visible() const { return visible_; }

  private:
    void Place(PageSource& source, int mode, int current, int resolution);

    int mode_ = 0;
    int count_ = 0;
    std::vector<CanvasRect> rects_;  // continuous mode: every page
    VisiblePages visible_;
    CanvasRect firstRect_;
    CanvasRect secondRect_;
    ScrollExtent extent_;
};

}  // namespace quirn

#include <algorithm>

#include "view/page_view.h"
#include "view/page_view_host.h"

namespace quirn {

void PageView::SelectAndReveal(int page, const CanvasRect& rect, int resolution) {
    if (Count() <= 0 || resolution <= 0)
        return;
    GoToPage(page);
    RepaintSelection();
    selectionPage_ = current_;
    selection_ = rect;
    selectionResolution_ = resolution;
    const CanvasRect sel = Selection();
    const CanvasRect pageRect = layout_.PageRect(current_);
    if (pageRect.Empty())
        return;
    constexpr int kMargin = 20;
    const int left = pageRect.left + sel.left - kMargin;
    const int top = pageRect.top + sel.top - kMargin;
    const int right = pageRect.left + sel.right + kMargin;
    const int bottom = pageRect.top + sel.bottom + kMargin;
    const int width = host_.ClientWidth();
    const int height = host_.ClientHeight();
    const bool fitsAcross = left >= scrollX_ && right <= scrollX_ + width;
    const bool visible = fitsAcross && top >= scrollY_ && bottom <= scrollY_ + height;
    if (!visible) {
        if (fitsAcross)
            ScrollToClamped(scrollX_, top);
        else
            ScrollToClamped(left, top);
    }
    RepaintSelection();
    UpdateStatus();
}

}  // namespace quirn

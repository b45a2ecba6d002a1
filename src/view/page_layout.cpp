#include "view/page_layout.h"

#include <algorithm>

namespace quirn {

VisiblePages VisiblePagesFor(int mode, int current, int count) {
    VisiblePages pages;
    if (count <= 0) {
        return pages;
    }
    switch (mode) {
        case 2:
            pages.first = current;
            pages.second = current + 1;
            break;
        case 3:
            // Book spreads: an even index stands on the right of its odd neighbour, so
            // the first page stands alone on the right.
            if (current % 2 == 0) {
                pages.first = current - 1;
                pages.second = current;
            } else {
                pages.first = current;
                pages.second = current + 1;
            }
            break;
        default:
            pages.first = current;
            break;
    }
    if (pages.second >= count) {
        pages.second = -1;
    }
    if (pages.first >= count) {
        pages.first = -1;
    }
    return pages;
}

void PageLayout::Build(PageSource& source, int mode, int current, int resolution) {
    count_ = source.PageCount();
    // While the scroll extent is measured, a last page shown on its own in the
    // two-page modes counts as the spread before it, so the extent keeps its width.
    const bool steady = (mode == 2 || mode == 3) && current >= 3 && current == count_ - 1;
    if (steady) {
        Place(source, mode, current - 2, resolution);
    } else {
        Place(source, mode, current, resolution);
    }
    int right = 0;
    int bottom = 0;
    for (int page : ShownPages()) {
        const CanvasRect r = PageRect(page);
        right = std::max(right, r.right);
        bottom = std::max(bottom, r.bottom);
    }
    extent_.width = right + kPageMargin;
    extent_.height = bottom + kPageMargin;
    if (steady) {
        Place(source, mode, current, resolution);
    }
    int w = 0;
    int h = 0;
    if (count_ > 0) {
        const PageSizeMils first = source.PageSize(0);
        w = MilsToPixels(first.width, resolution);
        h = MilsToPixels(first.height, resolution);
    }
    extent_.pageStepX = std::max(1, w / 3);
    extent_.pageStepY = std::max(1, h / 3);
    extent_.lineStepX = std::max(1, w / 20);
    extent_.lineStepY = std::max(1, h / 20);
}

void PageLayout::CentreIn(int clientWidth) {
    const int shift = (clientWidth - extent_.width) / 2;
    if (shift <= 0)
        return;
    const auto move = [shift](CanvasRect& r) {
        if (!r.Empty()) {
            r.left += shift;
            r.right += shift;
        }
    };
    for (CanvasRect& r : rects_)
        move(r);
    move(firstRect_);
    move(secondRect_);
    extent_.width = clientWidth;
}

void PageLayout::Place(PageSource& source, int mode, int current, int resolution) {
    mode_ = mode;
    rects_.clear();
    firstRect_ = CanvasRect{};
    secondRect_ = CanvasRect{};
    visible_ = VisiblePages{};
    if (count_ <= 0) {
        return;
    }
    auto sized = [&](int page, int left, int top) {
        const PageSizeMils size = source.PageSize(page);
        return CanvasRect{left, top, left + MilsToPixels(size.width, resolution),
                          top + MilsToPixels(size.height, resolution)};
    };
    if (mode == 0) {
        rects_.reserve(static_cast<size_t>(count_));
        int top = kPageMargin;
        for (int page = 0; page < count_; ++page) {
            rects_.push_back(sized(page, kPageMargin, top));
            top = rects_.back().bottom + kPageMargin;
        }
        return;
    }
    visible_ = VisiblePagesFor(mode, current, count_);
    // The right-hand position follows the width of the page on the left (or of the
    // page itself when the left position is empty).
    const int leftPage = visible_.first >= 0 ? visible_.first : visible_.second;
    const int leftWidth = leftPage >= 0 ? sized(leftPage, 0, 0).Width() : 0;
    if (visible_.first >= 0) {
        firstRect_ = sized(visible_.first, kPageMargin, kPageMargin);
    }
    if (visible_.second >= 0) {
        secondRect_ = sized(visible_.second, leftWidth + 2 * kPageMargin, kPageMargin);
    }
}

CanvasRect PageLayout::PageRect(int page) const {
    if (page < 0 || page >= count_) {
        return CanvasRect{};
    }
    if (mode_ == 0) {
        return page < static_cast<int>(rects_.size()) ? rects_[page] : CanvasRect{};
    }
    if (page == visible_.first) {
        return firstRect_;
    }
    if (page == visible_.second) {
        return secondRect_;
    }
    return CanvasRect{};
}

std::vector<int> PageLayout::ShownPages() const {
    std::vector<int> pages;
    if (mode_ == 0) {
        for (int page = 0; page < static_cast<int>(rects_.size()); ++page) {
            pages.push_back(page);
        }
        return pages;
    }
    if (visible_.first >= 0) {
        pages.push_back(visible_.first);
    }
    if (visible_.second >= 0) {
        pages.push_back(visible_.second);
    }
    return pages;
}

int PageLayout::PageAt(int x, int y) const {
    auto holds = [x, y](const CanvasRect& r) {
        return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
    };
    if (mode_ == 0) {
        // The column is sorted by top: find the first page whose bottom lies below y.
        auto it = std::upper_bound(rects_.begin(), rects_.end(), y,
                                   [](int py, const CanvasRect& r) { return py < r.bottom; });
        if (it != rects_.end() && holds(*it)) {
            return static_cast<int>(it - rects_.begin());
        }
        return -1;
    }
    for (int page : ShownPages()) {
        if (holds(PageRect(page))) {
            return page;
        }
    }
    return -1;
}

}  // namespace quirn

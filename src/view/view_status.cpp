// The status bar indicators of the page view.
#include <cstdio>

#include "view/page_view.h"

namespace quirn {

std::string PageView::PageIndicator() const {
    char text[64];
    const int count = source_.PageCount();
    const VisiblePages& pages = layout_.Visible();
    if ((mode_ == kModeTwoPages || mode_ == kModeBook) && pages.first >= 0 && pages.second >= 0) {
        std::snprintf(text, sizeof text, "Pages %i-%i of %i", pages.first + 1, pages.second + 1,
                      count);
    } else {
        std::snprintf(text, sizeof text, "Page %i of %i", count > 0 ? current_ + 1 : 0, count);
    }
    return text;
}

std::string PageView::TexPageIndicator() const {
    char text[64];
    const VisiblePages& pages = layout_.Visible();
    if ((mode_ == kModeTwoPages || mode_ == kModeBook) && pages.first >= 0 && pages.second >= 0) {
        std::snprintf(text, sizeof text, "TeXPages %i,%i", source_.TexPageNumber(pages.first),
                      source_.TexPageNumber(pages.second));
    } else {
        std::snprintf(text, sizeof text, "TeXPage %i",
                      source_.PageCount() > 0 ? source_.TexPageNumber(current_) : 0);
    }
    return text;
}

std::string PageView::ZoomIndicator() const {
    char text[32];
    if (settings_.dviUsePercent != 0) {
        std::snprintf(text, sizeof text, "%i DPI", resolution_);
    } else {
        std::snprintf(text, sizeof text, "%i%%", resolution_ * 100 / 75);
    }
    return text;
}

std::string PageView::ActualSizeIndicator() const {
    char text[32];
    std::snprintf(text, sizeof text, "%i%%", resolution_ * 100 / screenResolution_);
    return text;
}

void PageView::UpdateStatus() {
    host_.SetStatusText(StatusField::Page, PageIndicator());
    host_.SetStatusText(StatusField::TexPage, TexPageIndicator());
    host_.SetStatusText(StatusField::Zoom, ZoomIndicator());
    host_.SetStatusText(StatusField::ActualSize, ActualSizeIndicator());
}

}  // namespace quirn

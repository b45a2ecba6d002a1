#include "view/dvi_page_source.h"

#include "dvi/dvi_doc.h"
#include "dvi/interpret_page.h"
#include "dvi/point_info.h"

namespace quirn {

namespace {

// Thousandths of an inch, as a resolution: sizes and bounds at this "resolution"
// come out in the view's unit of paper geometry.
constexpr int kMilsPerInch = 1000;

}  // namespace

int DviPageSource::PageCount() {
    return doc_.GetPageCount();
}

PageSizeMils DviPageSource::PageSize(int /*page*/) {
    const PixelSize size = doc_.GetPageSize(kMilsPerInch);
    return PageSizeMils{size.width, size.height};
}

void DviPageSource::DrawPage(int page, RasterCanvas& canvas, const DrawOptions& options) {
    DrawRequest request;
    request.page = page;
    request.dpi = options.resolution;
    request.viewParameter = options.colours ? 1 : 0;
    request.antiAlias = options.smoothing;
    request.postScript = options.graphics ? postScript_ : nullptr;
    quirn::DrawPage(doc_, canvas, request);
}

bool DviPageSource::HasGraphics(int page) {
    if (postScript_ == nullptr || GetPageContent(doc_, page, true) == nullptr) {
        return false;
    }
    return doc_.pages[static_cast<size_t>(page)].pageKind != kPageKindPlain;
}

int32_t DviPageSource::TexPageNumber(int page) {
    return doc_.GetPageCount0(page);
}

std::string DviPageSource::FontInfo(int page, int resolution, int x, int y, const RulerUnit& unit) {
    return PointInfo(doc_, page, resolution, x, y, unit);
}

CanvasRect DviPageSource::InkBounds(int page) {
    return GetInkBounds(doc_, page, kMilsPerInch);
}

}  // namespace quirn

#include "view/ps_page_source.h"

namespace quirn {

PageSizeMils PostScriptPageSource::PageSize(int page) {
    const PixelSize size = doc_.PageSizePixels(page, 1000);
    return PageSizeMils{size.width, size.height};
}

RenderRequest PostScriptPageSource::RequestFor(int page, const DrawOptions& options) const {
    RenderRequest request;
    request.page = page;
    request.dpi = options.resolution;
    request.bits = options.colours ? 24 : 8;
    request.smoothing = options.smoothing || settings_.psAlias != 0;
    return request;
}

void PostScriptPageSource::DrawPage(int page, RasterCanvas& canvas, const DrawOptions& options) {
    canvas.FillBackground();
    if (page < 0 || page >= PageCount()) {
        return;
    }
    if (auto picture = pictures_.Picture(RequestFor(page, options))) {
        DrawRenderedPage(*picture, canvas);
    }
}

CanvasRect PostScriptPageSource::InkBounds(int page) {
    const PageSizeMils size = PageSize(page);
    return CanvasRect{0, 0, size.width, size.height};
}

}  // namespace quirn

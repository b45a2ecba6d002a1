#include "postscript/dvi_page_route.h"

namespace quirn {

DviPageRoute::DviPageRoute(PagePictures& pictures, const Settings& settings)
    : pictures_(pictures), settings_(settings) {}

bool DviPageRoute::Available() const {
    return pictures_.Available();
}

RenderRequest DviPageRoute::RequestFor(int page, int dpi, bool graphicsOnly) const {
    const Settings& settings = settings_;
    RenderRequest request;
    request.page = page;
    request.dpi = dpi;
    request.bits = settings.psColor != 0 ? 24 : 8;
    request.smoothing = settings.psAlias != 0;
    request.graphicsOnly = graphicsOnly;
    return request;
}

void DviPageRoute::DrawPostScriptPage(CDVIDoc&, RasterCanvas& canvas, int page, int dpi, int, bool,
                                      const CanvasRect& update, bool graphicsOnly) {
    const RenderRequest request = RequestFor(page, dpi, graphicsOnly);
    auto rendered = pictures_.Picture(request);
    const CanvasRect saved = canvas.ClipBox();
    if (!update.Empty()) {
        canvas.SetClip(saved.Intersect(update));
    }
    if (!graphicsOnly) {
        canvas.FillBackground();
    }
    if (rendered) {
        DrawRenderedPage(*rendered, canvas);
        drewColour_ = drewColour_ || request.bits == 24;
        drewEmpty_ = drewEmpty_ || rendered->empty;
    }
    canvas.SetClip(saved);
}

}  // namespace quirn

#include "postscript/dvi_page_route.h"

namespace quirn {

DviPageRoute::DviPageRoute(DviPostScriptDoc& doc, PostScriptRenderer& renderer)
    : doc_(doc), renderer_(renderer) {}

bool DviPageRoute::Available() const {
    if (renderer_.Available()) {
        return true;
    }
    std::string program;
    InterpreterTemplate(doc_.DocumentSettings(), {}, nullptr, &program);
    renderer_.NotFound(program);
    return false;
}

RenderRequest DviPageRoute::RequestFor(int page, int dpi, bool graphicsOnly) const {
    const Settings& settings = doc_.DocumentSettings();
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
    auto rendered = renderer_.Render(doc_, request);
    const CanvasRect saved = canvas.ClipBox();
    if (!update.Empty()) {
        canvas.SetClip(saved.Intersect(update));
    }
    if (!graphicsOnly) {
        canvas.FillBackground();
    }
    DrawRenderedPage(*rendered, canvas);
    canvas.SetClip(saved);
    drewColour_ = drewColour_ || request.bits == 24;
    drewEmpty_ = drewEmpty_ || rendered->empty;
}

}  // namespace quirn

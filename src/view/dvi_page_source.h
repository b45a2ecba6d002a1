// The DVI document as the page view's page source: drawing through DrawPage, font
// information through PointInfo, ink bounds through GetInkBounds.
#pragma once

#include "dvi/draw_page.h"
#include "view/page_source.h"

namespace quirn {

class CDVIDoc;

class DviPageSource : public PageSource {
  public:
    // `postScript` draws the PostScript part of pages once the view's graphics are
    // ready; without one every page draws its glyphs and rules only.
    explicit DviPageSource(CDVIDoc& doc, PostScriptPageRoute* postScript = nullptr)
        : doc_(doc), postScript_(postScript) {}

    int PageCount() override;
    PageSizeMils PageSize(int page) override;
    // The view parameter handed to the PostScript route is 1 with colours, else 0.
    void DrawPage(int page, RasterCanvas& canvas, const DrawOptions& options) override;
    bool HasGraphics(int page) override;
    int32_t TexPageNumber(int page) override;
    std::string FontInfo(int page, int resolution, int x, int y, const RulerUnit& unit) override;
    CanvasRect InkBounds(int page) override;

  private:
    CDVIDoc& doc_;
    PostScriptPageRoute* postScript_;
};

}  // namespace quirn

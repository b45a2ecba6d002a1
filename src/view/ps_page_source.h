// A PostScript or EPS document as the page view's page source: page count and paper
// sizes from the document, pictures from the interpreter (usually rendered in the
// background: a page shows white paper until its picture is there, and the owner
// then has the view redraw it).
#pragma once

#include "app/settings.h"
#include "postscript/interpreter.h"
#include "postscript/ps_document.h"
#include "view/page_source.h"

namespace quirn {

class PostScriptPageSource : public PageSource {
  public:
    // All borrowed. Smoothing follows the view's and the setting PSAlias; colour
    // pictures are asked for when the view shows colours.
    PostScriptPageSource(CBaseDoc& doc, PagePictures& pictures, const Settings& settings)
        : doc_(doc), pictures_(pictures), settings_(settings) {}

    int PageCount() override { return doc_.PageCount(); }
    PageSizeMils PageSize(int page) override;
    void DrawPage(int page, RasterCanvas& canvas, const DrawOptions& options) override;
    bool HasGraphics(int) override { return false; }
    int32_t TexPageNumber(int page) override { return page + 1; }
    std::string FontInfo(int, int, int, int, const RulerUnit&) override { return {}; }
    CanvasRect InkBounds(int page) override;

    // The request drawing `page` with `options` makes.
    RenderRequest RequestFor(int page, const DrawOptions& options) const;

  private:
    CBaseDoc& doc_;
    PagePictures& pictures_;
    const Settings& settings_;
};

}  // namespace quirn

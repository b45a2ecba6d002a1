// The PostScript route of DVI pages: pages whose specials only PostScript can show
// (kind 2) are rendered whole from the document's dvips output; pages with graphics
// (kind 1) get their graphics rendered alone, and the page drawing puts the glyphs
// and rules on top. The interpreter's pictures are cached by the renderer.
#pragma once

#include "dvi/draw_page.h"
#include "postscript/dvi_postscript.h"
#include "postscript/interpreter.h"

namespace quirn {

class DviPageRoute : public PostScriptPageRoute {
  public:
    // Both borrowed. Colour and smoothing of the PostScript part follow the settings
    // PSColor and PSAlias. A picture that is not there yet (rendered in the background)
    // leaves the page without its PostScript part for now.
    DviPageRoute(PagePictures& pictures, const Settings& settings);

    // False (after "PostScript interpreter not found: NAME", once) when the
    // interpreter cannot be run.
    bool Available() const override;
    void DrawPostScriptPage(CDVIDoc& doc, RasterCanvas& canvas, int page, int dpi,
                            int viewParameter, bool antiAlias, const CanvasRect& update,
                            bool graphicsOnly) override;

    // The request a page's drawing makes.
    RenderRequest RequestFor(int page, int dpi, bool graphicsOnly) const;
    // True once a page was drawn through the route in colour (PSColor on).
    bool DrewColour() const { return drewColour_; }
    // True once the interpreter gave no picture for a page (painted black).
    bool DrewEmpty() const { return drewEmpty_; }

  private:
    PagePictures& pictures_;
    const Settings& settings_;
    bool drewColour_ = false;
    bool drewEmpty_ = false;
};

}  // namespace quirn

// The PostScript side of a viewer document in the window: a worker renders pages (or
// the figures of DVI pages) through the interpreter in the background, and when a
// picture is ready the document's page views redraw that page. Messages of the worker
// go to the output window.
#pragma once

#include <wx/docview.h>

#include <memory>
#include <string>

#include "postscript/background_renderer.h"
#include "postscript/dvi_page_route.h"
#include "view/ps_page_source.h"

namespace quirn::gui {

class PostScriptPages : public PagePictures {
  public:
    // `owner` is the window document whose views show the pages (borrowed).
    explicit PostScriptPages(wxDocument* owner);
    ~PostScriptPages() override;

    // DVI documents: the route that draws pages of kinds 1 and 2 (borrowed `dvi`).
    PostScriptPageRoute* RouteFor(::quirn::CDVIDoc& dvi);
    // PostScript and EPS files: the page source, empty until Open.
    PageSource* Source(bool eps);
    // Reads a PostScript or EPS file (again); false when it cannot be read.
    bool Open(const std::string& path);
    // The DVI document was read again: its PostScript is made anew when needed.
    void Reloaded();

    // PagePictures
    std::shared_ptr<const RenderedPage> Picture(const RenderRequest& request) override;
    bool Available() override;

  private:
    void Start(std::unique_ptr<::quirn::CBaseDoc> doc);
    InterpreterSetup Setup() const;

    wxDocument* owner_;
    Settings settings_;
    std::shared_ptr<bool> alive_;
    std::unique_ptr<BackgroundRenderer> worker_;
    std::unique_ptr<::quirn::CBaseDoc> shown_;  // PostScript and EPS: the main thread's copy
    std::unique_ptr<PostScriptPageSource> source_;
    std::unique_ptr<DviPageRoute> route_;
    bool eps_ = false;
};

}  // namespace quirn::gui

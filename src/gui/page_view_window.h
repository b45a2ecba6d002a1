// The viewer documents and the page view window. The page view's geometry, commands
// and painting live in src/view (PageView); the window forwards its events there and
// puts the painted pixels on the screen.
#pragma once

#include <wx/docview.h>
#include <wx/menu.h>
#include <wx/timer.h>
#include <wx/window.h>

#include <functional>
#include <memory>
#include <string>

#include "dvi/dvi_doc.h"
#include "platform/raster_canvas.h"
#include "view/dvi_page_source.h"
#include "view/page_view.h"
#include "view/page_view_host.h"

namespace quirn::gui {

// The viewer documents share one base: a file shown page by page.
class CBaseDoc : public wxDocument {
  public:
    // The pages the view shows; null when the document has none (not loaded).
    virtual PageSource* Pages() { return nullptr; }

  protected:
    bool DoOpenDocument(const wxString& file) override;
    bool DoSaveDocument(const wxString&) override { return false; }
    wxDECLARE_DYNAMIC_CLASS(CBaseDoc);
};

// The window side of a DVI file: owns the document (src/dvi) and its page source.
class PostScriptPages;

class CDVIWinDoc : public CBaseDoc {
  public:
    CDVIWinDoc();
    ~CDVIWinDoc() override;
    // Made with the document, before its file is read (the view comes first).
    PageSource* Pages() override;
    ::quirn::CDVIDoc* Dvi() { return dvi_.get(); }

  protected:
    bool DoOpenDocument(const wxString& file) override;

  private:
    // Kept across reloads, so that the view's page source stays valid.
    std::unique_ptr<::quirn::CDVIDoc> dvi_;
    std::unique_ptr<DviPageSource> source_;
    // The figures of pages of kinds 1 and 2, rendered in the background.
    std::unique_ptr<PostScriptPages> postScript_;
    wxDECLARE_DYNAMIC_CLASS(CDVIWinDoc);
};

// PostScript and EPS files: pages rendered by the interpreter in the background.
class CPostscriptDoc : public CBaseDoc {
  public:
    CPostscriptDoc();
    ~CPostscriptDoc() override;
    PageSource* Pages() override;

  protected:
    bool DoOpenDocument(const wxString& file) override;
    virtual bool Encapsulated() const { return false; }

  private:
    std::unique_ptr<PostScriptPages> pages_;
    wxDECLARE_DYNAMIC_CLASS(CPostscriptDoc);
};
class CPDFDoc : public CBaseDoc {
    wxDECLARE_DYNAMIC_CLASS(CPDFDoc);
};
class CEPSDoc : public CPostscriptDoc {
  protected:
    bool Encapsulated() const override { return true; }

  private:
    wxDECLARE_DYNAMIC_CLASS(CEPSDoc);
};

// The client window of a page view: scroll bars, painting, mouse and the timer.
class PageCanvas : public wxWindow, public PageViewHost {
  public:
    PageCanvas(wxWindow* parent, PageSource* pages);
    ~PageCanvas() override;
    PageView* View() { return view_.get(); }
    // Lets go of the document's pages (its view is closing); the window then shows
    // nothing until it is destroyed.
    void Detach();
    // The painted client area as it is now (for tests and screenshots).
    const RasterCanvas& Painted() const { return canvas_; }

    // PageViewHost
    int ClientWidth() const override;
    int ClientHeight() const override;
    void SetScrollExtent(const ScrollExtent& extent) override;
    void ScrollTo(int x, int y) override;
    void Repaint(const CanvasRect& rect) override;
    void RepaintAll() override;
    void StartGraphicsTimer() override;
    void StopGraphicsTimer() override;
    bool AskText(const std::string& title, const std::string& question,
                 std::string& answer) override;
    void SetStatusText(StatusField field, const std::string& text) override;
    void Beep() override;
    void CapturePointer() override;
    void ReleasePointer() override;
    void ShowPointer(bool shown) override;
    void SharedSettingsChanged() override;
    void GotoSource(int page, int x, int y, int resolution) override;
    void MovePointer(int x, int y) override;
    void StartFadeTimer(int ms) override;
    // Inverse search for the view's document (DVI documents only).
    void SetSourceLinks(std::function<void(int page, int x, int y, int resolution)> gotoSource) {
        gotoSource_ = std::move(gotoSource);
    }
    // Entries the page's menu (right click) adds after "Goto TeX Source".
    void SetMenuExtra(std::function<void(wxMenu&)> extra) { menuExtra_ = std::move(extra); }

  private:
    void OnPaint(wxPaintEvent& e);
    void OnSize(wxSizeEvent& e);
    void OnScroll(wxScrollWinEvent& e);
    void OnWheel(wxMouseEvent& e);
    void OnMouse(wxMouseEvent& e);
    void OnKey(wxKeyEvent& e);
    void OnTimer(wxTimerEvent& e);
    void ScrollBy(int dx, int dy);
    void UserScrolled(int x, int y);

    std::unique_ptr<PageView> view_;
    RasterCanvas canvas_;
    ScrollExtent extent_;
    wxTimer timer_;
    wxTimer fadeTimer_;
    int scrollX_ = 0;
    int scrollY_ = 0;
    std::function<void(int page, int x, int y, int resolution)> gotoSource_;
    std::function<void(wxMenu&)> menuExtra_;
};

// The dark-page mode of every page view (lightness inverted, hues kept): on or off,
// kept in the settings, every page view repainted.
void SetDarkPages(bool dark);

class CBaseView : public wxView {
  public:
    bool OnCreate(wxDocument* doc, long flags) override;
    void OnDraw(wxDC*) override {}
    void OnUpdate(wxView* sender, wxObject* hint) override;
    bool OnClose(bool deleteWindow) override;
    void OnActivateView(bool activate, wxView* activeView, wxView* deactiveView) override;
    PageView* View() { return canvas_ ? canvas_->View() : nullptr; }
    PageCanvas* Canvas() { return canvas_; }

  private:
    void OnViewCommand(wxCommandEvent& e);
    void OnUpdateViewCommand(wxUpdateUIEvent& e);
    // F8 in a page view: inverse search at the mouse pointer.
    void OnGotoSourceAtPointer(wxCommandEvent& e);

    PageCanvas* canvas_ = nullptr;
    wxDECLARE_DYNAMIC_CLASS(CBaseView);
};

class CDVIView : public CBaseView {
    wxDECLARE_DYNAMIC_CLASS(CDVIView);
};

}  // namespace quirn::gui

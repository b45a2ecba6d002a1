#include "gui/page_view_window.h"

#include <wx/app.h>
#include <wx/dcbuffer.h>
#include <wx/image.h>
#include <wx/menu.h>
#include <wx/rawbmp.h>
#include <wx/textdlg.h>
#include <wx/utils.h>

#include <algorithm>

#include "dvi/page_words.h"
#include "dvi/source_links.h"
#include "gui/child_frames.h"
#include "gui/command_ids.h"
#include "gui/editor_view.h"
#include "gui/gui_services.h"
#include "gui/main_frame.h"
#include "gui/pdf_view_document.h"
#include "gui/postscript_pages.h"
#include "gui/typeset_bridge.h"
#include "view/dark_pages.h"

namespace quirn::gui {

wxIMPLEMENT_DYNAMIC_CLASS(CBaseDoc, wxDocument);
wxIMPLEMENT_DYNAMIC_CLASS(CDVIWinDoc, CBaseDoc);
wxIMPLEMENT_DYNAMIC_CLASS(CPostscriptDoc, CBaseDoc);
wxIMPLEMENT_DYNAMIC_CLASS(CPDFDoc, CBaseDoc);
wxIMPLEMENT_DYNAMIC_CLASS(CEPSDoc, CPostscriptDoc);
wxIMPLEMENT_DYNAMIC_CLASS(CBaseView, wxView);
wxIMPLEMENT_DYNAMIC_CLASS(CDVIView, CBaseView);

namespace {

// The command groups of the view, as ranges of their numbers.
constexpr std::pair<int, int> kViewCommandRanges[] = {
    {31216, 31219}, {32780, 32782}, {32844, 32844}, {32850, 32852}, {32856, 32858}, {32884, 32888},
    {32893, 32897}, {32901, 32901}, {32969, 32970}, {32989, 32989}, {59200, 59203},
};

// A page view opens in a pane of its own on the right of the document area, beside the
// source it was typeset from, unless it already has a pane to itself. When another
// page view already has such a pane, the new one joins it as a tab: the pages of every
// document share the right-hand side.
void PlaceBesideTheSources(wxAuiMDIChildFrame* frame) {
    DocParentFrame* parent = ParentFrame();
    wxAuiNotebook* book = parent ? parent->GetNotebook() : nullptr;
    if (!book)
        return;
    const int index = book->GetPageIndex(frame);
    wxAuiTabCtrl* tabs = nullptr;
    int at = 0;
    if (index == wxNOT_FOUND || !book->FindTab(frame, &tabs, &at) || tabs->GetPageCount() < 2)
        return;
    for (size_t i = 0; i < book->GetPageCount(); ++i) {
        wxWindow* other = book->GetPage(i);
        wxAuiTabCtrl* otherTabs = nullptr;
        if (other == frame || dynamic_cast<CQuirnMDIChildWnd*>(other) == nullptr ||
            !book->FindTab(other, &otherTabs, &at) || otherTabs == tabs)
            continue;
        // A page is added to the pane of the selected page.
        const wxString caption = book->GetPageText(static_cast<size_t>(index));
        const wxBitmap bitmap = book->GetPageBitmap(static_cast<size_t>(index));
        book->RemovePage(static_cast<size_t>(index));
        book->SetSelection(static_cast<size_t>(book->GetPageIndex(other)));
        book->AddPage(frame, caption, true, bitmap);
        return;
    }
    book->Split(static_cast<size_t>(index), wxRIGHT);
    if (auto* main = dynamic_cast<CMainFrame*>(parent))
        main->RestorePagePaneWidth();
}

int ScreenResolution() {
    wxSize ppi = wxGetDisplayPPI();
    return std::clamp(std::max(ppi.GetWidth(), ppi.GetHeight()), 30, 300);
}

}  // namespace

// ---------------------------------------------------------------------------------
// Documents

bool CBaseDoc::DoOpenDocument(const wxString& file) {
    return wxFileExists(file);
}

CDVIWinDoc::CDVIWinDoc() = default;
CDVIWinDoc::~CDVIWinDoc() = default;

PageSource* CDVIWinDoc::Pages() {
    if (!dvi_) {
        DviContext* context = Services().Typeset().Previewer();
        if (!context)
            return nullptr;
        dvi_ = std::make_unique<::quirn::CDVIDoc>(*context);
        postScript_ = std::make_unique<PostScriptPages>(this);
        source_ = std::make_unique<DviPageSource>(*dvi_, postScript_->RouteFor(*dvi_));
    }
    return source_.get();
}

bool CDVIWinDoc::DoOpenDocument(const wxString& file) {
    if (!Pages())
        return false;
    // A document that cannot be read has said why in the output window.
    if (!dvi_->OpenDocument(file.utf8_string()))
        return false;
    postScript_->Reloaded();
    UpdateAllViews();
    return true;
}

CPostscriptDoc::CPostscriptDoc() = default;
CPostscriptDoc::~CPostscriptDoc() = default;

PageSource* CPostscriptDoc::Pages() {
    if (!pages_)
        pages_ = std::make_unique<PostScriptPages>(this);
    return pages_->Source(Encapsulated());
}

bool CPostscriptDoc::DoOpenDocument(const wxString& file) {
    Pages();
    if (!pages_->Open(file.utf8_string())) {
        Services().Output().AppendOutput("Cannot open file: " + file.utf8_string() + "\n");
        return false;
    }
    UpdateAllViews();
    return true;
}

// ---------------------------------------------------------------------------------
// The canvas

PageCanvas::PageCanvas(wxWindow* parent, PageSource* pages)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, parent->GetClientSize(),
               wxHSCROLL | wxVSCROLL | wxWANTS_CHARS) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);  // every pixel is ours: no flicker
    view_ =
        std::make_unique<PageView>(*pages, *this, Services().App().Record(), ScreenResolution());
    view_->SetCentreNarrowPages(true);
    timer_.SetOwner(this);
    fadeTimer_.SetOwner(this);
    Bind(wxEVT_PAINT, &PageCanvas::OnPaint, this);
    Bind(wxEVT_SIZE, &PageCanvas::OnSize, this);
    Bind(wxEVT_SCROLLWIN_TOP, &PageCanvas::OnScroll, this);
    Bind(wxEVT_SCROLLWIN_BOTTOM, &PageCanvas::OnScroll, this);
    Bind(wxEVT_SCROLLWIN_LINEUP, &PageCanvas::OnScroll, this);
    Bind(wxEVT_SCROLLWIN_LINEDOWN, &PageCanvas::OnScroll, this);
    Bind(wxEVT_SCROLLWIN_PAGEUP, &PageCanvas::OnScroll, this);
    Bind(wxEVT_SCROLLWIN_PAGEDOWN, &PageCanvas::OnScroll, this);
    Bind(wxEVT_SCROLLWIN_THUMBTRACK, &PageCanvas::OnScroll, this);
    Bind(wxEVT_SCROLLWIN_THUMBRELEASE, &PageCanvas::OnScroll, this);
    Bind(wxEVT_MOUSEWHEEL, &PageCanvas::OnWheel, this);
    Bind(wxEVT_MOTION, &PageCanvas::OnMouse, this);
    Bind(wxEVT_LEFT_DOWN, &PageCanvas::OnMouse, this);
    Bind(wxEVT_LEFT_UP, &PageCanvas::OnMouse, this);
    Bind(wxEVT_RIGHT_DOWN, &PageCanvas::OnMouse, this);
    Bind(wxEVT_KEY_DOWN, &PageCanvas::OnKey, this);
    Bind(wxEVT_TIMER, &PageCanvas::OnTimer, this);
}

PageCanvas::~PageCanvas() {
    Detach();
}

void PageCanvas::Detach() {
    timer_.Stop();
    fadeTimer_.Stop();
    if (HasCapture())
        ReleaseMouse();
    view_.reset();
    gotoSource_ = nullptr;
}

int PageCanvas::ClientWidth() const {
    return GetClientSize().GetWidth();
}

int PageCanvas::ClientHeight() const {
    return GetClientSize().GetHeight();
}

void PageCanvas::SetScrollExtent(const ScrollExtent& extent) {
    extent_ = extent;
    SetScrollbar(wxHORIZONTAL, scrollX_, ClientWidth(), extent.width);
    SetScrollbar(wxVERTICAL, scrollY_, ClientHeight(), extent.height);
}

void PageCanvas::ScrollTo(int x, int y) {
    int dx = scrollX_ - x;
    int dy = scrollY_ - y;
    scrollX_ = x;
    scrollY_ = y;
    SetScrollPos(wxHORIZONTAL, x);
    SetScrollPos(wxVERTICAL, y);
    // Drawn pages are kept by the view, so a repaint only copies pixels.
    if (dx != 0 || dy != 0)
        Refresh(false);
}

void PageCanvas::Repaint(const CanvasRect& rect) {
    RefreshRect(wxRect(rect.left, rect.top, rect.Width(), rect.Height()), false);
}

void PageCanvas::RepaintAll() {
    Refresh(false);
}

void PageCanvas::StartGraphicsTimer() {
    timer_.StartOnce(1000);
}

void PageCanvas::StopGraphicsTimer() {
    timer_.Stop();
}

bool PageCanvas::AskText(const std::string& title, const std::string& question,
                         std::string& answer) {
    wxTextEntryDialog dialog(this, wxString::FromUTF8(question), wxString::FromUTF8(title));
    if (dialog.ShowModal() != wxID_OK)
        return false;
    answer = dialog.GetValue().utf8_string();
    return true;
}

void PageCanvas::SetStatusText(StatusField field, const std::string& text) {
    if (CMainFrame* frame = Services().MainFrame())
        frame->SetViewStatus(static_cast<int>(field), text);
}

void PageCanvas::Beep() {
    wxBell();
}

void PageCanvas::CapturePointer() {
    if (!HasCapture())
        CaptureMouse();
}

void PageCanvas::ReleasePointer() {
    if (HasCapture())
        ReleaseMouse();
}

void PageCanvas::ShowPointer(bool shown) {
    SetCursor(shown ? wxNullCursor : wxCursor(wxCURSOR_BLANK));
}

void PageCanvas::GotoSource(int page, int x, int y, int resolution) {
    if (gotoSource_)
        gotoSource_(page, x, y, resolution);
}

void PageCanvas::MovePointer(int x, int y) {
    WarpPointer(x, y);
}

void PageCanvas::SharedSettingsChanged() {
    for (wxDocument* doc : Services().Documents().GetDocumentsVector()) {
        for (wxView* v : doc->GetViewsVector()) {
            if (auto* view = wxDynamicCast(v, CBaseView)) {
                if (view->Canvas())
                    view->Canvas()->Refresh(false);
            }
        }
    }
}

void PageCanvas::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    wxSize size = GetClientSize();
    if (!view_)
        return;
    if (size.GetWidth() <= 0 || size.GetHeight() <= 0)
        return;
    if (canvas_.Width() != size.GetWidth() || canvas_.Height() != size.GetHeight())
        canvas_.Reset(size.GetWidth(), size.GetHeight());
    for (wxRegionIterator it(GetUpdateRegion()); it; ++it) {
        wxRect r = it.GetRect();
        CanvasRect damage{r.GetLeft(), r.GetTop(), r.GetRight() + 1, r.GetBottom() + 1};
        damage = damage.Intersect(canvas_.Bounds());
        if (damage.Empty())
            continue;
        view_->Paint(canvas_, damage);
        // The damaged part of the picture, as a bitmap for the screen.
        wxImage image(damage.Width(), damage.Height(), false);
        unsigned char* out = image.GetData();
        const int bpp = canvas_.BytesPerPixel();
        for (int y = damage.top; y < damage.bottom; ++y) {
            const uint8_t* row = canvas_.Row(y) + static_cast<size_t>(damage.left) * bpp;
            if (bpp == 3) {
                std::copy(row, row + static_cast<size_t>(damage.Width()) * 3, out);
                out += static_cast<size_t>(damage.Width()) * 3;
            } else {
                for (int x = 0; x < damage.Width(); ++x) {
                    *out++ = row[x];
                    *out++ = row[x];
                    *out++ = row[x];
                }
            }
        }
        if (Services().App().Record().darkPages) {
            unsigned char* p = image.GetData();
            unsigned char* end = p + static_cast<size_t>(damage.Width()) * damage.Height() * 3;
            for (; p < end; p += 3) {
                const uint32_t rgb = InvertLightness((uint32_t{p[0]} << 16) |
                                                     (uint32_t{p[1]} << 8) | uint32_t{p[2]});
                p[0] = static_cast<unsigned char>(rgb >> 16);
                p[1] = static_cast<unsigned char>(rgb >> 8);
                p[2] = static_cast<unsigned char>(rgb);
            }
        }
        dc.DrawBitmap(wxBitmap(image), damage.left, damage.top, false);
    }
}

void PageCanvas::OnSize(wxSizeEvent& e) {
    e.Skip();
    if (view_)
        view_->OnClientResized();
}

void PageCanvas::UserScrolled(int x, int y) {
    if (!view_)
        return;
    x = std::clamp(x, 0, std::max(0, extent_.width - ClientWidth()));
    y = std::clamp(y, 0, std::max(0, extent_.height - ClientHeight()));
    if (x == scrollX_ && y == scrollY_)
        return;
    scrollX_ = x;
    scrollY_ = y;
    SetScrollPos(wxHORIZONTAL, x);
    SetScrollPos(wxVERTICAL, y);
    view_->SetScrollPosition(x, y);
    Refresh(false);
}

void PageCanvas::ScrollBy(int dx, int dy) {
    UserScrolled(scrollX_ + dx, scrollY_ + dy);
}

void PageCanvas::OnScroll(wxScrollWinEvent& e) {
    bool horizontal = e.GetOrientation() == wxHORIZONTAL;
    int pos = horizontal ? scrollX_ : scrollY_;
    int line = horizontal ? extent_.lineStepX : extent_.lineStepY;
    int page = horizontal ? extent_.pageStepX : extent_.pageStepY;
    wxEventType t = e.GetEventType();
    if (t == wxEVT_SCROLLWIN_TOP) {
        pos = 0;
    } else if (t == wxEVT_SCROLLWIN_BOTTOM) {
        pos = horizontal ? extent_.width : extent_.height;
    } else if (t == wxEVT_SCROLLWIN_LINEUP) {
        pos -= line;
    } else if (t == wxEVT_SCROLLWIN_LINEDOWN) {
        pos += line;
    } else if (t == wxEVT_SCROLLWIN_PAGEUP) {
        pos -= page;
    } else if (t == wxEVT_SCROLLWIN_PAGEDOWN) {
        pos += page;
    } else {
        pos = e.GetPosition();
    }
    if (horizontal) {
        UserScrolled(pos, scrollY_);
    } else {
        UserScrolled(scrollX_, pos);
    }
}

void PageCanvas::OnWheel(wxMouseEvent& e) {
    int steps = e.GetWheelRotation() / std::max(1, e.GetWheelDelta());
    if (e.ControlDown() && view_ && e.GetWheelAxis() == wxMOUSE_WHEEL_VERTICAL) {
        for (int i = 0; i < std::abs(steps); ++i)
            view_->Execute(steps > 0 ? kCmdZoomUp : kCmdZoomDown);
        return;
    }
    int lines = steps * std::max(1, e.GetLinesPerAction());
    if (e.GetWheelAxis() == wxMOUSE_WHEEL_HORIZONTAL) {
        ScrollBy(lines * extent_.lineStepX, 0);
    } else {
        ScrollBy(0, -lines * extent_.lineStepY);
    }
}

void PageCanvas::OnMouse(wxMouseEvent& e) {
    if (!view_)
        return;
    wxPoint p = e.GetPosition();
    if (e.GetEventType() == wxEVT_LEFT_DOWN) {
        SetFocus();
        view_->OnLeftDown(p.x, p.y, e.ControlDown());
    } else if (e.GetEventType() == wxEVT_LEFT_UP) {
        view_->OnLeftUp(p.x, p.y, e.ControlDown());
    } else if (e.GetEventType() == wxEVT_RIGHT_DOWN) {
        // The point of "Goto TeX Source" in the page's menu.
        view_->SetLastPoint(p.x, p.y);
        if (gotoSource_ || menuExtra_) {
            wxMenu menu;
            if (gotoSource_)
                menu.Append(MenuIdOf(kCmdGotoSource), "&Goto TeX Source");
            if (menuExtra_)
                menuExtra_(menu);
            PopupMenu(&menu, p);
        }
    } else {
        view_->OnMouseMove(p.x, p.y, e.LeftIsDown());
    }
}

void PageCanvas::OnKey(wxKeyEvent& e) {
    if (!view_) {
        e.Skip();
        return;
    }
    // Zoom keys: Ctrl+Plus, Ctrl+Minus, Ctrl+0 (fit the page's width), main keys or
    // keypad.
    if (e.GetModifiers() == wxMOD_CONTROL || e.GetModifiers() == (wxMOD_CONTROL | wxMOD_SHIFT)) {
        switch (e.GetKeyCode()) {
            case '+':
            case '=':
            case WXK_NUMPAD_ADD:
                view_->Execute(kCmdZoomUp);
                return;
            case '-':
            case WXK_NUMPAD_SUBTRACT:
                view_->Execute(kCmdZoomDown);
                return;
            case '0':
            case WXK_NUMPAD0:
                view_->Execute(kCmdZoomPageWidth);
                return;
            default:
                break;
        }
    }
    switch (e.GetKeyCode()) {
        case WXK_UP:
            ScrollBy(0, -extent_.lineStepY);
            break;
        case WXK_DOWN:
            ScrollBy(0, extent_.lineStepY);
            break;
        case WXK_LEFT:
            ScrollBy(-extent_.lineStepX, 0);
            break;
        case WXK_RIGHT:
            ScrollBy(extent_.lineStepX, 0);
            break;
        case WXK_PAGEUP:
            view_->Execute(kCmdPreviousPage);
            break;
        case WXK_PAGEDOWN:
            view_->Execute(kCmdNextPage);
            break;
        case WXK_HOME:
            view_->Execute(kCmdFirstPage);
            break;
        case WXK_END:
            view_->Execute(kCmdLastPage);
            break;
        default:
            e.Skip();
    }
}

void PageCanvas::OnTimer(wxTimerEvent& e) {
    if (!view_)
        return;
    if (&e.GetTimer() == &fadeTimer_) {
        view_->OnFadeTimer();
    } else {
        view_->OnGraphicsTimer();
    }
}

void PageCanvas::StartFadeTimer(int ms) {
    fadeTimer_.StartOnce(ms);
}

void SetDarkPages(bool dark) {
    Services().App().Record().darkPages = dark ? 1 : 0;
    for (wxDocument* doc : Services().Documents().GetDocumentsVector()) {
        for (wxView* v : doc->GetViewsVector()) {
            if (auto* view = wxDynamicCast(v, CBaseView); view && view->Canvas())
                view->Canvas()->Refresh(false);
        }
    }
}

// ---------------------------------------------------------------------------------
// The view

bool CBaseView::OnCreate(wxDocument* doc, long) {
    auto* frame = new CQuirnMDIChildWnd(doc, this, ParentFrame(), wxID_ANY, doc->GetTitle(),
                                        wxDefaultPosition, DocumentAreaSize());
    SetFrame(frame);
    auto* base = wxDynamicCast(doc, CBaseDoc);
    PageSource* pages = base ? base->Pages() : nullptr;
    if (pages) {
        canvas_ = new PageCanvas(frame, pages);
    } else {
        // A kind of document this window cannot show yet: an empty grey area.
        auto* empty = new wxWindow(frame, wxID_ANY, wxDefaultPosition, frame->GetClientSize());
        empty->SetBackgroundColour(wxColour(128, 128, 128));
    }
    for (auto [first, last] : kViewCommandRanges) {
        Bind(wxEVT_MENU, &CBaseView::OnViewCommand, this, MenuIdOf(first), MenuIdOf(last));
        Bind(wxEVT_UPDATE_UI, &CBaseView::OnUpdateViewCommand, this, MenuIdOf(first),
             MenuIdOf(last));
    }
    auto* dviDoc = wxDynamicCast(doc, CDVIWinDoc);
    if (canvas_ && dviDoc && dviDoc->Dvi()) {
        ::quirn::CDVIDoc* dvi = dviDoc->Dvi();
        canvas_->SetSourceLinks([dvi](int page, int x, int y, int resolution) {
            // A SyncTeX file beside the DVI file takes the caret to the clicked word.
            std::unique_ptr<SyncTexLinks> links = SyncTexLinks::Open(dvi->Path());
            std::optional<SyncTexPlace> place =
                SourcePlaceForPoint(*dvi, links.get(), page, resolution, x, y);
            if (!place) {
                Services().Prompt().ShowMessage("No embedded source info in DVI file");
                return;
            }
            GoToSourcePlace(*place);
        });
    }
    auto* pdfDoc = wxDynamicCast(doc, CPdfWinDoc);
    if (canvas_ && pdfDoc)
        ConnectPdfView(*canvas_, *pdfDoc);
    if (canvas_ && ((dviDoc && dviDoc->Dvi()) || pdfDoc)) {
        // The key of "Goto Typeset DVI" in the editor searches back from a page.
        Bind(wxEVT_MENU, &CBaseView::OnGotoSourceAtPointer, this, kIdGotoTypesetDvi);
        Bind(
            wxEVT_UPDATE_UI, [](wxUpdateUIEvent& e) { e.Enable(true); }, kIdGotoTypesetDvi);
    }
    frame->Show();
    PlaceBesideTheSources(frame);
    if (Services().App().Record().dviMaximize)
        frame->Maximize(true);
    if (canvas_) {
        canvas_->SetFocus();
        // Lay out at the window's size: a new view fits the page width.
        PageCanvas* canvas = canvas_;
        canvas->CallAfter([canvas] {
            if (PageView* view = canvas->View())
                view->SetPageMode(view->PageMode());
        });
    }
    return true;
}

void CBaseView::OnUpdate(wxView*, wxObject*) {
    // The document was read again: same page and zoom, new drawings.
    if (PageView* view = View())
        view->DocumentReloaded();
}

bool CBaseView::OnClose(bool deleteWindow) {
    if (!wxView::OnClose(deleteWindow))
        return false;
    Activate(false);
    // The document goes now, the window a little later: it must not draw from it.
    if (canvas_) {
        canvas_->Detach();
        canvas_ = nullptr;
    }
    return true;
}

void CBaseView::OnActivateView(bool activate, wxView*, wxView*) {
    if (activate) {
        if (PageView* view = View())
            view->UpdateStatus();
    }
}

void CBaseView::OnViewCommand(wxCommandEvent& e) {
    if (PageView* view = View())
        view->Execute(CommandOfMenuId(e.GetId()));
}

void CBaseView::OnGotoSourceAtPointer(wxCommandEvent&) {
    PageView* view = View();
    if (!view || !canvas_)
        return;
    const wxPoint at = canvas_->ScreenToClient(wxGetMousePosition());
    view->SetLastPoint(at.x, at.y);
    view->Execute(kCmdGotoSourceKey);
}

void CBaseView::OnUpdateViewCommand(wxUpdateUIEvent& e) {
    PageView* view = View();
    const int command = CommandOfMenuId(e.GetId());
    // Source links exist for DVI and PDF documents.
    const bool sourceCommand = command == kCmdGotoSource || command == kCmdGotoSourceKey;
    e.Enable(view != nullptr && (!sourceCommand || wxDynamicCast(GetDocument(), CDVIWinDoc) ||
                                 wxDynamicCast(GetDocument(), CPdfWinDoc)));
    if (view && e.IsCheckable())
        e.Check(view->IsChecked(CommandOfMenuId(e.GetId())));
}

}  // namespace quirn::gui

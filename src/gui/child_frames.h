// The document windows' frames: the TeX editor's (with its own keys) and the
// viewers', and the main frame they belong to.
#pragma once

#include <wx/app.h>
#include <wx/aui/tabmdi.h>
#include <wx/docview.h>

namespace quirn::gui {

// The document windows are pages of one tabbed notebook that can be split, so that a
// source and its pages are in sight side by side.
using DocParentFrame = wxDocParentFrameAny<wxAuiMDIParentFrame>;

class DocChildFrame : public wxDocChildFrameAny<wxAuiMDIChildFrame, wxAuiMDIParentFrame> {
  public:
    // Made in two steps, so that the window is realized through this class's handler.
    DocChildFrame(wxDocument* doc, wxView* view, wxAuiMDIParentFrame* parent, wxWindowID id,
                  const wxString& title, const wxPoint& pos = wxDefaultPosition,
                  const wxSize& size = wxDefaultSize, long style = wxDEFAULT_FRAME_STYLE) {
        Create(doc, view, parent, id, title, pos, size, style);
    }
#ifdef __WXGTK__
    // A notebook page is an ordinary child window, not a window of the desktop: the
    // top-level handler would treat it as one and the toolkit would complain.
    void GTKHandleRealized() override {
        wxWindow::GTKHandleRealized();
    }
#endif
};

class CQuirnMDITeXChildWnd : public DocChildFrame {
  public:
    using DocChildFrame::DocChildFrame;
};
class CQuirnMDIChildWnd : public DocChildFrame {
  public:
    using DocChildFrame::DocChildFrame;
};

// The main frame, which every document window belongs to.
inline DocParentFrame* ParentFrame() {
    return wxDynamicCast(wxTheApp->GetTopWindow(), DocParentFrame);
}

// The size a new document window is made with: the main frame's document area, which
// it fills. At the toolkit's default size (20 by 20) its contents would first be laid
// out in a window smaller than their own scroll bars.
inline wxSize DocumentAreaSize() {
    DocParentFrame* parent = ParentFrame();
    wxWindow* area = parent ? parent->GetClientWindow() : nullptr;
    wxSize size = area ? area->GetClientSize() : wxDefaultSize;
    return size.x > 0 && size.y > 0 ? size : wxDefaultSize;
}

}  // namespace quirn::gui

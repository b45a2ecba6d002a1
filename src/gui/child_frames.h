// The document windows' frames: the TeX editor's (with its own keys) and the
// viewers', and the main frame they belong to.
#pragma once

#include <wx/app.h>
#include <wx/docmdi.h>

namespace quirn::gui {

class CQuirnMDITeXChildWnd : public wxDocMDIChildFrame {
  public:
    using wxDocMDIChildFrame::wxDocMDIChildFrame;
};
class CQuirnMDIChildWnd : public wxDocMDIChildFrame {
  public:
    using wxDocMDIChildFrame::wxDocMDIChildFrame;
};

// The main frame, which every document window belongs to.
inline wxDocMDIParentFrame* ParentFrame() {
    return wxDynamicCast(wxTheApp->GetTopWindow(), wxDocMDIParentFrame);
}

// The size a new document window is made with: the main frame's document area, which
// it fills. At the toolkit's default size (20 by 20) its contents would first be laid
// out in a window smaller than their own scroll bars.
inline wxSize DocumentAreaSize() {
    wxDocMDIParentFrame* parent = ParentFrame();
    wxWindow* area = parent ? parent->GetClientWindow() : nullptr;
    wxSize size = area ? area->GetClientSize() : wxDefaultSize;
    return size.x > 0 && size.y > 0 ? size : wxDefaultSize;
}

}  // namespace quirn::gui

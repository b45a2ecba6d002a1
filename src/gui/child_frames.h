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

}  // namespace quirn::gui

// The document windows' frames: the TeX editor's (with its own keys) and the
// viewers'.
#pragma once

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

}  // namespace quirn::gui

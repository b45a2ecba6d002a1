// The project bar: the tree of open projects and their files, docked at the left.
#pragma once

#include <wx/panel.h>
#include <wx/treectrl.h>

namespace quirn::gui {

class CWorkspaceBar : public wxPanel {
  public:
    explicit CWorkspaceBar(wxWindow* parent);
    wxTreeCtrl* Tree() { return tree_; }

  private:
    wxTreeCtrl* tree_;
};

}  // namespace quirn::gui

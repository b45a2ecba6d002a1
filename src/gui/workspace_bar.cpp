#include "gui/workspace_bar.h"

#include <wx/sizer.h>

namespace quirn::gui {

CWorkspaceBar::CWorkspaceBar(wxWindow* parent) : wxPanel(parent, wxID_ANY) {
    tree_ = new wxTreeCtrl(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                           wxTR_HAS_BUTTONS | wxTR_HIDE_ROOT | wxTR_LINES_AT_ROOT);
    tree_->AddRoot("Projects");
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(tree_, 1, wxEXPAND);
    SetSizer(sizer);
}

}  // namespace quirn::gui

// The main window: the multiple-document frame with the output window docked at the
// bottom and the project bar at the left.
#pragma once

#include <wx/aui/aui.h>
#include <wx/docmdi.h>
#include <wx/timer.h>

#include "gui/output_bar.h"
#include "gui/workspace_bar.h"

namespace quirn {
class Profile;
}

namespace quirn::gui {

class CMainFrame : public wxDocMDIParentFrame {
  public:
    CMainFrame(wxDocManager* manager, const wxString& title);
    ~CMainFrame() override;

    COutputBar* OutputBar() { return output_; }
    CWorkspaceBar* WorkspaceBar() { return workspace_; }
    void ShowWorkspace(bool show);
    bool WorkspaceShown();

    // Window placement from and to the "Window" settings.
    void RestoreWindowState(Profile& profile);
    void SaveWindowState(Profile& profile, const std::string& fileOpenDir);

    // Restores a minimised window and brings it to the front (a second start asked).
    void BringToFront();

  private:
    void BuildMenus();
    void OnToggleOutput(wxCommandEvent&);
    void OnToggleWorkspace(wxCommandEvent&);
    void OnAbout(wxCommandEvent&);

    wxAuiManager aui_;
    COutputBar* output_;
    CWorkspaceBar* workspace_;
};

}  // namespace quirn::gui

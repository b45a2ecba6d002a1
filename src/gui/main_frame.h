// The main window: the multiple-document frame with the output window docked at the
// bottom and the project bar at the left.
#pragma once

#include <wx/aui/aui.h>
#include <wx/docmdi.h>
#include <wx/timer.h>

#include <string>

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
    void ShowOutput(bool show);

    // The status bar: an editor's "Line:%i Col:%i" and "OVR"; a page view's indicators
    // (the fields of PageViewHost's StatusField, in order).
    void SetEditorStatus(const std::string& position, const std::string& overtype);
    void SetViewStatus(int field, const std::string& text);

    // Window placement from and to the "Window" settings.
    void RestoreWindowState(Profile& profile);
    void SaveWindowState(Profile& profile, const std::string& fileOpenDir);

    // Restores a minimised window and brings it to the front (a second start asked).
    void BringToFront();

  private:
    void BuildMenus();
    void BuildToolBar();
    void OnTypeset(wxCommandEvent&);
    void OnCancelTypeset(wxCommandEvent&);
    void OnUpdateTypeset(wxUpdateUIEvent&);
    void OnToggleOutput(wxCommandEvent&);
    void OnToggleWorkspace(wxCommandEvent&);
    void OnAbout(wxCommandEvent&);

    wxAuiManager aui_;
    COutputBar* output_;
    CWorkspaceBar* workspace_;
};

}  // namespace quirn::gui

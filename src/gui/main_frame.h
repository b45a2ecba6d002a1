// The main window: the multiple-document frame with the output window docked at the
// bottom and the project bar at the left.
#pragma once

#include <wx/aui/aui.h>
#include <wx/timer.h>

#include <array>
#include <optional>
#include <string>

#include "gui/child_frames.h"
#include "gui/output_bar.h"
#include "gui/problems_panel.h"
#include "gui/workspace_bar.h"

namespace quirn {
class Profile;
}

namespace quirn::gui {

class CMainFrame : public DocParentFrame {
  public:
    CMainFrame(wxDocManager* manager, const wxString& title);
    ~CMainFrame() override;

    COutputBar* OutputBar() { return output_; }
    CProblemsPanel* Problems() { return problems_; }
    CWorkspaceBar* WorkspaceBar() { return workspace_; }
    void ShowWorkspace(bool show);
    bool WorkspaceShown();
    void ShowOutput(bool show);

    // The status bar: an editor's "Line:%i Col:%i" and "OVR"; a page view's indicators
    // (the fields of PageViewHost's StatusField, in order). The texts are shown at the
    // next turn of the event loop, never at once: they are set from inside paints (the
    // editor reports its caret while it draws) and from half-made windows, and the status
    // bar paints the whole window at once when its text changes.
    void SetEditorStatus(const std::string& position, const std::string& overtype);
    void SetViewStatus(int field, const std::string& text);

    // Window placement from and to the "Window" settings.
    void RestoreWindowState(Profile& profile);
    void SaveWindowState(Profile& profile, const std::string& fileOpenDir);
    // The pages' pane on the right was just split off: it gets the width it had when
    // the program last ended.
    void RestorePagePaneWidth();

    // The menu item whose shortcut (as the menus show it, "&Save\tCtrl+S") the key is,
    // or wxID_NONE.
    int MenuItemOfKey(const wxKeyEvent& key) const;
    // Runs a menu item as its shortcut does: when it is enabled once brought up to date.
    void RunMenuItem(int id);

    // Restores a minimised window and brings it to the front (a second start asked).
    void BringToFront();

    // The Window menu: one pane for all windows, or a pane each side by side (vertical)
    // or one above the other (horizontal).
    void Cascade() override;
    void Tile(wxOrientation orientation = wxHORIZONTAL) override;
    // The open windows at the end of the Window menu, the active one checked.
    void UpdateWindowList();

  private:
    // Thousandths of the document area's width left of the pages' pane, when the pages
    // have a pane of their own; 0 when they have not.
    int PagePaneStart();
    int pagePaneStart_ = 500;

    void BuildMenus();
    void OnWindowCommand(wxCommandEvent& e);
    void OnUpdateWindowCommand(wxUpdateUIEvent& e);
    void OnMenuOpen(wxMenuEvent& e);
    void OnCharHook(wxKeyEvent& e);
    void OnWindowListItem(wxCommandEvent& e);
    void BuildToolBar();
    void OnTypeset(wxCommandEvent&);
    void OnCancelTypeset(wxCommandEvent&);
    void OnUpdateTypeset(wxUpdateUIEvent&);
    void OnToggleOutput(wxCommandEvent&);
    void OnToggleWorkspace(wxCommandEvent&);
    void OnAbout(wxCommandEvent&);
    // The title names the active document as its window's title does (file name, " *"
    // when modified): "paper.tex * — Quirn". Checked when the event queue runs dry, so it
    // follows every way the active document, its name or its state can change.
    void OnIdle(wxIdleEvent& e);
    void SetStatusLater(int field, const wxString& text);
    void ShowPendingStatus();

    // Message, then the editor's position or the page view's five indicators.
    static constexpr int kStatusFields = 6;

    wxAuiManager aui_;
    COutputBar* output_;
    CProblemsPanel* problems_;
    CWorkspaceBar* workspace_;
    std::array<std::optional<wxString>, kStatusFields> pendingStatus_;
    bool statusQueued_ = false;
};

}  // namespace quirn::gui

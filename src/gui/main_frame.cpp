#include "gui/main_frame.h"

#include <wx/aboutdlg.h>
#include <wx/menu.h>

#include "app/profile.h"

namespace quirn::gui {

namespace {
enum { ID_VIEW_OUTPUT = wxID_HIGHEST + 1, ID_VIEW_WORKSPACE };
}

CMainFrame::CMainFrame(wxDocManager* manager, const wxString& title)
    : wxDocMDIParentFrame(manager, nullptr, wxID_ANY, title, wxDefaultPosition, wxSize(1000, 720)) {
    aui_.SetManagedWindow(this);
    output_ = new COutputBar(this);
    workspace_ = new CWorkspaceBar(this);
    aui_.AddPane(
        output_,
        wxAuiPaneInfo().Name("output").Caption("Output").Bottom().BestSize(-1, 180).CloseButton(
            true));
    aui_.AddPane(workspace_, wxAuiPaneInfo()
                                 .Name("workspace")
                                 .Caption("Projects")
                                 .Left()
                                 .BestSize(220, -1)
                                 .CloseButton(true));
    aui_.AddPane(GetClientWindow(), wxAuiPaneInfo().Name("documents").CenterPane());
    aui_.Update();
    BuildMenus();
    CreateStatusBar();
    SetStatusText("Ready");
}

CMainFrame::~CMainFrame() {
    aui_.UnInit();
}

void CMainFrame::BuildMenus() {
    auto* file = new wxMenu;
    file->Append(wxID_NEW);
    file->Append(wxID_OPEN);
    file->Append(wxID_CLOSE);
    file->Append(wxID_SAVE);
    file->Append(wxID_SAVEAS);
    file->AppendSeparator();
    file->Append(wxID_EXIT);
    GetDocumentManager()->FileHistoryUseMenu(file);

    auto* view = new wxMenu;
    view->AppendCheckItem(ID_VIEW_OUTPUT, "&Output Window");
    view->AppendCheckItem(ID_VIEW_WORKSPACE, "&Project Bar");
    view->Check(ID_VIEW_OUTPUT, true);
    view->Check(ID_VIEW_WORKSPACE, true);

    auto* help = new wxMenu;
    help->Append(wxID_ABOUT, "&About Quirn");

    auto* bar = new wxMenuBar;
    bar->Append(file, "&File");
    bar->Append(view, "&View");
    bar->Append(help, "&Help");
    SetMenuBar(bar);

    Bind(wxEVT_MENU, &CMainFrame::OnToggleOutput, this, ID_VIEW_OUTPUT);
    Bind(wxEVT_MENU, &CMainFrame::OnToggleWorkspace, this, ID_VIEW_WORKSPACE);
    Bind(wxEVT_MENU, &CMainFrame::OnAbout, this, wxID_ABOUT);
}

void CMainFrame::OnToggleOutput(wxCommandEvent& e) {
    aui_.GetPane("output").Show(e.IsChecked());
    aui_.Update();
}

void CMainFrame::OnToggleWorkspace(wxCommandEvent& e) {
    ShowWorkspace(e.IsChecked());
}

void CMainFrame::ShowWorkspace(bool show) {
    aui_.GetPane("workspace").Show(show);
    aui_.Update();
    if (wxMenuBar* bar = GetMenuBar())
        bar->Check(ID_VIEW_WORKSPACE, show);
}

bool CMainFrame::WorkspaceShown() {
    return aui_.GetPane("workspace").IsShown();
}

void CMainFrame::OnAbout(wxCommandEvent&) {
    wxAboutDialogInfo info;
    info.SetName("Quirn");
    info.SetVersion("6.0");
    info.SetDescription("A TeX working environment");
    wxAboutBox(info, this);
}

void CMainFrame::RestoreWindowState(Profile& profile) {
    int left = profile.GetInt("Window", "Left", 0);
    int top = profile.GetInt("Window", "Top", 0);
    int right = profile.GetInt("Window", "Right", 639);
    int bottom = profile.GetInt("Window", "Bottom", 479);
    int show = profile.GetInt("Window", "ShowCmd", 3);
    if (right > left && bottom > top)
        SetSize(left, top, right - left, bottom - top);
    ShowWorkspace(profile.GetInt("Settings", "ShowWorkspace", 1) != 0);
    if (show == 3)
        Maximize(true);
}

void CMainFrame::SaveWindowState(Profile& profile, const std::string& fileOpenDir) {
    wxRect r = IsMaximized() || IsIconized() ? GetRect() : GetRect();
    profile.WriteInt("Window", "Left", r.GetLeft());
    profile.WriteInt("Window", "Top", r.GetTop());
    profile.WriteInt("Window", "Right", r.GetRight() + 1);
    profile.WriteInt("Window", "Bottom", r.GetBottom() + 1);
    profile.WriteInt("Window", "ShowCmd", IsMaximized() ? 3 : (IsIconized() ? 2 : 1));
    profile.WriteText("Directories", "FileOpen", fileOpenDir);
    profile.WriteInt("Settings", "ShowWorkspace", WorkspaceShown() ? 1 : 0);
}

void CMainFrame::BringToFront() {
    if (IsIconized())
        Iconize(false);
    Show(true);
    Raise();
    RequestUserAttention();
}

}  // namespace quirn::gui

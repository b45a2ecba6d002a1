#include "gui/main_frame.h"

#include <wx/aboutdlg.h>
#include <wx/gdicmn.h>
#include <wx/menu.h>
#include <wx/toolbar.h>

#include <memory>

#include "app/profile.h"
#include "gui/command_ids.h"
#include "gui/editor_view.h"
#include "gui/graphics_commands.h"
#include "gui/gui_services.h"
#include "gui/option_dialog.h"
#include "gui/package_dialog.h"
#include "gui/page_view_window.h"
#include "gui/project_menus.h"
#include "gui/spelling.h"
#include "gui/tools_menu.h"
#include "gui/typeset_bridge.h"
#include "view/view_commands.h"

namespace quirn::gui {

namespace {
enum { ID_VIEW_OUTPUT = wxID_HIGHEST + 1, ID_VIEW_WORKSPACE, ID_TYPESET, ID_CANCEL_TYPESET };

// The Window menu's list of open windows: one item per notebook page, in page order.
constexpr int kIdWindowListFirst = wxID_HIGHEST + 800;
constexpr int kWindowListLength = 20;

// The item of `menu` or its submenus whose shortcut is `key` with `modifiers`.
int ItemOfShortcut(const wxMenu& menu, int key, int modifiers) {
    for (const wxMenuItem* item : menu.GetMenuItems()) {
        if (const wxMenu* sub = item->GetSubMenu()) {
            if (int id = ItemOfShortcut(*sub, key, modifiers); id != wxID_NONE)
                return id;
            continue;
        }
        std::unique_ptr<wxAcceleratorEntry> accel(item->GetAccel());
        if (accel && accel->IsOk() && accel->GetFlags() == modifiers && accel->GetKeyCode() == key)
            return item->GetId();
    }
    return wxID_NONE;
}

}  // namespace

CMainFrame::CMainFrame(wxDocManager* manager, const wxString& title)
    : DocParentFrame(manager, nullptr, wxID_ANY, title, wxDefaultPosition, wxSize(1000, 720)) {
    aui_.SetManagedWindow(this);
    output_ = new COutputBar(this);
    workspace_ = new CWorkspaceBar(this);
    aui_.AddPane(
        output_,
        wxAuiPaneInfo().Name("output").Caption("Output").Bottom().BestSize(-1, 180).CloseButton(
            true));
    problems_ = new CProblemsPanel(this);
    aui_.AddPane(problems_, wxAuiPaneInfo()
                                .Name("problems")
                                .Caption("Errors and Warnings")
                                .Bottom()
                                .Position(1)
                                .BestSize(420, 180)
                                .CloseButton(true));
    aui_.AddPane(workspace_, wxAuiPaneInfo()
                                 .Name("workspace")
                                 .Caption("Projects")
                                 .Left()
                                 .BestSize(220, -1)
                                 .CloseButton(true));
    aui_.AddPane(GetClientWindow(), wxAuiPaneInfo().Name("documents").CenterPane());
    aui_.Update();
    BuildMenus();
    BuildToolBar();
    CreateStatusBar(kStatusFields);
    const int widths[kStatusFields] = {-3, -2, -2, 90, 70, -4};
    SetStatusWidths(kStatusFields, widths);
    SetStatusText("Ready");
    Bind(wxEVT_IDLE, &CMainFrame::OnIdle, this);
}

CMainFrame::~CMainFrame() {
    aui_.UnInit();
}

void CMainFrame::BuildMenus() {
    auto* file = new wxMenu;
    file->Append(wxID_NEW, "&New\tCtrl+N");
    file->Append(wxID_OPEN, "&Open...\tCtrl+O");
    file->Append(wxID_CLOSE, "&Close\tCtrl+W");
    file->Append(wxID_SAVE, "&Save\tCtrl+S");
    file->Append(wxID_SAVEAS, "Save &As...");
    file->AppendSeparator();
    AddExportMenuItems(file);
    file->Append(wxID_PRINT, "&Print...\tCtrl+P");
    file->AppendSeparator();
    file->Append(wxID_EXIT, "E&xit");
    GetDocumentManager()->FileHistoryUseMenu(file);

    auto* edit = new wxMenu;
    edit->Append(wxID_UNDO, "&Undo\tCtrl+Z");
    edit->Append(wxID_REDO, "&Redo\tCtrl+Y");
    edit->AppendSeparator();
    edit->Append(wxID_CUT, "Cu&t\tCtrl+X");
    edit->Append(wxID_COPY, "&Copy\tCtrl+C");
    edit->Append(wxID_PASTE, "&Paste\tCtrl+V");
    edit->Append(wxID_CLEAR, "&Delete\tDel");
    edit->Append(wxID_SELECTALL, "Select &All\tCtrl+A");
    edit->AppendSeparator();
    edit->Append(wxID_FIND, "&Find...\tCtrl+F");
    edit->Append(wxID_REPLACE, "R&eplace...\tCtrl+H");
    edit->Append(kIdFindNext, "Find &Next\tF3");
    edit->AppendCheckItem(kIdWordWrap, "&Word Wrap");

    auto* lists = new wxMenu;
    lists->Append(kIdListItemized, "&Itemized");
    lists->Append(kIdListEnumerated, "&Enumerated");
    lists->Append(kIdListDescription, "&Description");
    auto* tex = new wxMenu;
    tex->Append(kIdGoToLine, "&Go To TeX Line...\tCtrl+G");
    tex->Append(kIdDeleteLine, "&Delete Line\tCtrl+K");
    tex->Append(kIdMatchBrace, "&Match Brace or $\tCtrl+]");
    tex->Append(kIdFindMismatch, "Find Mis&matched Brace or $\tCtrl+Shift+]");
    tex->Append(kIdBlockComment, "Block &Comment/Uncomment\tCtrl+Shift+5");
    tex->Append(kIdSetBookmark, "Set &Bookmark\tCtrl+B");
    tex->Append(kIdJumpBookmark, "&Jump to Bookmark\tCtrl+J");
    tex->AppendSubMenu(lists, "Insert &Lists");
    AddGraphicsMenuItems(tex);
    tex->AppendSeparator();
    tex->Append(kIdGotoTypesetDvi, "Goto &Typeset DVI\tF8");
    tex->Append(kIdCommandHelp, "&Help on Command\tF1");
    tex->Append(kIdSpellCheck, "&Spell Check\tF5");
    tex->AppendSeparator();
    tex->Append(kIdInsertPackage, "Insert &Package...");
    tex->Append(kIdClassOptions, "Document C&lass Options...");
    tex->Append(kIdPackageManager, "Package &Manager...");

    auto* view = new wxMenu;
    view->AppendCheckItem(ID_VIEW_OUTPUT, "&Output Window");
    view->AppendCheckItem(ID_VIEW_WORKSPACE, "&Project Bar");
    view->Check(ID_VIEW_OUTPUT, true);
    view->Check(ID_VIEW_WORKSPACE, true);
    view->AppendSeparator();
    view->AppendRadioItem(MenuIdOf(kCmdContinuous), "Continuous");
    view->AppendRadioItem(MenuIdOf(kCmdSinglePage), "Single Page");
    view->AppendRadioItem(MenuIdOf(kCmdTwoPages), "Two Pages");
    view->AppendRadioItem(MenuIdOf(kCmdBook), "Book");
    auto* zoom = new wxMenu;
    zoom->Append(MenuIdOf(kCmdZoomWholePage), "to Whole &Page");
    zoom->Append(MenuIdOf(kCmdZoomPageWidth), "to Page &Width");
    zoom->Append(MenuIdOf(kCmdZoomVisibleWidth), "to Visible &Width");
    zoom->Append(MenuIdOf(kCmdZoomSelection), "to Selection");
    zoom->AppendSeparator();
    zoom->Append(MenuIdOf(kCmdZoomUp), "&Up");
    zoom->Append(MenuIdOf(kCmdZoomDown), "&Down");
    view->AppendSubMenu(zoom, "&Zoom");
    auto* go = new wxMenu;
    go->Append(MenuIdOf(kCmdFirstPage), "&First Page");
    go->Append(MenuIdOf(kCmdPreviousPage), "P&revious Page");
    go->Append(MenuIdOf(kCmdNextPage), "&Next Page");
    go->Append(MenuIdOf(kCmdLastPage), "&Last Page");
    go->Append(MenuIdOf(kCmdSelectPage), "&Select Page");
    view->AppendSubMenu(go, "&Go To");
    view->AppendSeparator();
    view->AppendRadioItem(MenuIdOf(kCmdSelectionTool), "Selection Tool");
    view->AppendRadioItem(MenuIdOf(kCmdMagnifierTool), "&Magnification Tool");
    view->AppendRadioItem(MenuIdOf(kCmdFontInfoTool), "Font Info Tool");
    view->AppendSeparator();
    view->AppendCheckItem(MenuIdOf(kCmdToggleRuler), "Toggle &Ruler");
    view->Append(MenuIdOf(kCmdSetRulerOrigin), "Set Ruler &Origin");
    auto* units = new wxMenu;
    for (const UnitEntry& unit : kUnits)
        units->AppendRadioItem(MenuIdOf(unit.command), unit.menuText);
    view->AppendSubMenu(units, "&Units");
    auto* colours = new wxMenu;
    colours->AppendRadioItem(MenuIdOf(kCmdGreys), "B&&W/Greys");
    colours->AppendRadioItem(MenuIdOf(kCmdColours), "Colors");
    view->AppendSubMenu(colours, "&Display");
    auto* smoothing = new wxMenu;
    smoothing->AppendRadioItem(MenuIdOf(kCmdSmoothAuto), "&Auto");
    smoothing->AppendRadioItem(MenuIdOf(kCmdSmoothAlways), "A&lways");
    smoothing->AppendRadioItem(MenuIdOf(kCmdSmoothNever), "&Never");
    view->AppendSubMenu(smoothing, "&Smoothing");
    view->Append(MenuIdOf(kCmdGotoSource), "&Goto TeX Source");
    view->AppendCheckItem(kIdDarkPages, "Dar&k Pages");

    auto* typeset = new wxMenu;
    typeset->Append(ID_TYPESET, "&Typeset\tCtrl+T");
    typeset->Append(ID_CANCEL_TYPESET, "&Cancel Typesetting");

    auto* help = new wxMenu;
    help->Append(wxID_ABOUT, "&About Quirn");

    // The notebook frame puts this menu before Help.
    auto* window = new wxMenu;
    window->Append(wxID_MDI_WINDOW_TILE_VERT, "Tile &Vertically");
    window->Append(wxID_MDI_WINDOW_TILE_HORZ, "Tile &Horizontally");
    window->Append(wxID_MDI_WINDOW_CASCADE, "&Cascade");
    window->AppendSeparator();
    window->Append(wxID_MDI_WINDOW_NEXT, "&Next Window\tCtrl+Tab");
    window->Append(wxID_MDI_WINDOW_PREV, "&Previous Window\tCtrl+Shift+Tab");
    window->AppendSeparator();
    SetWindowMenu(window);

    auto* bar = new wxMenuBar;
    bar->Append(file, "&File");
    bar->Append(edit, "&Edit");
    bar->Append(tex, "Te&X");
    bar->Append(view, "&View");
    bar->Append(typeset, "&Typeset");
    bar->Append(help, "&Help");
    InstallToolsMenu(*this, *bar);
    AddProjectMenus(*this, *bar, *tex);
    SetMenuBar(bar);

    Bind(wxEVT_MENU, &CMainFrame::OnToggleOutput, this, ID_VIEW_OUTPUT);
    Bind(wxEVT_MENU, &CMainFrame::OnToggleWorkspace, this, ID_VIEW_WORKSPACE);
    Bind(wxEVT_MENU, &CMainFrame::OnAbout, this, wxID_ABOUT);
    Bind(
        wxEVT_MENU, [](wxCommandEvent& e) { SetDarkPages(e.IsChecked()); }, kIdDarkPages);
    Bind(
        wxEVT_UPDATE_UI,
        [](wxUpdateUIEvent& e) { e.Check(Services().App().Record().darkPages != 0); },
        kIdDarkPages);
    Bind(wxEVT_MENU, &CMainFrame::OnWindowCommand, this, wxID_MDI_WINDOW_FIRST,
         wxID_MDI_WINDOW_LAST);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateWindowCommand, this, wxID_MDI_WINDOW_FIRST,
         wxID_MDI_WINDOW_LAST);
    Bind(wxEVT_MENU, &CMainFrame::OnWindowListItem, this, kIdWindowListFirst,
         kIdWindowListFirst + kWindowListLength - 1);
    Bind(wxEVT_MENU_OPEN, &CMainFrame::OnMenuOpen, this);
    // Ctrl+Tab cannot be a menu accelerator here, and the windows would take it to move
    // the focus: the frame sees it first.
    Bind(wxEVT_CHAR_HOOK, &CMainFrame::OnCharHook, this);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { InsertPackage(this); }, kIdInsertPackage);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { ConfigureDocumentClass(this); }, kIdClassOptions);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { ShowPackageDialog(this); }, kIdPackageManager);
    Bind(wxEVT_MENU, &CMainFrame::OnTypeset, this, ID_TYPESET);
    Bind(wxEVT_MENU, &CMainFrame::OnCancelTypeset, this, ID_CANCEL_TYPESET);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateTypeset, this, ID_TYPESET);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateTypeset, this, ID_CANCEL_TYPESET);
    BindGraphicsCommands(this);
}

void CMainFrame::BuildToolBar() {
    wxToolBar* tools = CreateToolBar(wxTB_HORIZONTAL | wxTB_TEXT | wxTB_NOICONS);
    tools->AddTool(wxID_OPEN, "Open", wxNullBitmap, "Open a file");
    tools->AddTool(wxID_SAVE, "Save", wxNullBitmap, "Save the document");
    tools->AddSeparator();
    tools->AddTool(ID_TYPESET, "Typeset", wxNullBitmap, "Typeset the document");
    tools->AddSeparator();
    tools->AddTool(MenuIdOf(kCmdPreviousPage), "Previous", wxNullBitmap, "Previous page");
    tools->AddTool(MenuIdOf(kCmdNextPage), "Next", wxNullBitmap, "Next page");
    tools->AddTool(MenuIdOf(kCmdZoomDown), "Zoom Out", wxNullBitmap, "Zoom down");
    tools->AddTool(MenuIdOf(kCmdZoomUp), "Zoom In", wxNullBitmap, "Zoom up");
    tools->Realize();
}

void CMainFrame::OnTypeset(wxCommandEvent&) {
    Services().Typeset().TypesetActiveDocument();
}

void CMainFrame::OnCancelTypeset(wxCommandEvent&) {
    if (Typesetter* t = Services().Typeset().GetTypesetter())
        t->Cancel();
}

void CMainFrame::OnUpdateTypeset(wxUpdateUIEvent& e) {
    Typesetter* t = Services().Typeset().GetTypesetter();
    bool busy = t && t->Busy();
    e.Enable(e.GetId() == ID_TYPESET ? !busy : busy);
}

void CMainFrame::SetEditorStatus(const std::string& position, const std::string& overtype) {
    SetStatusLater(1, wxString::FromUTF8(position));
    SetStatusLater(2, wxString::FromUTF8(overtype));
    for (int i = 3; i < kStatusFields; ++i)
        SetStatusLater(i, wxString());
}

void CMainFrame::SetViewStatus(int field, const std::string& text) {
    if (field >= 0 && field + 1 < kStatusFields)
        SetStatusLater(field + 1, wxString::FromUTF8(text));
}

void CMainFrame::OnIdle(wxIdleEvent& e) {
    e.Skip();
    wxString title = "Quirn";
    if (wxAuiMDIChildFrame* child = GetActiveChild(); child && !child->GetTitle().empty())
        title = child->GetTitle() + wxString::FromUTF8(" \xE2\x80\x94 ") + title;
    if (GetTitle() != title)
        SetTitle(title);
}

void CMainFrame::SetStatusLater(int field, const wxString& text) {
    pendingStatus_[static_cast<std::size_t>(field)] = text;
    if (!statusQueued_) {
        statusQueued_ = true;
        CallAfter(&CMainFrame::ShowPendingStatus);  // dropped if the frame goes first
    }
}

void CMainFrame::ShowPendingStatus() {
    statusQueued_ = false;
    for (int i = 0; i < kStatusFields; ++i) {
        std::optional<wxString>& text = pendingStatus_[static_cast<std::size_t>(i)];
        if (text && GetStatusBar())
            SetStatusText(*text, i);
        text.reset();
    }
}

int CMainFrame::MenuItemOfKey(const wxKeyEvent& e) const {
    const int key = e.GetKeyCode();  // letters come in upper case, as in the menus
    const bool functionKey = key >= WXK_F1 && key <= WXK_F24;
    const int modifiers = e.GetModifiers() & (wxMOD_ALT | wxMOD_CONTROL | wxMOD_SHIFT);
    // Plain keys other than function keys are typing and editing keys.
    const wxMenuBar* bar = GetMenuBar();
    if (!bar || (!functionKey && !(modifiers & (wxMOD_ALT | wxMOD_CONTROL))))
        return wxID_NONE;
    for (std::size_t i = 0; i < bar->GetMenuCount(); ++i) {
        if (int id = ItemOfShortcut(*bar->GetMenu(i), key, modifiers); id != wxID_NONE)
            return id;
    }
    return wxID_NONE;
}

void CMainFrame::RunMenuItem(int id) {
    wxMenuBar* bar = GetMenuBar();
    wxMenu* menu = nullptr;
    wxMenuItem* item = bar ? bar->FindItem(id, &menu) : nullptr;
    if (!item || !menu)
        return;
    menu->UpdateUI(GetEventHandler());
    if (item->IsEnabled())
        ProcessCommand(item);
}

void CMainFrame::ShowOutput(bool show) {
    aui_.GetPane("output").Show(show);
    aui_.Update();
    if (wxMenuBar* bar = GetMenuBar())
        bar->Check(ID_VIEW_OUTPUT, show);
}

void CMainFrame::OnToggleOutput(wxCommandEvent& e) {
    ShowOutput(e.IsChecked());
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
    info.SetVersion(QUIRN_VERSION);
    info.SetDescription("A TeX working environment");
    wxAboutBox(info, this);
}

void CMainFrame::RestoreWindowState(Profile& profile) {
    int left = profile.GetInt("Window", "Left", 0);
    int top = profile.GetInt("Window", "Top", 0);
    int right = profile.GetInt("Window", "Right", 639);
    int bottom = profile.GetInt("Window", "Bottom", 479);
    int show = profile.GetInt("Window", "ShowCmd", 3);
    pagePaneStart_ = std::clamp(profile.GetInt("Window", "PagePaneStart", 500), 100, 900);
    if (right > left && bottom > top)
        SetSize(left, top, right - left, bottom - top);
    ShowWorkspace(profile.GetInt("Settings", "ShowWorkspace", 1) != 0);
    if (show == 3) {
        // Without a window manager maximising does nothing: take the screen's work area.
        SetSize(wxGetClientDisplayRect());
        Maximize(true);
    }
}

void CMainFrame::SaveWindowState(Profile& profile, const std::string& fileOpenDir) {
    wxRect r = IsMaximized() || IsIconized() ? GetRect() : GetRect();
    profile.WriteInt("Window", "Left", r.GetLeft());
    profile.WriteInt("Window", "Top", r.GetTop());
    profile.WriteInt("Window", "Right", r.GetRight() + 1);
    profile.WriteInt("Window", "Bottom", r.GetBottom() + 1);
    profile.WriteInt("Window", "ShowCmd", IsMaximized() ? 3 : (IsIconized() ? 2 : 1));
    if (const int start = PagePaneStart(); start > 0)
        pagePaneStart_ = start;
    profile.WriteInt("Window", "PagePaneStart", pagePaneStart_);
    profile.WriteText("Directories", "FileOpen", fileOpenDir);
    profile.WriteInt("Settings", "ShowWorkspace", WorkspaceShown() ? 1 : 0);
}

int CMainFrame::PagePaneStart() {
    wxAuiNotebook* book = GetNotebook();
    if (!book || book->GetClientSize().x <= 0)
        return 0;
    wxAuiTabCtrl* first = nullptr;
    int at = 0;
    if (book->GetPageCount() == 0 || !book->FindTab(book->GetPage(0), &first, &at))
        return 0;
    for (size_t i = 0; i < book->GetPageCount(); ++i) {
        wxWindow* page = book->GetPage(i);
        wxAuiTabCtrl* tabs = nullptr;
        if (dynamic_cast<CQuirnMDIChildWnd*>(page) == nullptr || !book->FindTab(page, &tabs, &at) ||
            tabs == first)
            continue;
        const int x = tabs->GetScreenPosition().x - book->GetScreenPosition().x;
        if (x <= 0)
            return 0;  // the pages are not beside the sources (tiled one above the other)
        return std::clamp(x * 1000 / book->GetClientSize().x, 100, 900);
    }
    return 0;
}

void CMainFrame::RestorePagePaneWidth() {
    wxAuiNotebook* book = GetNotebook();
    if (!book)
        return;
    // The notebook keeps the panes' sizes in its layout manager; its saved layout names
    // the right-hand dock's width, which is set and read back.
    auto& manager = const_cast<wxAuiManager&>(book->GetAuiManager());
    wxString layout = manager.SavePerspective();
    const wxString key = "|dock_size(2,";
    const size_t at = layout.find(key);
    if (at == wxString::npos)
        return;
    const size_t equals = layout.find('=', at);
    const size_t end = layout.find('|', equals);
    if (equals == wxString::npos || end == wxString::npos)
        return;
    const int width = book->GetClientSize().x * (1000 - pagePaneStart_) / 1000;
    layout.replace(equals + 1, end - equals - 1, wxString::Format("%d", width));
    manager.LoadPerspective(layout, true);
}

void CMainFrame::BringToFront() {
    if (IsIconized())
        Iconize(false);
    Show(true);
    Raise();
    RequestUserAttention();
}

}  // namespace quirn::gui

namespace quirn::gui {

// Every page back into one pane: a page whose pane is not the first page's is taken out
// of the notebook and put back, which adds it to the first page's pane.
void CMainFrame::Cascade() {
    wxAuiNotebook* book = GetNotebook();
    if (!book || book->GetPageCount() < 2)
        return;
    wxWindow* active = book->GetCurrentPage();
    wxAuiTabCtrl* home = nullptr;
    int at = 0;
    if (!book->FindTab(book->GetPage(0), &home, &at))
        return;
    book->SetSelection(0);
    for (size_t i = 1; i < book->GetPageCount(); ++i) {
        wxWindow* page = book->GetPage(i);
        wxAuiTabCtrl* tabs = nullptr;
        if (!book->FindTab(page, &tabs, &at) || tabs == home)
            continue;
        const wxString caption = book->GetPageText(i);
        const wxBitmap bitmap = book->GetPageBitmap(i);
        book->RemovePage(i);
        book->SetSelection(0);
        book->InsertPage(i, page, caption, false, bitmap);
    }
    if (active)
        book->SetSelection(static_cast<size_t>(book->GetPageIndex(active)));
}

// Side by side (vertically) or one above the other: a pane for every page.
void CMainFrame::Tile(wxOrientation orientation) {
    Cascade();
    wxAuiNotebook* book = GetNotebook();
    if (!book)
        return;
    for (size_t i = 1; i < book->GetPageCount(); ++i)
        book->Split(i, orientation == wxVERTICAL ? wxRIGHT : wxBOTTOM);
}

void CMainFrame::OnWindowCommand(wxCommandEvent& e) {
    switch (e.GetId()) {
        case wxID_MDI_WINDOW_TILE_VERT:
            Tile(wxVERTICAL);
            break;
        case wxID_MDI_WINDOW_TILE_HORZ:
            Tile(wxHORIZONTAL);
            break;
        case wxID_MDI_WINDOW_CASCADE:
            Cascade();
            break;
        case wxID_MDI_WINDOW_NEXT:
            ActivateNext();
            break;
        case wxID_MDI_WINDOW_PREV:
            ActivatePrevious();
            break;
        default:
            break;
    }
    if (wxAuiMDIChildFrame* child = GetActiveChild())
        child->SetFocus();
}

void CMainFrame::OnUpdateWindowCommand(wxUpdateUIEvent& e) {
    wxAuiNotebook* book = GetNotebook();
    const size_t pages = book ? book->GetPageCount() : 0;
    e.Enable(e.GetId() == wxID_MDI_WINDOW_CASCADE || e.GetId() == wxID_MDI_WINDOW_TILE_VERT ||
                     e.GetId() == wxID_MDI_WINDOW_TILE_HORZ
                 ? pages > 1
                 : pages > 0);
}

void CMainFrame::OnCharHook(wxKeyEvent& e) {
    const int modifiers = e.GetModifiers() & ~wxMOD_SHIFT;
    if (e.GetKeyCode() != WXK_TAB || modifiers != wxMOD_CONTROL) {
        e.Skip();
        return;
    }
    RunMenuItem(e.ShiftDown() ? wxID_MDI_WINDOW_PREV : wxID_MDI_WINDOW_NEXT);
}

void CMainFrame::OnMenuOpen(wxMenuEvent& e) {
    e.Skip();
    if (e.GetMenu() && e.GetMenu() == GetWindowMenu())
        UpdateWindowList();
}

void CMainFrame::UpdateWindowList() {
    wxMenu* window = GetWindowMenu();
    if (!window)
        return;
    for (int i = 0; i < kWindowListLength; ++i) {
        if (window->FindItem(kIdWindowListFirst + i))
            window->Delete(kIdWindowListFirst + i);
    }
    wxAuiNotebook* book = GetNotebook();
    if (!book)
        return;
    const int selected = book->GetSelection();
    const int count = std::min<int>(static_cast<int>(book->GetPageCount()), kWindowListLength);
    for (int i = 0; i < count; ++i) {
        wxString title = book->GetPageText(static_cast<size_t>(i));
        title.Replace("&", "&&", true);
        const wxString label = wxString::Format("&%d %s", (i + 1) % 10, title);
        window->AppendCheckItem(kIdWindowListFirst + i, label)->Check(i == selected);
    }
}

void CMainFrame::OnWindowListItem(wxCommandEvent& e) {
    wxAuiNotebook* book = GetNotebook();
    const int index = e.GetId() - kIdWindowListFirst;
    if (!book || index < 0 || index >= static_cast<int>(book->GetPageCount()))
        return;
    book->SetSelection(static_cast<size_t>(index));
    if (wxAuiMDIChildFrame* child = GetActiveChild())
        child->SetFocus();
}

}  // namespace quirn::gui

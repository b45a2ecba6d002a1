#include "gui/project_menus.h"

#include <wx/aui/auibook.h>
#include <wx/fdrepdlg.h>
#include <wx/filedlg.h>
#include <wx/menu.h>

#include <fstream>
#include <sstream>

#include "app/settings.h"
#include "dvi/fonts/dvi_math.h"
#include "dvi/interpret_page.h"
#include "dvi/text_search.h"
#include "gui/editor_view.h"
#include "gui/gui_services.h"
#include "gui/label_picker_dialog.h"
#include "gui/main_frame.h"
#include "gui/page_view_window.h"
#include "gui/workspace_bar.h"
#include "platform/paths.h"
#include "view/page_view.h"

namespace quirn::gui {
namespace {

enum {
    kIdShowWorkspace = wxID_HIGHEST + 1600,
    kIdAddFiles,
    kIdRenameProject,
    kIdCloseProject,
    kIdNewProject,
    kIdOpenProject,
    kIdSaveProject,
    kIdWordCount,
    kIdInsertReference,
    kIdInsertCite,
    kIdTileProjectHorizontally,
    kIdTileProjectVertically,
};

CWorkspaceBar* Bar() {
    CMainFrame* frame = Services().MainFrame();
    return frame ? frame->WorkspaceBar() : nullptr;
}

// The active page view of a DVI document, or null.
CBaseView* ActiveDviView(CDVIDoc** dvi) {
    wxDocManager* docs = wxDocManager::GetDocumentManager();
    auto* view = docs ? dynamic_cast<CBaseView*>(docs->GetCurrentView()) : nullptr;
    auto* doc = view ? dynamic_cast<CDVIWinDoc*>(view->GetDocument()) : nullptr;
    if (!doc || !doc->Dvi() || !view->View())
        return nullptr;
    *dvi = doc->Dvi();
    return view;
}

// The page views' Find: one dialog, the last match shared by the views.
struct PageFind {
    wxFindReplaceData data{wxFR_DOWN};
    wxFindReplaceDialog* dialog = nullptr;
    SearchState state;
    const CDVIDoc* stateDoc = nullptr;
};

PageFind& Finder() {
    static PageFind finder;
    return finder;
}

void FindNextInPages(CMainFrame& frame) {
    PageFind& f = Finder();
    CDVIDoc* dvi = nullptr;
    CBaseView* view = ActiveDviView(&dvi);
    const std::string text = f.data.GetFindString().utf8_string();
    if (!view || text.empty())
        return;
    if (f.stateDoc != dvi)
        f.state = SearchState{};
    PageView& pages = *view->View();
    // A highlight the view no longer shows is not where the next search starts.
    if (f.state.highlighted && f.state.page != pages.CurrentPage())
        f.state.highlighted = false;
    frame.SetStatusText("", 0);
    const int flags = f.data.GetFlags();
    FindOutcome outcome = FindInDVI(*dvi, pages.CurrentPage(), text, (flags & wxFR_MATCHCASE) != 0,
                                    (flags & wxFR_DOWN) != 0, f.state);
    f.stateDoc = dvi;
    if (outcome.wrappedAtEnd)
        frame.SetStatusText(kWrappedAtEnd, 0);
    if (outcome.wrappedAtBeginning)
        frame.SetStatusText(kWrappedAtBeginning, 0);
    if (!outcome.found) {
        Services().Prompt().ShowMessage(kTextNotFound);
        return;
    }
    pages.SelectAndReveal(f.state.page, f.state.highlight, 1000);
}

void OnFind(CMainFrame& frame, wxCommandEvent& e) {
    CDVIDoc* dvi = nullptr;
    if (!ActiveDviView(&dvi)) {
        e.Skip();
        return;
    }
    PageFind& f = Finder();
    if (e.GetId() == kIdFindNext && !f.data.GetFindString().empty()) {
        FindNextInPages(frame);
        return;
    }
    if (!f.dialog) {
        f.dialog = new wxFindReplaceDialog(&frame, &f.data, "Find");
        f.dialog->Bind(wxEVT_FIND, [&frame](wxFindDialogEvent&) { FindNextInPages(frame); });
        f.dialog->Bind(wxEVT_FIND_NEXT, [&frame](wxFindDialogEvent&) { FindNextInPages(frame); });
        f.dialog->Bind(wxEVT_FIND_CLOSE, [](wxFindDialogEvent& ev) {
            Finder().dialog = nullptr;
            ev.GetDialog()->Destroy();
        });
    }
    f.dialog->Show();
    f.dialog->Raise();
}

// Word Count for the active DVI view: its selection, or every page.
void WordCount(CMainFrame& frame) {
    CDVIDoc* dvi = nullptr;
    CBaseView* view = ActiveDviView(&dvi);
    if (!view)
        return;
    PageView& pages = *view->View();
    WordSelection selection;
    const CanvasRect sel = pages.Selection();
    // The highlight of a found text is shown as the selection but is none.
    const SearchState& found = Finder().state;
    auto scaled = [&](int v) {
        return static_cast<int>(static_cast<long long>(v) * pages.Resolution() / 1000);
    };
    const bool isHighlight =
        found.highlighted && Finder().stateDoc == dvi && found.page == pages.SelectionPage() &&
        sel.left == scaled(found.highlight.left) && sel.top == scaled(found.highlight.top) &&
        sel.right == scaled(found.highlight.right) && sel.bottom == scaled(found.highlight.bottom);
    const bool selected = !sel.Empty() && pages.SelectionPage() >= 0 && !isHighlight;
    if (selected) {
        const double s = PixelsPerDviUnit(*dvi, pages.Resolution());
        auto unit = [s](int px) { return TruncToInt32(px / s); };
        selection = {unit(sel.left), unit(sel.top), unit(sel.right), unit(sel.bottom)};
    }
    frame.SetStatusText("Counting words ...", 0);
    WordCountResult result =
        CountWords(*dvi, selected ? &selection : nullptr, pages.SelectionPage(), LocaleDateTime());
    frame.SetStatusText("", 0);
    if (!result.logWritten)
        Services().Prompt().ShowMessage("Cannot create word count log file.");
    if (CWorkspaceBar* bar = Bar()) {
        if (Project* project = bar->Projects().Current())
            bar->Projects().List().AddFile(*project, result.logPath);
    }
    Services().Prompt().ShowMessage(result.message);
}

void NewProject(CMainFrame& frame) {
    wxFileDialog dialog(&frame, "New Project", "", "", "TeX files (*.tex)|*.tex",
                        wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dialog.ShowModal() != wxID_OK)
        return;
    std::string path = dialog.GetPath().utf8_string();
    if (ExtensionOf(path).empty())
        path += ".tex";
    if (!FileExists(path))
        std::ofstream(path, std::ios::binary);
    if (CWorkspaceBar* bar = Bar())
        bar->Projects().Open(path);
}

void OpenProject(CMainFrame& frame) {
    wxFileDialog dialog(&frame, "Open Project", "", "",
                        "Projects (*.ptp)|*.ptp|TeX files (*.tex)|*.tex|All files (*)|*",
                        wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    if (dialog.ShowModal() != wxID_OK)
        return;
    if (CWorkspaceBar* bar = Bar())
        bar->Projects().Open(dialog.GetPath().utf8_string());
}

// TileProject: only the current project's windows get panes of their own, side by side
// (vertically) or one above the other; the other windows stay behind in the first pane.
// Without a current project the ordinary tiling applies.
void TileProject(CMainFrame& frame, wxOrientation orientation) {
    CWorkspaceBar* bar = Bar();
    Project* project = bar ? bar->Projects().Current() : nullptr;
    if (!project) {
        frame.Tile(orientation);
        return;
    }
    frame.Cascade();
    wxAuiNotebook* book = frame.GetNotebook();
    wxDocManager* docs = wxDocManager::GetDocumentManager();
    if (!book || !docs)
        return;
    bool first = true;
    for (size_t i = 0; i < book->GetPageCount(); ++i) {
        wxWindow* page = book->GetPage(i);
        bool ours = false;
        for (wxDocument* doc : docs->GetDocumentsVector()) {
            for (wxView* view : doc->GetViewsVector()) {
                if (view->GetFrame() == page)
                    ours = project->Contains(doc->GetFilename().utf8_string());
            }
        }
        if (!ours)
            continue;
        if (!first)
            book->Split(i, orientation == wxVERTICAL ? wxRIGHT : wxBOTTOM);
        first = false;
    }
}

void OnProjectCommand(CMainFrame& frame, wxCommandEvent& e) {
    CWorkspaceBar* bar = Bar();
    if (!bar)
        return;
    Project* current = bar->Projects().Current();
    switch (e.GetId()) {
        case kIdShowWorkspace:
            frame.ShowWorkspace(true);
            break;
        case kIdAddFiles:
            if (current)
                bar->AddFiles(*current);
            break;
        case kIdRenameProject:
            if (current)
                bar->Rename(*current);
            break;
        case kIdCloseProject:
            if (current)
                bar->CloseProject(*current);
            break;
        case kIdNewProject:
            NewProject(frame);
            break;
        case kIdOpenProject:
            OpenProject(frame);
            break;
        case kIdSaveProject:
            bar->Projects().Save(current);
            break;
        default:
            break;
    }
}

void OnUpdateProjectCommand(wxUpdateUIEvent& e) {
    CWorkspaceBar* bar = Bar();
    bool needsProject = e.GetId() == kIdAddFiles || e.GetId() == kIdRenameProject ||
                        e.GetId() == kIdCloseProject || e.GetId() == kIdSaveProject;
    e.Enable(!needsProject || (bar && bar->Projects().Current()));
}

}  // namespace

void FindInActivePages(CMainFrame& frame, const std::string& text, bool matchCase, bool down) {
    PageFind& f = Finder();
    f.data.SetFindString(wxString::FromUTF8(text));
    f.data.SetFlags((matchCase ? wxFR_MATCHCASE : 0) | (down ? wxFR_DOWN : 0));
    FindNextInPages(frame);
}

void CountWordsOfActivePages(CMainFrame& frame) {
    WordCount(frame);
}

bool RunProjectStep(const std::string& verb, const std::string& rest,
                    const std::function<void(const std::string&)>& say) {
    CMainFrame* frame = Services().MainFrame();
    CWorkspaceBar* bar = Bar();
    if (!frame || !bar)
        return false;
    if (verb == "project") {
        bar->Projects().Open(AbsolutePath(rest, StartFolder()));
    } else if (verb == "tree") {
        bar->RefreshOutlines();
        std::string text = bar->TreeText();
        for (size_t start = 0, end; start < text.size(); start = end + 1) {
            end = text.find('\n', start);
            say("tree: " + text.substr(start, end - start));
        }
    } else if (verb == "tree-command") {
        size_t bar_ = rest.find('|');
        if (bar_ == std::string::npos ||
            !bar->RunItemCommand(rest.substr(0, bar_), rest.substr(bar_ + 1)))
            say("no tree item: " + rest);
    } else if (verb == "find") {
        FindInActivePages(*frame, rest, false, true);
        CDVIDoc* dvi = nullptr;
        if (CBaseView* view = ActiveDviView(&dvi))
            say("find-page: " + std::to_string(view->View()->CurrentPage() + 1));
    } else if (verb == "select") {
        std::istringstream in(rest);
        int page = 0;
        CanvasRect r;
        CDVIDoc* dvi = nullptr;
        CBaseView* view = ActiveDviView(&dvi);
        if (view && in >> page >> r.left >> r.top >> r.right >> r.bottom)
            view->View()->SelectAndReveal(page - 1, r, 1000);
    } else if (verb == "insert-reference" || verb == "insert-cite") {
        verb == "insert-reference" ? InsertReference() : InsertCite();
        wxDocManager* docs = wxDocManager::GetDocumentManager();
        if (auto* view = docs ? dynamic_cast<CQuirnWinView*>(docs->GetCurrentView()) : nullptr) {
            wxStyledTextCtrl* stc = view->Editor();
            say("line-text: " + stc->GetLine(stc->GetCurrentLine()).utf8_string());
        }
    } else if (verb == "word-count") {
        WordCount(*frame);
    } else if (verb == "status") {
        say("status: " + frame->GetStatusBar()->GetStatusText(0).utf8_string());
    } else {
        return false;
    }
    return true;
}

void AddProjectMenus(CMainFrame& frame, wxMenuBar& bar, wxMenu& texMenu) {
    auto* project = new wxMenu;
    project->Append(kIdShowWorkspace, "Show Project/&Workspace");
    project->Append(kIdAddFiles, "&Add Files...");
    project->Append(kIdRenameProject, "&Rename Project");
    project->Append(kIdCloseProject, "&Close Project");
    project->AppendSeparator();
    project->Append(kIdNewProject, "&New Project...");
    project->Append(kIdOpenProject, "&Open Project...");
    project->Append(kIdSaveProject, "&Save Project");
    // With the project's commands rather than in the Window menu, whose items the
    // notebook frame lists itself.
    project->AppendSeparator();
    project->Append(kIdTileProjectHorizontally, "Tile Project &Horizontally");
    project->Append(kIdTileProjectVertically, "Tile Project &Vertically");
    int help = bar.FindMenu("&Help");
    if (help == wxNOT_FOUND)
        help = bar.FindMenu("Help");
    int at = help == wxNOT_FOUND ? static_cast<int>(bar.GetMenuCount()) : help;
    bar.Insert(static_cast<size_t>(at), project, "&Project");

    int toolsIndex = bar.FindMenu("Tools");
    wxMenu* tools =
        toolsIndex == wxNOT_FOUND ? nullptr : bar.GetMenu(static_cast<size_t>(toolsIndex));
    if (!tools) {
        tools = new wxMenu;
        help = bar.FindMenu("Help");
        at = help == wxNOT_FOUND ? static_cast<int>(bar.GetMenuCount()) : help;
        bar.Insert(static_cast<size_t>(at), tools, "T&ools");
    }
    tools->Append(kIdWordCount, "&Word Count");

    frame.Bind(
        wxEVT_MENU, [&frame](wxCommandEvent&) { TileProject(frame, wxHORIZONTAL); },
        kIdTileProjectHorizontally);
    frame.Bind(
        wxEVT_MENU, [&frame](wxCommandEvent&) { TileProject(frame, wxVERTICAL); },
        kIdTileProjectVertically);

    texMenu.AppendSeparator();
    texMenu.Append(kIdInsertReference, "Insert &Reference...");
    texMenu.Append(kIdInsertCite, "Insert C&ite...");

    frame.Bind(
        wxEVT_MENU, [&frame](wxCommandEvent& e) { OnProjectCommand(frame, e); }, kIdShowWorkspace,
        kIdSaveProject);
    frame.Bind(wxEVT_UPDATE_UI, &OnUpdateProjectCommand, kIdShowWorkspace, kIdSaveProject);
    frame.Bind(
        wxEVT_MENU, [&frame](wxCommandEvent&) { WordCount(frame); }, kIdWordCount);
    frame.Bind(
        wxEVT_UPDATE_UI,
        [](wxUpdateUIEvent& e) {
            CDVIDoc* dvi = nullptr;
            e.Enable(ActiveDviView(&dvi) != nullptr);
        },
        kIdWordCount);
    frame.Bind(
        wxEVT_MENU, [](wxCommandEvent&) { InsertReference(); }, kIdInsertReference);
    frame.Bind(
        wxEVT_MENU, [](wxCommandEvent&) { InsertCite(); }, kIdInsertCite);
    frame.Bind(
        wxEVT_MENU, [&frame](wxCommandEvent& e) { OnFind(frame, e); }, wxID_FIND);
    frame.Bind(
        wxEVT_MENU, [&frame](wxCommandEvent& e) { OnFind(frame, e); }, kIdFindNext);
}

}  // namespace quirn::gui

#include "gui/workspace_bar.h"

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/filedlg.h>
#include <wx/menu.h>
#include <wx/mimetype.h>
#include <wx/sizer.h>
#include <wx/textdlg.h>
#include <wx/utils.h>

#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "app/settings.h"
#include "editor/document_outline.h"
#include "gui/editor_view.h"
#include "gui/gui_services.h"
#include "gui/main_frame.h"
#include "gui/typeset_bridge.h"
#include "platform/paths.h"
#include "projects/workspace_tree.h"

namespace quirn::gui {
namespace {

enum ItemKind { kRoot, kProject, kGroup, kFile, kOutline };

// The tree's images: 0 the workspace, 1 a project or group, 2 a TeX source, 3 a DVI
// file, 4 any other file, 5 an outline entry; small drawn marks in distinct colours.
wxBitmap Mark(const wxColour& colour, bool folder) {
    wxBitmap bitmap(16, 16);
    wxMemoryDC dc(bitmap);
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    dc.SetPen(wxPen(colour.ChangeLightness(60)));
    dc.SetBrush(wxBrush(colour));
    if (folder)
        dc.DrawRectangle(1, 4, 14, 10);
    else
        dc.DrawRectangle(3, 1, 10, 14);
    dc.SelectObject(wxNullBitmap);
    return bitmap;
}

std::string WithoutAmpersand(const wxString& text) {
    std::string s = text.utf8_string();
    std::erase(s, '&');
    return s;
}

}  // namespace

struct CWorkspaceBar::ItemData : public wxTreeItemData {
    ItemKind kind = kRoot;
    Project* project = nullptr;
    std::string file;
    int line = 0;
};

CWorkspaceBar::CWorkspaceBar(wxWindow* parent)
    : wxPanel(parent, wxID_ANY),
      images_(16, 16, true),
      projects_(std::make_unique<GuiProjects>()),
      outlineTimer_(this) {
    tree_ = new wxTreeCtrl(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                           wxTR_HAS_BUTTONS | wxTR_LINES_AT_ROOT | wxTR_SINGLE);
    images_.Add(Mark(wxColour(120, 120, 120), true));
    images_.Add(Mark(wxColour(230, 190, 80), true));
    images_.Add(Mark(wxColour(80, 130, 220), false));
    images_.Add(Mark(wxColour(200, 80, 80), false));
    images_.Add(Mark(wxColour(170, 170, 170), false));
    images_.Add(Mark(wxColour(90, 170, 90), false));
    tree_->SetImageList(&images_);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(tree_, 1, wxEXPAND);
    SetSizer(sizer);
    projects_->List().SetChangeHandler([this] { RefreshTree(); });
    tree_->Bind(wxEVT_TREE_ITEM_ACTIVATED, &CWorkspaceBar::OnActivated, this);
    tree_->Bind(wxEVT_TREE_SEL_CHANGED, &CWorkspaceBar::OnSelChanged, this);
    tree_->Bind(wxEVT_TREE_ITEM_MENU, &CWorkspaceBar::OnItemMenu, this);
    tree_->Bind(wxEVT_TREE_KEY_DOWN, &CWorkspaceBar::OnKeyDown, this);
    Bind(wxEVT_TIMER, &CWorkspaceBar::OnTimer, this);
    RefreshTree();
    // Outlines follow the editors' texts at idle time, a little after an edit.
    outlineTimer_.Start(400);
}

CWorkspaceBar::~CWorkspaceBar() {
    outlineTimer_.Stop();
    projects_->List().SetChangeHandler(nullptr);
    tree_->DeleteAllItems();
}

CWorkspaceBar::ItemData* CWorkspaceBar::DataOf(const wxTreeItemId& item) const {
    return item.IsOk() ? static_cast<ItemData*>(tree_->GetItemData(item)) : nullptr;
}

void CWorkspaceBar::RefreshTree() {
    rebuilding_ = true;
    tree_->Freeze();
    tree_->DeleteAllItems();
    outlineHashes_.clear();
    std::vector<wxTreeItemId> parents;
    for (const WorkspaceTreeItem& item : BuildWorkspaceTree(projects_->List())) {
        auto* data = new ItemData;
        data->project = item.project;
        data->file = item.file;
        int image = item.image;
        switch (item.kind) {
            case WorkspaceTreeItem::Kind::Root:
                data->kind = kRoot;
                image = 0;
                break;
            case WorkspaceTreeItem::Kind::Project:
                data->kind = kProject;
                image = 1;
                break;
            case WorkspaceTreeItem::Kind::Group:
                data->kind = kGroup;
                image = 1;
                break;
            case WorkspaceTreeItem::Kind::File:
                data->kind = kFile;
                break;
        }
        parents.resize(static_cast<size_t>(item.level));
        const wxString label = wxString::FromUTF8(item.label);
        wxTreeItemId id = parents.empty()
                              ? tree_->AddRoot(label, image, image, data)
                              : tree_->AppendItem(parents.back(), label, image, image, data);
        parents.push_back(id);
        if (item.kind == WorkspaceTreeItem::Kind::File && IsTeXSource(item.file))
            AddOutline(id, item.file);
    }
    // Projects and groups with children are shown open; outlines stay folded.
    wxTreeItemId root = tree_->GetRootItem();
    if (root.IsOk()) {
        tree_->Expand(root);
        wxTreeItemIdValue c1;
        for (wxTreeItemId p = tree_->GetFirstChild(root, c1); p.IsOk();
             p = tree_->GetNextChild(root, c1)) {
            tree_->Expand(p);
            wxTreeItemIdValue c2;
            for (wxTreeItemId g = tree_->GetFirstChild(p, c2); g.IsOk();
                 g = tree_->GetNextChild(p, c2)) {
                if (ItemData* d = DataOf(g); d && d->kind == kGroup)
                    tree_->Expand(g);
            }
        }
    }
    tree_->Thaw();
    rebuilding_ = false;
}

std::string CWorkspaceBar::SourceText(const std::string& file) const {
    if (GuiServices* s = ServicesIfRunning()) {
        wxDocument* doc = s->Typeset().FindDocument(file);
        if (auto* tex = doc ? dynamic_cast<CScintillaDoc*>(doc) : nullptr) {
            if (wxStyledTextCtrl* editor = tex->Editor()) {
                wxCharBuffer text = editor->GetTextRaw();
                return std::string(text.data(), text.length());
            }
        }
    }
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// What tells that a source changed: the editor's text where it is open, else the file's
// time and size, so that files on disk are not read again every time.
size_t CWorkspaceBar::SourceStamp(const std::string& file) const {
    if (GuiServices* s = ServicesIfRunning()) {
        wxDocument* doc = s->Typeset().FindDocument(file);
        if (auto* tex = doc ? dynamic_cast<CScintillaDoc*>(doc) : nullptr; tex && tex->Editor())
            return std::hash<std::string>()(SourceText(file));
    }
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        return 0;
    return std::hash<std::string>()(std::to_string(st.st_mtim.tv_sec) + "." +
                                    std::to_string(st.st_mtim.tv_nsec) + "/" +
                                    std::to_string(st.st_size));
}

void CWorkspaceBar::AddOutline(const wxTreeItemId& fileItem, const std::string& file) {
    const std::string text = SourceText(file);
    outlineHashes_[file] = SourceStamp(file);
    tree_->DeleteChildren(fileItem);
    std::vector<std::pair<int, wxTreeItemId>> open;  // (level, item) of enclosing entries
    for (const OutlineItem& entry : ParseOutline(text)) {
        while (!open.empty() && open.back().first >= entry.level)
            open.pop_back();
        auto* data = new ItemData;
        data->kind = kOutline;
        data->file = file;
        data->line = entry.line;
        std::string label =
            entry.kind == "label"     ? "\\label{" + entry.title + "}"
            : entry.kind == "input"   ? "\\input{" + entry.title + "}"
            : entry.kind == "include" ? "\\include{" + entry.title + "}"
            : entry.kind == "figure" || entry.kind == "table"
                ? std::string(entry.kind == "figure" ? "Figure: " : "Table: ") + entry.title
                : entry.title;
        wxTreeItemId parent = open.empty() ? fileItem : open.back().second;
        wxTreeItemId id = tree_->AppendItem(parent, wxString::FromUTF8(label), 5, 5, data);
        open.emplace_back(entry.level, id);
    }
}

void CWorkspaceBar::RefreshOutlines() {
    wxTreeItemId root = tree_->GetRootItem();
    if (!root.IsOk())
        return;
    // Every TeX source item of the tree, its outline parsed again when its text changed.
    std::vector<wxTreeItemId> pending{root};
    while (!pending.empty()) {
        wxTreeItemId item = pending.back();
        pending.pop_back();
        ItemData* data = DataOf(item);
        if (data && data->kind == kFile) {
            if (IsTeXSource(data->file)) {
                if (outlineHashes_[data->file] != SourceStamp(data->file)) {
                    rebuilding_ = true;
                    AddOutline(item, data->file);
                    rebuilding_ = false;
                }
            }
            continue;
        }
        wxTreeItemIdValue cookie;
        for (wxTreeItemId c = tree_->GetFirstChild(item, cookie); c.IsOk();
             c = tree_->GetNextChild(item, cookie))
            pending.push_back(c);
    }
}

void CWorkspaceBar::OnTimer(wxTimerEvent&) {
    projects_->NoteActiveView();
    if (IsShownOnScreen())
        RefreshOutlines();
}

void CWorkspaceBar::OpenFile(const std::string& file) {
    if (IsGraphicsFile(file) && RegularFileExists(file)) {
        wxLaunchDefaultApplication(wxString::FromUTF8(file));
        return;
    }
    Services().Typeset().ShowDocument(file);
}

void CWorkspaceBar::OnActivated(wxTreeEvent& e) {
    ItemData* data = DataOf(e.GetItem());
    if (!data)
        return;
    if (data->kind == kFile)
        OpenFile(data->file);
    else if (data->kind == kOutline)
        Services().Typeset().GoToSourceLine(data->file, data->line);
}

// A click on an outline entry goes to its line.
void CWorkspaceBar::OnSelChanged(wxTreeEvent& e) {
    if (rebuilding_)
        return;
    ItemData* data = DataOf(e.GetItem());
    if (data && data->kind == kOutline)
        Services().Typeset().GoToSourceLine(data->file, data->line);
}

namespace {
enum {
    kIdMenuTypeset = wxID_HIGHEST + 1500,
    kIdMenuAddFiles,
    kIdMenuCloseProject,
    kIdMenuRename,
    kIdMenuOpen,
    kIdMenuRemove,
    kIdMenuTypesetFile,
    kIdMenuMakeMain,
};
}  // namespace

void CWorkspaceBar::OnItemMenu(wxTreeEvent& e) {
    tree_->SelectItem(e.GetItem());
    ShowMenu(e.GetItem());
}

void CWorkspaceBar::ShowMenu(const wxTreeItemId& item) {
    ItemData* data = DataOf(item);
    if (!data || (data->kind != kProject && data->kind != kFile))
        return;
    wxMenu menu;
    if (data->kind == kProject) {
        menu.Append(wxID_ANY, "***   Project Options   ***")->Enable(false);
        menu.AppendSeparator();
        menu.Append(kIdMenuTypeset, "&Typeset");
        menu.Append(kIdMenuAddFiles, "&Add Files...");
        menu.Append(kIdMenuCloseProject, "&Close Project");
        menu.Append(kIdMenuRename, "&Rename");
    } else {
        menu.Append(wxID_ANY, "***   File Options   ***")->Enable(false);
        menu.AppendSeparator();
        menu.Append(kIdMenuOpen, "&Open");
        menu.Append(kIdMenuRemove, "&Remove from Project");
        if (IsTeXSource(data->file)) {
            menu.Append(kIdMenuTypesetFile, "&Typeset this file");
            menu.Append(kIdMenuMakeMain, "&Make this the Primary TeX file");
        }
    }
    int chosen = GetPopupMenuSelectionFromUser(menu);
    if (chosen == wxID_NONE)
        return;
    wxMenuItem* picked = menu.FindItem(chosen);
    if (picked)
        RunCommand(item, WithoutAmpersand(picked->GetItemLabelText()));
}

void CWorkspaceBar::RunCommand(const wxTreeItemId& item, const std::string& command) {
    ItemData* data = DataOf(item);
    if (!data || !data->project)
        return;
    Project& project = *data->project;
    const std::string file = data->file;
    if (command == "Typeset") {
        projects_->TypesetFile(project.MainFile());
    } else if (command == "Add Files...") {
        CallAfter([this, &project] { AddFiles(project); });
    } else if (command == "Close Project") {
        CallAfter([this, &project] { CloseProject(project); });
    } else if (command == "Rename") {
        CallAfter([this, &project] { Rename(project); });
    } else if (command == "Open") {
        OpenFile(file);
    } else if (command == "Remove from Project") {
        CallAfter([this, &project, file] { RemoveFile(project, file); });
    } else if (command == "Typeset this file") {
        projects_->TypesetFile(file);
    } else if (command == "Make this the Primary TeX file") {
        CallAfter([this, &project, file] { MakeMain(project, file); });
    }
}

bool CWorkspaceBar::RunItemCommand(const std::string& label, const std::string& command) {
    std::vector<wxTreeItemId> pending{tree_->GetRootItem()};
    while (!pending.empty()) {
        wxTreeItemId item = pending.back();
        pending.pop_back();
        if (!item.IsOk())
            continue;
        if (tree_->GetItemText(item).utf8_string() == label) {
            tree_->SelectItem(item);
            RunCommand(item, command);
            return true;
        }
        wxTreeItemIdValue cookie;
        for (wxTreeItemId c = tree_->GetFirstChild(item, cookie); c.IsOk();
             c = tree_->GetNextChild(item, cookie))
            pending.insert(pending.begin(), c);
    }
    return false;
}

void CWorkspaceBar::OnKeyDown(wxTreeEvent& e) {
    wxTreeItemId item = tree_->GetSelection();
    ItemData* data = DataOf(item);
    const int key = e.GetKeyCode();
    if (!data || !data->project || (key != WXK_INSERT && key != WXK_DELETE)) {
        e.Skip();
        return;
    }
    if (data->kind == kProject)
        RunCommand(item, key == WXK_INSERT ? "Add Files..." : "Close Project");
    else if (data->kind == kFile && key == WXK_DELETE)
        RunCommand(item, "Remove from Project");
}

void CWorkspaceBar::AddFiles(Project& project) {
    wxFileDialog dialog(this, "Add File(s)", wxString::FromUTF8(project.Directory()), "",
                        "All files (*)|*", wxFD_OPEN | wxFD_MULTIPLE | wxFD_FILE_MUST_EXIST);
    if (dialog.ShowModal() != wxID_OK)
        return;
    wxArrayString paths;
    dialog.GetPaths(paths);
    for (const wxString& p : paths)
        projects_->List().AddFile(project, p.utf8_string());
    Services().App().Record().fileOpen = dialog.GetDirectory().utf8_string();
}

void CWorkspaceBar::Rename(Project& project) {
    wxTextEntryDialog dialog(this, "What would you like to call the project?", "Rename Project",
                             wxString::FromUTF8(project.name));
    if (dialog.ShowModal() == wxID_OK && !dialog.GetValue().empty())
        projects_->List().Rename(project, dialog.GetValue().utf8_string());
}

void CWorkspaceBar::CloseProject(Project& project) {
    projects_->List().Close(project, Services().App().Record().projectCreatePTP,
                            Services().Prompt());
}

void CWorkspaceBar::RemoveFile(Project& project, const std::string& file) {
    projects_->List().RemoveFile(project, file, Services().Prompt());
}

void CWorkspaceBar::MakeMain(Project& project, const std::string& file) {
    projects_->List().SetMainFile(project, file);
}

void CWorkspaceBar::TextOfItem(const wxTreeItemId& item, int level, std::string& out) const {
    out += std::string(static_cast<size_t>(level) * 2, ' ') +
           tree_->GetItemText(item).utf8_string() + "\n";
    wxTreeItemIdValue cookie;
    for (wxTreeItemId c = tree_->GetFirstChild(item, cookie); c.IsOk();
         c = tree_->GetNextChild(item, cookie))
        TextOfItem(c, level + 1, out);
}

std::string CWorkspaceBar::TreeText() const {
    std::string text;
    if (tree_->GetRootItem().IsOk())
        TextOfItem(tree_->GetRootItem(), 0, text);
    return text;
}

GuiProjects* RunningProjects() {
    GuiServices* s = ServicesIfRunning();
    CMainFrame* frame = s ? s->MainFrame() : nullptr;
    return frame && frame->WorkspaceBar() ? &frame->WorkspaceBar()->Projects() : nullptr;
}

}  // namespace quirn::gui

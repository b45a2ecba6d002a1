#include "gui/project_workspace.h"

#include <strings.h>
#include <wx/aui/tabmdi.h>

#include <algorithm>
#include <set>

#include "app/data_roots.h"
#include "app/profile.h"
#include "app/settings.h"
#include "gui/editor_view.h"
#include "gui/gui_services.h"
#include "gui/main_frame.h"
#include "gui/page_view_window.h"
#include "gui/typeset_bridge.h"
#include "platform/paths.h"
#include "view/page_view.h"

namespace quirn::gui {
namespace {

Formats* EngineFormats() {
    GuiServices* s = ServicesIfRunning();
    return s ? s->Typeset().GetFormats() : nullptr;
}

}  // namespace

// A document window as a project records it: the frame's rectangle as its placement,
// the editor's caret or the page view's page and zoom as its position.
class GuiProjects::ViewWindow : public ProjectWindow {
  public:
    explicit ViewWindow(wxView* view) : view_(view) {}

    std::string DocumentPath() const override {
        wxDocument* doc = view_->GetDocument();
        return doc ? doc->GetFilename().utf8_string() : std::string();
    }
    Kind ViewKind() const override {
        if (dynamic_cast<CQuirnWinView*>(view_))
            return Kind::Editor;
        if (dynamic_cast<CBaseView*>(view_))
            return Kind::PageView;
        return Kind::Other;
    }
    std::string PlacementText() const override {
        if (!placement_.empty())
            return placement_;
        wxWindow* frame = view_->GetFrame();
        wxRect r = frame ? frame->GetRect() : wxRect();
        return wxString::Format("1 -1 -1 -1 -1 %d %d %d %d", r.GetLeft(), r.GetTop(),
                                r.GetRight() + 1, r.GetBottom() + 1)
            .utf8_string();
    }
    // Document windows are pages of the notebook, which places them itself.
    void ApplyPlacement(const std::string& text) override { placement_ = text; }
    std::string PositionText() const override {
        if (auto* editor = dynamic_cast<CQuirnWinView*>(view_))
            return editor->GetCaretText();
        if (auto* pages = dynamic_cast<CBaseView*>(view_); pages && pages->View())
            return pages->View()->StateText();
        return {};
    }
    void RestorePosition(const std::string& text) override {
        if (auto* editor = dynamic_cast<CQuirnWinView*>(view_))
            editor->SetCaretFromText(text);
        else if (auto* pages = dynamic_cast<CBaseView*>(view_); pages && pages->View())
            pages->View()->RestoreState(text);
    }
    wxView* View() const { return view_; }

  private:
    wxView* view_;
    std::string placement_;
};

GuiProjects::GuiProjects() : list_(*this) {}
GuiProjects::~GuiProjects() = default;

std::string GuiProjects::CurrentFormat() {
    Formats* formats = EngineFormats();
    return formats ? formats->List().SelectedName() : std::string();
}

std::string GuiProjects::CurrentMode() {
    GuiServices* s = ServicesIfRunning();
    return s && strcasecmp(s->App().Record().mode.c_str(), "PDF") == 0 ? "PDF" : "DVI";
}

void GuiProjects::SetCurrentFormat(const std::string& format) {
    if (Formats* formats = EngineFormats())
        formats->SelectFormatByName(format);
}

void GuiProjects::SetCurrentMode(const std::string& mode) {
    if (GuiServices* s = ServicesIfRunning())
        s->App().Record().mode = strcasecmp(mode.c_str(), "PDF") == 0 ? "PDF" : "DVI";
}

GuiProjects::ViewWindow* GuiProjects::WindowOf(wxView* view) {
    auto& slot = windows_[view];
    if (!slot)
        slot = std::make_unique<ViewWindow>(view);
    return slot.get();
}

// Forgets windows whose views are gone.
void GuiProjects::Prune() {
    std::set<wxView*> alive;
    if (wxDocManager* docs = wxDocManager::GetDocumentManager()) {
        for (wxDocument* doc : docs->GetDocumentsVector()) {
            for (wxView* view : doc->GetViewsVector())
                alive.insert(view);
        }
    }
    std::erase_if(activation_, [&](wxView* v) { return !alive.count(v); });
    std::erase_if(windows_, [&](const auto& entry) { return !alive.count(entry.first); });
}

ProjectWindow* GuiProjects::OpenDocument(const std::string& path) {
    wxDocManager* docs = wxDocManager::GetDocumentManager();
    if (!docs || !RegularFileExists(path))
        return nullptr;
    wxDocument* doc = docs->CreateDocument(wxString::FromUTF8(path), wxDOC_SILENT);
    wxView* view = doc ? doc->GetFirstView() : nullptr;
    if (!view)
        return nullptr;
    Prune();
    std::erase(activation_, view);
    activation_.insert(activation_.begin(), view);
    return WindowOf(view);
}

std::vector<ProjectWindow*> GuiProjects::FrameWindows() {
    Prune();
    std::vector<wxView*> order = activation_;
    if (wxDocManager* docs = wxDocManager::GetDocumentManager()) {
        for (wxDocument* doc : docs->GetDocumentsVector()) {
            for (wxView* view : doc->GetViewsVector()) {
                if (std::find(order.begin(), order.end(), view) == order.end())
                    order.push_back(view);
            }
        }
    }
    std::vector<ProjectWindow*> windows;
    for (wxView* view : order)
        windows.push_back(WindowOf(view));
    return windows;
}

void GuiProjects::Activate(ProjectWindow* window) {
    wxView* view = static_cast<ViewWindow*>(window)->View();
    if (auto* child = wxDynamicCast(view->GetFrame(), wxAuiMDIChildFrame))
        child->Activate();
    std::erase(activation_, view);
    activation_.insert(activation_.begin(), view);
}

bool GuiProjects::CloseWindow(ProjectWindow* window) {
    wxView* view = static_cast<ViewWindow*>(window)->View();
    wxDocument* doc = view->GetDocument();
    wxDocManager* docs = wxDocManager::GetDocumentManager();
    if (!doc || !docs)
        return true;
    bool closed = docs->CloseDocument(doc);
    Prune();
    return closed;
}

OutputSink& GuiProjects::Output() {
    return Services().Output();
}

Project* GuiProjects::Open(const std::string& path) {
    ProjectRead read = ProjectRead::Read;
    Project* project = list_.Open(path, &read);
    if (read == ProjectRead::NotProject) {
        Services().Prompt().ShowMessage("The project file " + project->path +
                                        " was not understood.\n\nIt is left as it is.");
    }
    return project;
}

std::vector<std::string> GuiProjects::WindowDocuments() {
    std::vector<std::string> paths;
    for (ProjectWindow* w : FrameWindows())
        paths.push_back(w->DocumentPath());
    return paths;
}

Project* GuiProjects::Current() {
    GuiServices* s = ServicesIfRunning();
    if (!s)
        return nullptr;
    const DataRoots& roots = s->App().Context().roots;
    return list_.CurrentProject(WindowDocuments(),
                                {JoinPath(roots.userDataPath, kTemplatesFolderName),
                                 JoinPath(roots.installDir, "Templates")});
}

void GuiProjects::Save(Project* project) {
    if (!project)
        project = Current();
    if (project)
        WriteProjectFile(*project, *this);
}

bool GuiProjects::CloseAll(Profile& profile, int createPtp) {
    const std::string joined = list_.JoinedPaths();
    while (!list_.Empty()) {
        if (!list_.Close(*list_.Projects().front(), createPtp, Services().Prompt()))
            return false;
    }
    profile.WriteText("Workspace", "Projects", joined);
    return true;
}

void GuiProjects::TypesetFile(const std::string& file) {
    Typesetter* typesetter = Services().Typeset().GetTypesetter();
    if (!typesetter || typesetter->Busy())
        return;
    typesetOverride_ = file;
    typesetter->SetBatch(false);
    typesetter->TypesetCommand(file);
    typesetOverride_.clear();
}

std::optional<std::string> GuiProjects::MainFileFor(const std::string& file) {
    Project* project = Current();
    if (!project || (!project->Contains(file) && !typesetOverride_.empty()))
        project = list_.Find(typesetOverride_.empty() ? file : typesetOverride_);
    if (!project || project->files.empty())
        return std::nullopt;
    SetCurrentFormat(project->texformat);
    SetCurrentMode(project->typesetmode);
    lastCurrent_ = project;
    return typesetOverride_.empty() ? project->MainFile() : typesetOverride_;
}

void GuiProjects::RefreshFilesAfterTypeset(const std::string& mainFile,
                                           const std::vector<std::string>& usedFiles) {
    for (const auto& p : list_.Projects()) {
        if (!p->files.empty() && SameProjectPath(p->MainFile(), mainFile)) {
            list_.RefreshFilesAfterTypeset(*p, mainFile, usedFiles);
            return;
        }
    }
}

void GuiProjects::NoteActiveView() {
    wxDocManager* docs = wxDocManager::GetDocumentManager();
    wxView* view = docs ? docs->GetCurrentView() : nullptr;
    if (view && (activation_.empty() || activation_.front() != view)) {
        Prune();
        std::erase(activation_, view);
        activation_.insert(activation_.begin(), view);
    }
    EngineChoiceChanged();
}

// A project that becomes current brings its format and mode to the engine; a format
// or mode chosen while it stays current becomes the project's.
void GuiProjects::EngineChoiceChanged() {
    Project* current = list_.Empty() ? nullptr : Current();
    if (!current) {
        lastCurrent_ = nullptr;
        return;
    }
    if (current != lastCurrent_) {
        lastCurrent_ = current;
        SetCurrentFormat(current->texformat);
        SetCurrentMode(current->typesetmode);
        return;
    }
    std::string format = CurrentFormat();
    if (!format.empty())
        current->texformat = format;
    current->typesetmode = CurrentMode();
}

}  // namespace quirn::gui

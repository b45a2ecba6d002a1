// The window program's projects: the project list over the document windows (each
// window of a document is a ProjectWindow), the current project, and what typesetting,
// start-up and exit ask of projects.
#pragma once

#include <wx/docview.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "projects/project_list.h"

namespace quirn {
class Profile;
}

namespace quirn::gui {

class GuiProjects : public ProjectHost {
  public:
    GuiProjects();
    ~GuiProjects() override;

    ProjectList& List() { return list_; }

    // ProjectHost
    std::string CurrentFormat() override;
    std::string CurrentMode() override;
    void SetCurrentFormat(const std::string& format) override;
    void SetCurrentMode(const std::string& mode) override;
    ProjectWindow* OpenDocument(const std::string& path) override;
    std::vector<ProjectWindow*> FrameWindows() override;
    void Activate(ProjectWindow* window) override;
    bool CloseWindow(ProjectWindow* window) override;
    OutputSink& Output() override;

    // OpenProject; a project file that was not understood is said once and kept.
    Project* Open(const std::string& path);
    Project* Current();
    // Save Project for the current project (or `project`).
    void Save(Project* project = nullptr);
    // Every project closed as at exit, then the list remembered under
    // "Workspace"/"Projects". False when a window refused to close.
    bool CloseAll(Profile& profile, int createPtp);
    // Typeset with `file` as the file to typeset (a TeX source of a project).
    void TypesetFile(const std::string& file);

    // For typesetting: the main file of the project that holds `file` (its format and
    // mode become the engine's); nothing when no project holds it.
    std::optional<std::string> MainFileFor(const std::string& file);
    void RefreshFilesAfterTypeset(const std::string& mainFile,
                                  const std::vector<std::string>& usedFiles);

    // The document paths of the windows, the most recently active first.
    std::vector<std::string> WindowDocuments();
    // Notes the active view (from idle time) so that stacking follows activation.
    void NoteActiveView();
    // The engine's format or mode was chosen while a project is current.
    void EngineChoiceChanged();

  private:
    class ViewWindow;
    ViewWindow* WindowOf(wxView* view);
    void Prune();

    ProjectList list_;
    std::vector<wxView*> activation_;  // most recent first
    std::map<wxView*, std::unique_ptr<ViewWindow>> windows_;
    std::string typesetOverride_;
    Project* lastCurrent_ = nullptr;
};

// The projects of the running program (the workspace bar's), or null before the main
// frame exists.
GuiProjects* RunningProjects();

}  // namespace quirn::gui

// The open projects: opening (reusing a project that holds the path), closing with
// the project-file decision, the file operations of the workspace tree's menus, and
// the project the user is working on.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "projects/project.h"

namespace quirn {

class UserPrompt;

class ProjectList {
  public:
    explicit ProjectList(ProjectHost& host) : host_(host) {}

    // Called after every change of the list or of a project's files or name (the
    // window rebuilds its tree).
    void SetChangeHandler(std::function<void()> handler) { changed_ = std::move(handler); }

    const std::vector<std::unique_ptr<Project>>& Projects() const { return projects_; }
    bool Empty() const { return projects_.empty(); }

    // The project that contains `path`, or nullptr.
    Project* Find(const std::string& path) const;

    // OpenProject: reuses a project in the list that contains the path, otherwise
    // creates one from the path and appends it; then brings up its first window (the
    // top-most window on one of its files, else its main file). `read` tells how the
    // project file was read when a project was created (Read when it was reused).
    Project* Open(const std::string& path, ProjectRead* read = nullptr);

    // CloseProject with the ProjectCreatePTP setting (0 never write, 1 always, 2 ask).
    // False when a window refused to close (the project stays). `saved` tells whether
    // the project file was written.
    bool Close(Project& project, int createPtp, UserPrompt& prompt, bool* saved = nullptr);
    // The question CloseProject asks for setting 2.
    static std::string SaveQuestion(const Project& project);

    // AddFile: appends the file unless one equal to it (ignoring case) is there.
    bool AddFile(Project& project, const std::string& path);
    enum class Removal { Removed, MainFile, NotInProject };
    // RemoveFile: closes the windows on the file and drops it. The main file stays,
    // with the message "You may not remove the main file in a project".
    Removal RemoveFile(Project& project, const std::string& path, UserPrompt& prompt);
    // "Make this the Primary TeX file": the file moves to the front and the project is
    // saved under its name with the extension "ptp" from now on. False when the file
    // is not in the project.
    bool SetMainFile(Project& project, const std::string& path);
    void Rename(Project& project, const std::string& name);

    // After a run of the project's main file: the main file, its log, and every
    // relative input file of the run ("./..."), in that order.
    void RefreshFilesAfterTypeset(Project& project, const std::string& mainFile,
                                  const std::vector<std::string>& inputFiles);

    // The project of the first document (most recently active first) that lies outside
    // the template folders and belongs to a project; nullptr when none does.
    Project* CurrentProject(const std::vector<std::string>& documents,
                            const std::vector<std::string>& templateFolders) const;

    // The project paths joined by "|", as kept under "Workspace"/"Projects".
    std::string JoinedPaths() const;
    static std::vector<std::string> SplitPaths(const std::string& joined);

    // The windows showing a file of the project, top-most first.
    std::vector<ProjectWindow*> WindowsOf(const Project& project) const;

  private:
    void Changed() {
        if (changed_)
            changed_();
    }

    ProjectHost& host_;
    std::vector<std::unique_ptr<Project>> projects_;
    std::function<void()> changed_;
};

}  // namespace quirn

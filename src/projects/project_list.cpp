#include "projects/project_list.h"

#include <algorithm>
#include <filesystem>

#include "platform/paths.h"
#include "platform/user_prompt.h"

namespace quirn {

Project* ProjectList::Find(const std::string& path) const {
    for (const auto& p : projects_) {
        if (p->Contains(path))
            return p.get();
    }
    return nullptr;
}

Project* ProjectList::Open(const std::string& path, ProjectRead* read) {
    Project* project = Find(path);
    if (read)
        *read = ProjectRead::Read;
    if (!project) {
        projects_.push_back(std::make_unique<Project>(CreateProject(path, host_, read)));
        project = projects_.back().get();
    }
    std::vector<ProjectWindow*> windows = WindowsOf(*project);
    if (!windows.empty()) {
        host_.Activate(windows.front());
    } else if (!project->MainFile().empty()) {
        host_.OpenDocument(project->MainFile());
    }
    Changed();
    return project;
}

std::vector<ProjectWindow*> ProjectList::WindowsOf(const Project& project) const {
    std::vector<ProjectWindow*> result;
    for (ProjectWindow* w : host_.FrameWindows()) {
        if (project.Contains(w->DocumentPath()))
            result.push_back(w);
    }
    return result;
}

std::string ProjectList::SaveQuestion(const Project& project) {
    return "Would you like to save project information for \"" + project.name + "\"?";
}

bool ProjectList::Close(Project& project, int createPtp, UserPrompt& prompt, bool* saved) {
    bool write = createPtp == 1 || (createPtp == 2 && prompt.AskYesNo(SaveQuestion(project)));
    bool written = write && WriteProjectFile(project, host_);
    if (saved)
        *saved = written;
    for (ProjectWindow* w : WindowsOf(project)) {
        if (!host_.CloseWindow(w))
            return false;
    }
    auto it = std::find_if(projects_.begin(), projects_.end(),
                           [&](const auto& p) { return p.get() == &project; });
    if (it != projects_.end())
        projects_.erase(it);
    Changed();
    return true;
}

bool ProjectList::AddFile(Project& project, const std::string& path) {
    if (project.IndexOf(path) >= 0)
        return false;
    project.files.push_back(path);
    Changed();
    return true;
}

ProjectList::Removal ProjectList::RemoveFile(Project& project, const std::string& path,
                                             UserPrompt& prompt) {
    int index = project.IndexOf(path);
    if (index < 0)
        return Removal::NotInProject;
    if (index == 0) {
        prompt.ShowMessage("You may not remove the main file in a project");
        return Removal::MainFile;
    }
    for (ProjectWindow* w : host_.FrameWindows()) {
        if (SameProjectPath(w->DocumentPath(), project.files[static_cast<size_t>(index)]))
            host_.CloseWindow(w);
    }
    project.files.erase(project.files.begin() + index);
    Changed();
    return Removal::Removed;
}

bool ProjectList::SetMainFile(Project& project, const std::string& path) {
    int index = project.IndexOf(path);
    if (index < 0)
        return false;
    std::string file = project.files[static_cast<size_t>(index)];
    project.files.erase(project.files.begin() + index);
    project.files.insert(project.files.begin(), file);
    project.path = ReplaceExtension(file, "ptp");
    // The new project file is ours to write, whatever the old one held.
    project.unreadableFile = false;
    Changed();
    return true;
}

void ProjectList::Rename(Project& project, const std::string& name) {
    project.name = name;
    Changed();
}

void ProjectList::RefreshFilesAfterTypeset(Project& project, const std::string& mainFile,
                                           const std::vector<std::string>& inputFiles) {
    if (project.files.empty() || !SameProjectPath(project.files.front(), mainFile))
        return;
    const std::string main = project.files.front();
    size_t before = project.files.size();
    project.files.assign(1, main);
    bool added = false;
    auto add = [&](const std::string& file) {
        if (project.IndexOf(file) < 0) {
            project.files.push_back(file);
            added = true;
        }
    };
    add(ReplaceExtension(main, "log"));
    const std::string directory = project.Directory();
    for (const std::string& input : inputFiles) {
        if (input.empty() || input[0] != '.')
            continue;
        std::string resolved = ResolveProjectFileLine(directory, input);
        add(std::filesystem::path(resolved).lexically_normal().string());
    }
    if (added || project.files.size() != before)
        Changed();
}

Project* ProjectList::CurrentProject(const std::vector<std::string>& documents,
                                     const std::vector<std::string>& templateFolders) const {
    for (const std::string& document : documents) {
        std::string dir = DirectoryOf(document);
        bool isTemplate =
            std::any_of(templateFolders.begin(), templateFolders.end(), [&](const std::string& t) {
                return SameProjectPath(WithTrailingSeparator(dir), WithTrailingSeparator(t));
            });
        if (isTemplate)
            continue;
        if (Project* p = Find(document))
            return p;
    }
    return nullptr;
}

std::string ProjectList::JoinedPaths() const {
    std::string joined;
    for (const auto& p : projects_) {
        if (!joined.empty())
            joined += '|';
        joined += p->path;
    }
    return joined;
}

std::vector<std::string> ProjectList::SplitPaths(const std::string& joined) {
    std::vector<std::string> paths;
    size_t start = 0;
    while (start <= joined.size()) {
        size_t bar = joined.find('|', start);
        std::string part = joined.substr(start, bar == std::string::npos ? bar : bar - start);
        if (!part.empty())
            paths.push_back(part);
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    return paths;
}

}  // namespace quirn

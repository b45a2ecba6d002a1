#include "projects/project.h"

#include <dirent.h>
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

#include "platform/file_replacement.h"
#include "platform/output_sink.h"
#include "platform/paths.h"

namespace quirn {
namespace {

char FoldPathChar(char c) {
    if (c == '\\')
        return '/';
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// The file line of `file`: relative to the project's directory when it lies in it or
// below it, else the full path.
std::string FileLine(const std::string& directory, const std::string& file) {
    std::string prefix = WithTrailingSeparator(directory);
    if (file.size() > prefix.size() && SameProjectPath(file.substr(0, prefix.size()), prefix))
        return file.substr(prefix.size());
    return file;
}

bool ParsePlacement(const std::string& text) {
    int v[9];
    char tail = 0;
    return std::sscanf(text.c_str(), "%i %i %i %i %i %i %i %i %i %c", &v[0], &v[1], &v[2], &v[3],
                       &v[4], &v[5], &v[6], &v[7], &v[8], &tail) == 9;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// One line of at most 1023 bytes without its line feed (and a carriage return before
// it); false at the end of the file.
bool ReadLine(std::FILE* f, std::string& line) {
    char buffer[1024];
    if (!std::fgets(buffer, sizeof buffer, f))
        return false;
    line.assign(buffer);
    if (!line.empty() && line.back() == '\n') {
        line.pop_back();
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
    }
    return true;
}

bool StartsWith(const std::string& text, const char* prefix, std::string& rest) {
    size_t n = std::strlen(prefix);
    if (text.compare(0, n, prefix) != 0)
        return false;
    rest = text.substr(n);
    return true;
}

}  // namespace

bool SameProjectPath(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldPathChar(a[i]) != FoldPathChar(b[i]))
            return false;
    }
    return true;
}

bool IsTeXSource(std::string_view path) {
    std::string ext = ExtensionOf(path);
    for (const char* e : {"tex", "ltx", "dtx", "ins"}) {
        if (strcasecmp(ext.c_str(), e) == 0)
            return true;
    }
    return false;
}

std::string Project::Directory() const {
    return DirectoryOf(path);
}

bool Project::Contains(std::string_view p) const {
    return SameProjectPath(p, path) || IndexOf(p) >= 0;
}

int Project::IndexOf(std::string_view p) const {
    for (size_t i = 0; i < files.size(); ++i) {
        if (SameProjectPath(files[i], p))
            return static_cast<int>(i);
    }
    return -1;
}

std::string ResolveProjectFileLine(const std::string& directory, std::string_view line) {
    if (IsAbsolute(line))
        return std::string(line);
    if (line.size() >= 2 && line[0] == '.' && (line[1] == '/' || line[1] == '\\'))
        return JoinPath(directory, line.substr(2));
    return JoinPath(directory, line);
}

ProjectRead ReadProjectFile(Project& project, ProjectHost& host) {
    FilePtr f(std::fopen(project.path.c_str(), "rb"));
    if (!f)
        return FileExists(project.path) ? ProjectRead::NotProject : ProjectRead::NotOpened;
    char first[1024];
    if (!std::fgets(first, sizeof first, f.get()))
        return ProjectRead::NotProject;
    std::string head(first);
    if (head.size() >= 2 && head.compare(head.size() - 2, 2, "\r\n") == 0)
        head.replace(head.size() - 2, 2, "\n");
    if (head != kProjectVersionLine && head != kProjectOldVersionLine)
        return ProjectRead::NotProject;

    const std::string directory = project.Directory();
    bool inFiles = false;
    std::string currentFile;
    ProjectWindow* window = nullptr;
    bool skipWindowLines = false;
    std::map<int, ProjectWindow*> stacking;
    std::string topPlacement;
    std::string line, value;
    while (ReadLine(f.get(), line)) {
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] != '\t') {
            currentFile = ResolveProjectFileLine(directory, line);
            project.files.push_back(currentFile);
            inFiles = true;
            window = nullptr;
            skipWindowLines = false;
            continue;
        }
        if (!inFiles) {
            if (StartsWith(line, "\tname: ", value)) {
                project.name = value;
            } else if (StartsWith(line, "\ttexformat: ", value)) {
                project.texformat = value;
                host.SetCurrentFormat(value);
            } else if (StartsWith(line, "\ttypesetmode: ", value)) {
                project.typesetmode = value;
                host.SetCurrentMode(value);
            } else if (StartsWith(line, "\tspellwordlist: ", value)) {
                project.spellwordlist = value;
            }
            continue;
        }
        if (StartsWith(line, "\twndpos: ", value)) {
            if (skipWindowLines)
                continue;
            window = host.OpenDocument(currentFile);
            if (!window) {
                host.Output().AppendOutput("Unable to open project document: " + currentFile +
                                           "\n");
                skipWindowLines = true;
                continue;
            }
            if (ParsePlacement(value))
                window->ApplyPlacement(value);
            continue;
        }
        if (!window)
            continue;
        if (StartsWith(line, "\tzorder: ", value)) {
            int index = 0;
            if (std::sscanf(value.c_str(), "%i", &index) == 1 && index >= 0) {
                stacking[index] = window;
                if (index == 0)
                    topPlacement = window->PlacementText();
            }
        } else if (StartsWith(line, "\tedit: ", value)) {
            if (window->ViewKind() == ProjectWindow::Kind::Editor)
                window->RestorePosition(value);
        } else if (StartsWith(line, "\tview: ", value)) {
            if (window->ViewKind() == ProjectWindow::Kind::PageView)
                window->RestorePosition(value);
        }
    }
    // Index 0 ends on top; its placement again, so that a maximised top window stays so.
    for (auto it = stacking.rbegin(); it != stacking.rend(); ++it)
        host.Activate(it->second);
    auto top = stacking.find(0);
    if (top != stacking.end() && ParsePlacement(topPlacement))
        top->second->ApplyPlacement(topPlacement);
    return ProjectRead::Read;
}

std::string ProjectFileText(const Project& project, const std::vector<ProjectWindow*>& windows) {
    std::string text = kProjectVersionLine;
    text += "\tname: " + project.name + "\n";
    text += "\ttexformat: " + project.texformat + "\n";
    text += "\ttypesetmode: " + project.typesetmode + "\n";
    text += "\tspellwordlist: " + project.spellwordlist + "\n";
    std::vector<ProjectWindow*> ours;
    for (ProjectWindow* w : windows) {
        if (project.Contains(w->DocumentPath()))
            ours.push_back(w);
    }
    const std::string directory = project.Directory();
    for (const std::string& file : project.files) {
        text += FileLine(directory, file) + "\n";
        for (size_t z = 0; z < ours.size(); ++z) {
            ProjectWindow* w = ours[z];
            if (!SameProjectPath(w->DocumentPath(), file))
                continue;
            text += "\twndpos: " + w->PlacementText() + "\n";
            text += "\tzorder: " + std::to_string(z) + "\n";
            if (w->ViewKind() == ProjectWindow::Kind::Editor)
                text += "\tedit: " + w->PositionText() + "\n";
            else if (w->ViewKind() == ProjectWindow::Kind::PageView)
                text += "\tview: " + w->PositionText() + "\n";
        }
    }
    return text;
}

bool WriteProjectFile(const Project& project, ProjectHost& host) {
    if (project.unreadableFile)
        return false;
    std::string text = ProjectFileText(project, host.FrameWindows());
    FileReplacement replacement(project.path, 0666);
    if (replacement.Opened()) {
        return replacement.Write(text.data(), text.size()) && replacement.Finish() &&
               replacement.Replace();
    }
    // A folder we may not create files in can still hold a project file we may write.
    FilePtr f(std::fopen(project.path.c_str(), "wb"));
    if (!f)
        return false;
    bool written = std::fwrite(text.data(), 1, text.size(), f.get()) == text.size();
    return std::fclose(f.release()) == 0 && written;
}

Project CreateProject(const std::string& path, ProjectHost& host, ProjectRead* read) {
    Project project;
    project.path = ReplaceExtension(path, "ptp");
    project.name = FileNameOf(StripExtension(path));
    ProjectRead result = ReadProjectFile(project, host);
    if (result == ProjectRead::NotProject)
        project.unreadableFile = true;
    if (result == ProjectRead::NotOpened) {
        if (IsTeXSource(path)) {
            project.files.push_back(path);
        } else {
            // The first TeX source named like the path, in name order.
            std::string stem = FileNameOf(StripExtension(path));
            std::vector<std::string> candidates;
            std::string dir = DirectoryOf(path);
            if (auto* d = ::opendir(dir.c_str())) {
                while (auto* entry = ::readdir(d)) {
                    std::string name = entry->d_name;
                    if (name.size() > stem.size() + 1 && name.compare(0, stem.size(), stem) == 0 &&
                        name[stem.size()] == '.' && IsTeXSource(name))
                        candidates.push_back(name);
                }
                ::closedir(d);
            }
            std::sort(candidates.begin(), candidates.end());
            if (!candidates.empty())
                project.files.push_back(JoinPath(dir, candidates.front()));
        }
        std::string dvi = ReplaceExtension(path, "dvi");
        if (RegularFileExists(dvi) && project.IndexOf(dvi) < 0)
            project.files.push_back(dvi);
    }
    if (!project.Contains(path))
        project.files.push_back(path);
    if (project.texformat.empty())
        project.texformat = host.CurrentFormat();
    if (project.typesetmode.empty())
        project.typesetmode = host.CurrentMode();
    if (read)
        *read = result;
    return project;
}

}  // namespace quirn

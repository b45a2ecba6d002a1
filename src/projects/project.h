// A project: the main file of one document and its further files, the format and mode
// it is typeset with, its spelling dictionary, and the windows that were open on its
// files. Stored as a small line-oriented ".ptp" file (WriteProjectFile/ReadProjectFile).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quirn {

class OutputSink;

// A frame window of the program as the project code sees it: the document it shows
// and the texts that restore it.
class ProjectWindow {
  public:
    enum class Kind { Editor, PageView, Other };
    virtual ~ProjectWindow() = default;

    virtual std::string DocumentPath() const = 0;
    virtual Kind ViewKind() const = 0;
    // The nine integers of the frame's placement, "%i %i %i %i %i %i %i %i %i".
    virtual std::string PlacementText() const = 0;
    virtual void ApplyPlacement(const std::string& text) = 0;
    // Editor windows: the caret as "%d". Page views: the position as "%d %d".
    virtual std::string PositionText() const = 0;
    virtual void RestorePosition(const std::string& text) = 0;
};

// What projects ask of the rest of the program: the typesetting engine's current
// format and mode, and its frame windows.
class ProjectHost {
  public:
    virtual ~ProjectHost() = default;

    virtual std::string CurrentFormat() = 0;
    virtual std::string CurrentMode() = 0;
    virtual void SetCurrentFormat(const std::string& format) = 0;
    virtual void SetCurrentMode(const std::string& mode) = 0;

    // Opens `path` as a document through the program's normal opening; the new frame
    // window, or nullptr when it could not be opened.
    virtual ProjectWindow* OpenDocument(const std::string& path) = 0;
    // The frame windows, top-most first.
    virtual std::vector<ProjectWindow*> FrameWindows() = 0;
    virtual void Activate(ProjectWindow* window) = 0;
    // Asks the window to close (its document's save question applies); false when it
    // refused.
    virtual bool CloseWindow(ProjectWindow* window) = 0;
    // The output window.
    virtual OutputSink& Output() = 0;
};

struct Project {
    std::string path;  // the project file, always with the extension "ptp"
    std::string name;
    std::vector<std::string> files;  // full paths; the first is the main file
    std::string texformat;
    std::string typesetmode;
    std::string spellwordlist;
    // The project file exists but was not understood: it is never written over.
    bool unreadableFile = false;

    std::string MainFile() const { return files.empty() ? std::string() : files.front(); }
    std::string Directory() const;
    // The membership test: the path equals the project path or one of its files,
    // ignoring letter case, "\" and "/" counting as equal.
    bool Contains(std::string_view path) const;
    // Index of the file equal to `path` ignoring case (and separators); -1 when none.
    int IndexOf(std::string_view path) const;
};

// Two paths equal ignoring letter case, "\" and "/" counting as equal.
bool SameProjectPath(std::string_view a, std::string_view b);

// A TeX source: its extension is, ignoring case, tex, ltx, dtx or ins.
bool IsTeXSource(std::string_view path);

inline constexpr const char* kProjectVersionLine = "# Quirn Project File, Version 1.1\n";
inline constexpr const char* kProjectOldVersionLine = "# Quirn Project File, Version 1.0\n";

enum class ProjectRead {
    Read,        // the file was read
    NotOpened,   // it could not be opened (for instance it does not exist)
    NotProject,  // it was opened but is empty or its first line is not a version line
};

// How a file line of a project file names its file: absolute ("/..."), relative to
// the directory ("./", ".\" or a bare relative name; "\" separates as "/" does).
std::string ResolveProjectFileLine(const std::string& directory, std::string_view line);

// Reads the project's file into it (its path must be set). Header keys set the
// format and mode and make them the engine's current ones; window lines reopen the
// documents through the host. Nothing of the project changes unless the first line
// is a version line.
ProjectRead ReadProjectFile(Project& project, ProjectHost& host);

// The project file's text: header, file lines, and the lines of the given windows
// (top-most first) that show a file of the project.
std::string ProjectFileText(const Project& project, const std::vector<ProjectWindow*>& windows);

// Writes the project's file; false when it could not be written (or the existing
// file was not understood when read, which keeps it as it is).
bool WriteProjectFile(const Project& project, ProjectHost& host);

// A project made from a path that names its project file, a TeX source or any file of
// it; reads the project file when it exists. `read` tells how that went.
Project CreateProject(const std::string& path, ProjectHost& host, ProjectRead* read = nullptr);

}  // namespace quirn

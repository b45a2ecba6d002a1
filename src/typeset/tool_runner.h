// The tool runner: BibTeX, MakeIndex and the user's tools of the Tools menu. A tool's
// parameter template is expanded for the file it works on (the active document, or
// the current project's main file), asking for a file when none is known; captured
// tools run as children whose output goes to the output window, the others as the
// desktop shell would start them.
//
// Placeholders: %% a "%", %d the file's directory, %f its name without directory and
// extension, %t its full path, %v the DVI file beside it, %p a file the user chooses;
// "%" followed by anything else stays as written.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/data_roots.h"
#include "platform/environment_block.h"

namespace quirn {

class Profile;
struct Settings;

struct ToolRecord {
    std::string menuText;
    std::string commandLine;
    std::string parameters;
    std::string workingDirectory;
    int filenameParameter = 0;  // 0 nothing, 1 " %t ", 2 " %p ", 3 " %v " before Parameters
    bool capture = false;       // a child with its output in the output window
    bool project = false;       // the current project's main file, not the active document
    // Variables set for this run alone ("NAME=value").
    EnvironmentBlock environment;
};

// The user's tools, section "Tools".
std::vector<ToolRecord> LoadTools(const Profile& profile);
// The setup dialog's add: a tool for `program` stored as the next index; the index, or
// -1 when it could not be stored.
int AddTool(Profile& profile, const std::string& program);
bool SaveTools(Profile& profile, const std::vector<ToolRecord>& tools);

// RunBibTeX's and RunMakeIndex's records.
ToolRecord BibTeXTool(const Settings& settings);
ToolRecord MakeIndexTool(const Settings& settings);

// The document a tool works on.
struct ToolDocument {
    enum Kind { None, TeX, Dvi, Other };
    Kind kind = None;
    std::string path;  // empty for a document that has no file yet
};

// What the runner needs from the application.
class ToolSeams {
  public:
    virtual ~ToolSeams() = default;
    virtual ToolDocument ActiveDocument() { return {}; }
    virtual std::string MainFileOfCurrentProject() { return {}; }
    // A file dialog; the chosen path, or empty when it was cancelled.
    virtual std::string ChooseFile(const std::string& title, const std::string& filter,
                                   const std::string& folder) = 0;
    virtual void Beep() {}
};

inline constexpr const char* kSelectFileForTool = "Select File For Tool:";
inline constexpr const char* kToolFileFilter =
    "TeX Files (*.tex)|*.tex|Text Files (*.txt)|*.txt|All Files (*.*)|*.*||";
// The title the runner gives the dialog of a %p placeholder.
inline constexpr const char* kChooseParameterTitle = "%p";

// A tool ready to start.
struct ToolLaunch {
    std::string commandLine;  // the command, one blank, the expanded parameters
    std::vector<std::string> arguments;
    std::string workingDirectory;
    bool capture = false;
    EnvironmentBlock environment;  // the record's variables
};

enum class ToolStop { Nothing, Cancelled, Beep };

// RunTool up to the start: the file, the expanded parameters, the directory and the
// command. None when nothing is to run (`why` says whether a dialog was cancelled or
// a placeholder had nothing to expand, which has already beeped).
std::optional<ToolLaunch> PrepareTool(const ToolRecord& tool, const DataRoots& roots,
                                      ToolSeams& seams, ToolStop* why = nullptr);

// The expansion of one template for `file` (exposed for tests). False when a
// placeholder other than %p expanded to nothing or a %p dialog was cancelled.
bool ExpandToolParameters(const std::string& pattern, const std::string& file, ToolSeams& seams,
                          std::string& out, ToolStop& why);

}  // namespace quirn

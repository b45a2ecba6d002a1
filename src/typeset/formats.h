// TeX formats: the precompiled macro packages (".fmt" files) the engine loads with
// "&name". Quirn keeps the list of the formats in its formats directory, the user's
// choice among them, builds formats with the engine's INITeX mode, and at start-up
// makes sure that the LaTeX and plain formats exist and are rebuilt when the format
// serial of the installation changes.
#pragma once

#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/data_roots.h"
#include "process/process_list.h"

namespace quirn {

class OutputSink;
class Profile;
class UserPrompt;
struct Settings;

// VarDataPath + "texmf-var/formats", followed by "/" and the engine's name for every
// engine but "tex" (each engine has its own formats).
std::string FormatsDirectory(const DataRoots& roots, const std::string& engine);

// InstallDir + "texmf-tlv/formatserial".
std::string FormatSerialPath(const DataRoots& roots);
// The integer the serial file holds (read like "%i": decimal, 0x hex or 0 octal);
// none when the file is missing or holds no number.
std::optional<int> ReadFormatSerial(const std::string& path);

// "   Plain TeX" for plain.fmt, "   LaTeX" for latex.fmt, "   AMSTeX" for amsplain.fmt
// (in any case), otherwise three blanks and the name without its last four characters.
std::string FormatDisplayName(const std::string& fileName);

struct FormatEntry {
    std::string path;         // full path without ".fmt"
    std::string displayName;  // as the menu and the toolbar show it
    std::time_t modified = 0;
};

// The menu command of format i.
inline constexpr int kFirstFormatCommand = 33000;

class FormatList {
  public:
    // Lists every "*.fmt" in `directory` (a missing directory gives an empty list) and
    // selects the first entry whose path equals `stored`, or, failing that, whose
    // format name does; entry 0 when none does.
    void Build(const std::string& directory, const std::string& stored);

    const std::vector<FormatEntry>& Entries() const { return entries_; }
    int Count() const { return static_cast<int>(entries_.size()); }
    bool Empty() const { return entries_.empty(); }
    int Selected() const { return selected_; }

    // False (and nothing changes) for an index outside the list.
    bool Select(int index);
    // Selects the entry whose format name equals `name` (a project's format); false
    // when there is none.
    bool SelectByName(const std::string& name);

    // The selected entry's path, and its format name (the text after the last
    // separator, e.g. "latex"); empty when the list is empty.
    std::string SelectedPath() const;
    std::string SelectedName() const;

    // The Typeset menu's format items ("No Formats Available" alone when empty) and the
    // toolbar box's items ("No Formats" alone when empty).
    std::vector<std::string> MenuItems() const;
    std::vector<std::string> ToolbarItems() const;

  private:
    std::vector<FormatEntry> entries_;
    int selected_ = 0;
};

// The INITeX dialog's state, without the window: the macro kind, the macro file box
// and the multilingual check box.
class IniTexDialog {
  public:
    enum class Kind { Plain, Latex, Amstex, Other };

    // Opens with "LaTeX" chosen.
    explicit IniTexDialog(Profile& profile);

    // Puts the kind's default file ("PLAIN", "LATEX.LTX", "AMSPLAIN", nothing for
    // "Other") into the box, replaced by the kind's stored FormatFile unless that is
    // "Void".
    void Choose(Kind kind);
    Kind Chosen() const { return kind_; }

    std::string macroFile;      // at most 256 characters are kept
    bool multilingual = false;  // "Enable Multilingual TeX extensions"

    // The "INITeX" button: an empty box shows "No Format file specified" and keeps the
    // dialog open (false); otherwise the file is stored as the kind's FormatFile.
    bool Accept(UserPrompt& prompt);

    // "--mltex" when the multilingual extensions are on.
    std::vector<std::string> ExtraOptions() const {
        return multilingual ? std::vector<std::string>{"--mltex"} : std::vector<std::string>{};
    }

    static const char* Section(Kind kind);

  private:
    Profile& profile_;
    Kind kind_ = Kind::Latex;
};

// How an INITeX run reaches the engine: the typesetter starts it (the engine in
// INITeX mode, "-ini FILE \dump" in the formats directory), its running list is
// polled, and its end-of-run analysis clears the INITeX-run flag and reports.
class IniTexRunner {
  public:
    virtual ~IniTexRunner() = default;
    // Starts the engine on `macroFile` with `extraOptions` and sets the INITeX-run
    // flag. False when nothing was started.
    virtual bool StartIniTeX(const std::string& macroFile,
                             const std::vector<std::string>& extraOptions) = 0;
    // True while the INITeX-run flag is set.
    virtual bool IniTexRunning() = 0;
    // One polling pass over the running children.
    virtual void Poll() = 0;
};

class Formats {
  public:
    // `settings` supplies the engine (TeXEngine6) and holds the selected format.
    Formats(const DataRoots& roots, Profile& profile, Settings& settings, UserPrompt& prompt);

    std::string FormatsDir() const;

    // Rebuilds the list from the formats directory and selects the stored format.
    void BuildFormatList();
    const FormatList& List() const { return list_; }

    // Menu command 33000 + i: selects entry i and keeps it as the stored format.
    bool SelectFormat(int index);
    // A project names its format: it becomes the selected one when it is listed.
    bool SelectFormatByName(const std::string& name);

    // Builds a format. An empty `macroFile` asks through `showDialog` first (null or a
    // cancelled dialog: nothing happens). Returns 1 when the engine was started.
    // The dialog answers true for "INITeX" and false for "Cancel".
    using DialogFn = std::function<bool(IniTexDialog& dialog)>;
    int IniTeX(IniTexRunner& runner, const std::string& macroFile,
               const std::vector<std::string>& extraOptions = {},
               const DialogFn& showDialog = nullptr);

    // Start-up: rebuild LaTeX when the installation's format serial differs from the
    // stored one or latex.fmt is missing (both tests need a readable serial file);
    // `updated` (the "updated" start option) tells the user first. Waits for the build.
    // Returns true when a build ran.
    bool EnsureLatexFormat(IniTexRunner& runner, bool updated);
    // Start-up: build plain.fmt when it is missing. Returns true when a build ran.
    bool EnsurePlainFormat(IniTexRunner& runner);

  private:
    bool BuildAndWait(IniTexRunner& runner, const std::string& macroFile);

    const DataRoots& roots_;
    Profile& profile_;
    Settings& settings_;
    UserPrompt& prompt_;
    FormatList list_;
};

// Builds formats with its own running list, where no typesetter runs (the headless
// command): the engine (TeXEngine6, with the 8-bit option) runs "-ini [-etex] FILE
// \dump" in the formats directory with `environment` (the children's environment) and
// TEXFORMATS pointing there, its input closed so that an error ends the run instead of
// waiting for an answer. The end reports "\nINITeXing was successful\n" or
// "\nINITeXing failed\n" and rebuilds the list.
class ProcessIniTexRunner : public IniTexRunner {
  public:
    ProcessIniTexRunner(Formats& formats, const DataRoots& roots, const Settings& settings,
                        OutputSink& output, EnvironmentBlock environment);
    ~ProcessIniTexRunner() override;

    bool StartIniTeX(const std::string& macroFile,
                     const std::vector<std::string>& extraOptions) override;
    bool IniTexRunning() override { return running_; }
    void Poll() override;
    // The exit code of the last finished build (kStillActive before the first).
    int LastExitCode() const { return lastExitCode_; }

  private:
    Formats& formats_;
    const DataRoots& roots_;
    const Settings& settings_;
    OutputSink& output_;
    std::unique_ptr<ProcessList> list_;
    bool running_ = false;
    int lastExitCode_;
};

// The macro file as the engine gets it: names written entirely in capitals (the
// dialog's defaults, written for a file system that ignores case) are passed in lower
// case, the case of the TeX installation's files.
std::string IniTexFileArgument(const std::string& macroFile);

}  // namespace quirn

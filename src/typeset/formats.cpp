#include "typeset/formats.h"

#include <dirent.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

#include "app/profile.h"
#include "app/settings.h"
#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/user_prompt.h"
#include "typeset/engine_command.h"
#include "typeset/format_storage.h"

namespace quirn {

namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool EndsWithFmt(const std::string& name) {
    return name.size() > 4 && Lower(name.substr(name.size() - 4)) == ".fmt";
}

void SleepMilliseconds(int ms) {
    timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    while (::nanosleep(&ts, &ts) == -1) {
    }
}

}  // namespace

std::string FormatsDirectory(const DataRoots& roots, const std::string& engine) {
    std::string dir = JoinPath(roots.varDataPath, "texmf-var/formats");
    if (engine != "tex")
        dir = JoinPath(dir, engine);
    return dir;
}

std::string FormatSerialPath(const DataRoots& roots) {
    return JoinPath(roots.installDir, "texmf-tlv/formatserial");
}

std::optional<int> ReadFormatSerial(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "r");
    if (!f)
        return std::nullopt;
    int serial = 0;
    int got = std::fscanf(f, "%i", &serial);
    std::fclose(f);
    if (got != 1)
        return std::nullopt;
    return serial;
}

std::string FormatDisplayName(const std::string& fileName) {
    std::string lower = Lower(fileName);
    if (lower == "plain.fmt")
        return "   Plain TeX";
    if (lower == "latex.fmt")
        return "   LaTeX";
    if (lower == "amsplain.fmt")
        return "   AMSTeX";
    return "   " + fileName.substr(0, fileName.size() >= 4 ? fileName.size() - 4 : 0);
}

// ---------------------------------------------------------------- FormatList

void FormatList::Build(const std::string& directory, const std::string& stored) {
    entries_.clear();
    selected_ = 0;
    if (DIR* d = ::opendir(directory.c_str())) {
        while (dirent* e = ::readdir(d)) {
            std::string name = e->d_name;
            if (!EndsWithFmt(name))
                continue;
            std::string full = JoinPath(directory, name);
            struct stat st;
            if (::stat(full.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
                continue;
            entries_.push_back(
                {full.substr(0, full.size() - 4), FormatDisplayName(name), st.st_mtime});
        }
        ::closedir(d);
    }
    // The directory's own order is arbitrary here; a sorted list keeps the menu stable.
    std::sort(entries_.begin(), entries_.end(),
              [](const FormatEntry& a, const FormatEntry& b) { return a.path < b.path; });
    for (int i = 0; i < Count(); ++i) {
        if (entries_[i].path == stored) {
            selected_ = i;
            return;
        }
    }
    // A format kept by name (or from another engine's directory) is still the one meant.
    if (!stored.empty())
        SelectByName(FileNameOf(stored));
}

bool FormatList::Select(int index) {
    if (index < 0 || index >= Count())
        return false;
    selected_ = index;
    return true;
}

bool FormatList::SelectByName(const std::string& name) {
    for (int i = 0; i < Count(); ++i) {
        if (FileNameOf(entries_[i].path) == name)
            return Select(i);
    }
    return false;
}

std::string FormatList::SelectedPath() const {
    return Empty() ? std::string() : entries_[static_cast<size_t>(selected_)].path;
}

std::string FormatList::SelectedName() const {
    return FileNameOf(SelectedPath());
}

std::vector<std::string> FormatList::MenuItems() const {
    if (Empty())
        return {"No Formats Available"};
    std::vector<std::string> items;
    for (const auto& e : entries_)
        items.push_back(e.displayName);
    return items;
}

std::vector<std::string> FormatList::ToolbarItems() const {
    if (Empty())
        return {"No Formats"};
    std::vector<std::string> items;
    for (const auto& e : entries_)
        items.push_back(e.displayName);
    return items;
}

// ---------------------------------------------------------------- IniTexDialog

IniTexDialog::IniTexDialog(Profile& profile) : profile_(profile) {
    Choose(Kind::Latex);
}

const char* IniTexDialog::Section(Kind kind) {
    switch (kind) {
        case Kind::Plain:
            return "IniTexPlain";
        case Kind::Latex:
            return "IniTexLatex";
        case Kind::Amstex:
            return "IniTexAmstex";
        case Kind::Other:
            break;
    }
    return "IniTexOther";
}

void IniTexDialog::Choose(Kind kind) {
    kind_ = kind;
    switch (kind) {
        case Kind::Plain:
            macroFile = "PLAIN";
            break;
        case Kind::Latex:
            macroFile = "LATEX.LTX";
            break;
        case Kind::Amstex:
            macroFile = "AMSPLAIN";
            break;
        case Kind::Other:
            macroFile.clear();
            break;
    }
    std::string stored = profile_.GetText(Section(kind), "FormatFile", "Void");
    if (stored != "Void")
        macroFile = stored;
}

bool IniTexDialog::Accept(UserPrompt& prompt) {
    if (macroFile.size() > 256)
        macroFile.resize(256);
    if (macroFile.empty()) {
        prompt.ShowMessage("No Format file specified");
        return false;
    }
    profile_.WriteText(Section(kind_), "FormatFile", macroFile);
    return true;
}

std::string IniTexFileArgument(const std::string& macroFile) {
    bool hasLower = std::any_of(macroFile.begin(), macroFile.end(),
                                [](unsigned char c) { return std::islower(c); });
    if (hasLower || macroFile.find('/') != std::string::npos)
        return macroFile;
    std::string lower = macroFile;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// ---------------------------------------------------------------- Formats

Formats::Formats(const DataRoots& roots, Profile& profile, Settings& settings, UserPrompt& prompt)
    : roots_(roots), profile_(profile), settings_(settings), prompt_(prompt) {}

std::string Formats::FormatsDir() const {
    return FormatsDirectory(roots_, settings_.texEngine);
}

void Formats::BuildFormatList() {
    list_.Build(FormatsDir(), settings_.format);
}

bool Formats::SelectFormat(int index) {
    if (!list_.Select(index))
        return false;
    settings_.format = list_.SelectedPath();
    return true;
}

bool Formats::SelectFormatByName(const std::string& name) {
    if (!list_.SelectByName(name))
        return false;
    settings_.format = list_.SelectedPath();
    return true;
}

int Formats::IniTeX(IniTexRunner& runner, const std::string& macroFile,
                    const std::vector<std::string>& extraOptions, const DialogFn& showDialog) {
    std::string file = macroFile;
    std::vector<std::string> extra = extraOptions;
    if (file.empty()) {
        IniTexDialog dialog(profile_);
        if (!showDialog || !showDialog(dialog))
            return 0;
        file = dialog.macroFile;
        for (const std::string& option : dialog.ExtraOptions())
            extra.push_back(option);
    }
    if (file.empty())
        return 0;
    std::error_code ec;
    std::filesystem::create_directories(FormatsDir(), ec);
    return runner.StartIniTeX(IniTexFileArgument(file), extra) ? 1 : 0;
}

bool Formats::BuildAndWait(IniTexRunner& runner, const std::string& macroFile) {
    if (IniTeX(runner, macroFile) != 1)
        return false;
    while (runner.IniTexRunning()) {
        SleepMilliseconds(300);
        runner.Poll();
    }
    return true;
}

bool Formats::EnsureLatexFormat(IniTexRunner& runner, bool updated) {
    std::error_code ec;
    std::filesystem::create_directories(FormatsDir(), ec);
    std::optional<int> serial = ReadFormatSerial(FormatSerialPath(roots_));
    if (!serial)
        return false;
    bool rebuild = false;
    if (*serial != profile_.GetInt("Settings", "FormatSerial", -1)) {
        rebuild = true;
        profile_.WriteInt("Settings", "FormatSerial", *serial);
        if (updated) {
            prompt_.ShowMessage(
                "Some of the files that were updated require iniTeXing to take effect.\n"
                "We will automatically do this now for LaTeX.\n"
                "If you have used iniTeX to create other format files, you may wish to "
                "repeat the process.");
        }
    }
    if (!FileExists(JoinPath(FormatsDir(), "latex.fmt")))
        rebuild = true;
    if (!rebuild)
        return false;
    return BuildAndWait(runner, "latex.ltx");
}

bool Formats::EnsurePlainFormat(IniTexRunner& runner) {
    std::error_code ec;
    std::filesystem::create_directories(FormatsDir(), ec);
    if (FileExists(JoinPath(FormatsDir(), "plain.fmt")))
        return false;
    return BuildAndWait(runner, "plain");
}

// ---------------------------------------------------------------- ProcessIniTexRunner

ProcessIniTexRunner::ProcessIniTexRunner(Formats& formats, const DataRoots& roots,
                                         const Settings& settings, OutputSink& output,
                                         EnvironmentBlock environment)
    : formats_(formats),
      roots_(roots),
      settings_(settings),
      output_(output),
      list_(std::make_unique<ProcessList>(&output, roots.installDir)),
      lastExitCode_(kStillActive) {
    list_->SetEnvironment(std::move(environment));
    list_->SetEndHandler([this](ChildProcess& child) {
        lastExitCode_ = child.ExitCode();
        output_.AppendOutput(lastExitCode_ == 0 ? "\nINITeXing was successful\n"
                                                : "\nINITeXing failed\n");
        if (lastExitCode_ == 0) {
            output_.AppendOutput("----------------------------------------\n");
            InflateFormatsIn(formats_.FormatsDir(), output_);
        }
        running_ = false;
        formats_.BuildFormatList();
        return true;
    });
}

ProcessIniTexRunner::~ProcessIniTexRunner() = default;

bool ProcessIniTexRunner::StartIniTeX(const std::string& macroFile,
                                      const std::vector<std::string>& extraOptions) {
    EngineCommand command;
    command.engine = settings_.texEngine;
    command.program = ResolveEngineProgram(roots_.installDir, command.engine);
    if (command.program.empty()) {
        output_.AppendOutput("TeX engine: " + command.engine + " is missing\n");
        return false;
    }
    command.eightBit = settings_.texEngine8bit != 0;
    command.extraOptions = extraOptions;
    command.fileArgument = macroFile;
    command.iniTeX = true;

    const std::string dir = formats_.FormatsDir();
    output_.AppendOutput("*** Typesetting " + macroFile + " ***\n");
    StartOptions options;
    options.typeset = true;
    options.extraEnvironment = {"TEXFORMATS=" + dir};
    ChildProcess* child = list_->StartProcess(BuildEngineArguments(command), dir, options);
    if (!child)
        return false;
    child->CloseInput();
    running_ = true;
    return true;
}

void ProcessIniTexRunner::Poll() {
    list_->Poll();
}

}  // namespace quirn

// quirn-cli typeset FILE.tex [--format NAME] [--mode DVI|PDF] [--answer yes|no]
// [--engine NAME]: the whole Typeset path without a window, started the way a batch
// typeset start ("TEX=FILE", "FORMAT=NAME") starts the program.
//
// The output window's text streams to standard output as it arrives. What the window
// application would show in a dialog goes to standard error: every question as
// "question: " + its text, answered by --answer (the "Finished Typesetting!" dialog takes
// its proposed choice with yes and "Done" with no), every message box as "message: " +
// its text, the hand-off to the editor as "goto: FILE:LINE" and to a viewer as
// "view: PATH". Standard input is typed into the output window, so answers can be given
// to the engine; once it has ended, an engine that waits for an answer gets the end of
// its input instead of waiting for ever. SIGINT and SIGTERM cancel the run.
//
// Exit status: the run's result code (0 success, 99 cancelled, the engine's exit code
// otherwise), 1 when the run was refused, 2 for a wrong command line.
#include <poll.h>
#include <signal.h>
#include <strings.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/settings.h"
#include "app/tex_environment.h"
#include "cli/commands.h"
#include "packages/missing_files.h"
#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/settings_store.h"
#include "platform/user_prompt.h"
#include "process/process_list.h"
#include "typeset/formats.h"
#include "typeset/output_monitor.h"
#include "typeset/pre_typeset_checks.h"
#include "typeset/typeset_seams.h"
#include "typeset/typesetter.h"

namespace quirn::cli {

using UsedFilesHandler =
    std::function<void(const std::string& mainFile, const std::vector<std::string>& usedFiles)>;

namespace {

bool IsTypesetMode(const std::string& mode) {
    return strcasecmp(mode.c_str(), "DVI") == 0 || strcasecmp(mode.c_str(), "PDF") == 0;
}

const char* const kUsage =
    "FILE.tex [--format NAME] [--mode DVI|PDF] [--answer yes|no] [--engine NAME] [--no-auto]";

// A document that keeps changing its lists would be typeset again for ever when every
// "Finished Typesetting!" dialog is answered with its proposed choice.
constexpr int kMaxTypesetAgain = 10;

// The idle processing's period while a run is going on.
constexpr int kPollMs = 20;

// How long a silent engine is left alone when the system cannot tell whether it waits
// for an answer.
constexpr long long kUnknownWaitMs = 30000;

volatile sig_atomic_t g_cancelRequests = 0;

void OnCancelSignal(int) {
    g_cancelRequests = g_cancelRequests + 1;
}

class CliPrompt : public UserPrompt {
  public:
    explicit CliPrompt(bool yes) : yes_(yes) {}

    void ShowMessage(const std::string& text) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        std::fflush(stderr);
    }

    int Ask(const std::string& text, const std::vector<std::string>& buttons, int affirmative,
            int negative) override {
        std::fprintf(stderr, "question: %s\n", text.c_str());
        std::fflush(stderr);
        int choice = yes_ ? affirmative : negative;
        bool typesetAgain = choice >= 0 && choice < static_cast<int>(buttons.size()) &&
                            buttons[choice] == "Typeset Again";
        if (typesetAgain && ++typesetAgain_ > kMaxTypesetAgain) {
            std::fprintf(stderr, "quirn-cli: still asked to typeset again after %d runs; Done\n",
                         kMaxTypesetAgain);
            return negative;
        }
        return choice;
    }

  private:
    bool yes_;
    int typesetAgain_ = 0;
};

class CliSeams : public TypesetSeams {
  public:
    explicit CliSeams(const UsedFilesHandler& usedFiles) : usedFiles_(usedFiles) {}
    void RefreshFilesAfterTypeset(const std::string& mainFile,
                                  const std::vector<std::string>& usedFiles) override {
        if (usedFiles_)
            usedFiles_(mainFile, usedFiles);
    }
    // The missing-file resolution, once start-up has made it.
    void SetResolver(MissingFileResolver* resolver) { resolver_ = resolver; }
    bool ResolveMissingFile(const std::string& name) override {
        return resolver_ != nullptr && resolver_->ResolveMissingFile(name, true, true);
    }
    // The checks before a run, once start-up has set up what they need.
    std::function<bool(const std::string&)> preTypesetChecks;
    std::function<void(const std::string&)> convertGraphics;
    bool PreTypesetChecks(const std::string& file) override {
        return !preTypesetChecks || preTypesetChecks(file);
    }
    void ConvertGraphics(const std::string& file, bool) override {
        if (convertGraphics)
            convertGraphics(file);
    }
    void GoToLine(const std::string& file, int line) override {
        std::fprintf(stderr, "goto: %s:%d\n", file.c_str(), line);
        std::fflush(stderr);
    }
    void OpenDocumentFile(const std::string& path) override { Print("view: " + path); }
    void OpenPdf(const std::string& path) override { Print("view: " + path); }

  private:
    MissingFileResolver* resolver_ = nullptr;

    static void Print(const std::string& line) {
        std::fprintf(stderr, "%s\n", line.c_str());
        std::fflush(stderr);
    }

    const UsedFilesHandler& usedFiles_;
};

// Whether the process sits in a read of its standard input: yes, no, or unknown when
// the system does not tell (its /proc entry is not readable).
enum class Reading { Yes, No, Unknown };

Reading ReadingStandardInput(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/syscall");
    long number = -1;
    std::string firstArgument;
    if (!in)
        return Reading::Unknown;
    if (!(in >> number >> firstArgument))
        return Reading::No;  // "running": not in a system call
    return number == SYS_read && firstArgument == "0x0" ? Reading::Yes : Reading::No;
}

struct Options {
    std::string file;
    std::string format;
    std::string mode;
    std::string engine;
    bool yes = true;
    bool autoRuns = true;        // BibTeX and MakeIndex when the document needs them
    UsedFilesHandler usedFiles;  // a project's typeset run keeps its files up to date
};

bool ParseOptions(const std::vector<std::string>& args, Options& o) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool hasValue = i + 1 < args.size();
        if (a == "--format" && hasValue) {
            o.format = args[++i];
        } else if (a == "--mode" && hasValue) {
            o.mode = args[++i];
            if (strcasecmp(o.mode.c_str(), "DVI") != 0 && strcasecmp(o.mode.c_str(), "PDF") != 0) {
                return false;
            }
        } else if (a == "--answer" && hasValue) {
            const std::string& v = args[++i];
            if (v != "yes" && v != "no")
                return false;
            o.yes = v == "yes";
        } else if (a == "--engine" && hasValue) {
            o.engine = args[++i];
        } else if (a == "--no-auto") {
            o.autoRuns = false;
        } else if (a.rfind("--", 0) == 0 || !o.file.empty()) {
            return false;
        } else {
            o.file = a;
        }
    }
    return !o.file.empty();
}

// Everything the window application would hold, for one headless batch run.
class HeadlessTypeset {
  public:
    HeadlessTypeset(const Options& options, SettingsStore& store)
        : options_(options),
          stdoutSink_(stdout),
          monitor_(&stdoutSink_),
          prompt_(options.yes),
          seams_(options.usedFiles),
          app_(store, monitor_, prompt_) {}

    int Run() {
        std::vector<std::string> args{"-TEX=" + options_.file};
        if (!options_.format.empty())
            args.push_back("-FORMAT=" + options_.format);
        app_.InitInstance(JoinCommandLine(args), Seams());
        if (!typesetter_)
            return 1;
        // The command line's engine and mode are for this run only.
        Settings& record = app_.Record();
        if (!options_.engine.empty())
            record.texEngine = savedEngine_;
        if (!options_.mode.empty())
            record.mode = savedMode_;
        app_.ExitInstance();
        return result_;
    }

  private:
    StartupSeams Seams() {
        StartupSeams s;
        s.establishRoots = [this](DataRoots& roots) {
            return EstablishRoots(roots, app_.GetProfile(), monitor_, &prompt_);
        };
        s.buildFormatList = [this] { Prepare(); };
        // The missing-file database and the basic package set: failures are output
        // lines, and the run goes on.
        s.loadMissingFileDatabase = [this] { Resolver().LoadMissingFileDatabase(); };
        s.installPackage = [this](const std::string& package) {
            if (Resolver().InstallLocalPackage(package))
                return true;
            monitor_.AppendOutput("No local archive of the package " + package + "\n");
            return false;
        };
        s.fetchMissingFile = [this](const std::string& file) {
            return Resolver().ResolveMissingFile(file, true, false);
        };
        s.ensureFormats = [this] {
            FormatBuilds builds(*this);
            formats_->EnsureLatexFormat(builds, app_.Options().updated);
            formats_->EnsurePlainFormat(builds);
        };
        s.typeset = [this](const std::string& file, const std::string& format) {
            result_ = Typeset(file, format);
            return result_;
        };
        return s;
    }

    MissingFileResolver& Resolver() {
        if (!resolver_) {
            resolver_ = std::make_unique<MissingFileResolver>(app_.Context());
            seams_.SetResolver(resolver_.get());
        }
        return *resolver_;
    }

    // After the settings are loaded: the command line's choices, the format list and
    // the typesetter with its running list.
    void Prepare() {
        Settings& record = app_.Record();
        savedEngine_ = record.texEngine;
        savedMode_ = record.mode;
        if (!options_.engine.empty())
            record.texEngine = options_.engine;
        if (!options_.mode.empty())
            record.mode = options_.mode;
        AppContext& ctx = app_.Context();
        formats_ = std::make_unique<Formats>(ctx.roots, app_.GetProfile(), record, prompt_);
        formats_->BuildFormatList();
        processes_ = std::make_unique<ProcessList>(&monitor_, ctx.roots.installDir);
        processes_->SetEnvironment(ctx.childEnvironment);
        typesetter_ = std::make_unique<Typesetter>(ctx, *processes_, monitor_, *formats_, seams_);
        typesetter_->SetAutoAuxiliaryRuns(options_.autoRuns);
        Resolver();
        seams_.preTypesetChecks = [this](const std::string& file) {
            return quirn::PreTypesetChecks(file, app_.Context(), *formats_, monitor_);
        };
        seams_.convertGraphics = [this](const std::string& file) {
            AppContext& context = app_.Context();
            ConvertGraphicsFolder(JoinPath(DirectoryOf(file), "converted_graphics"),
                                  {context.roots.installDir, context.childEnvironment, &monitor_});
        };
    }

    int Typeset(const std::string& file, const std::string& format) {
        if (g_cancelRequests)
            return kKilledExitCode;
        typesetter_->SetBatch(true, format);
        if (typesetter_->Typeset(file) != 0) {
            std::fprintf(stderr, "quirn-cli: nothing was typeset%s\n",
                         formats_->List().Empty() ? " (No Formats Available)" : "");
            return 1;
        }
        while (typesetter_->Busy())
            PollOnce();
        // A run refused after it waited for its PDF output started no engine.
        return typesetter_->LastResult() < 0 ? 1 : typesetter_->LastResult();
    }

    // The idle processing of the window application: a cancel request, the running
    // children, and what is typed on standard input.
    void PollOnce() {
        if (g_cancelRequests != cancelsSeen_) {
            cancelsSeen_ = g_cancelRequests;
            typesetter_->Cancel();
        }
        typesetter_->Poll();
        if (!typesetter_->Busy())
            return;
        if (!inputEnded_) {
            pollfd in{STDIN_FILENO, POLLIN, 0};
            if (::poll(&in, 1, kPollMs) > 0) {
                char buf[256];
                ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
                if (n <= 0)
                    inputEnded_ = true;
                for (ssize_t i = 0; i < n; ++i)
                    typesetter_->TypeCharacter(buf[i]);
            }
            return;
        }
        EndInputOfWaitingEngine();
        // Until the engine writes or ends (or the next check is due).
        for (ChildProcess* child : processes_->Children()) {
            if (child->IsTypeset()) {
                child->WaitForOutputOrExit(kPollMs);
                return;
            }
        }
        ::usleep(kPollMs * 1000);
    }

    // Format builds at start-up run through the typesetter and are polled the same way.
    class FormatBuilds : public IniTexRunner {
      public:
        explicit FormatBuilds(HeadlessTypeset& run) : run_(run) {}
        bool StartIniTeX(const std::string& macroFile,
                         const std::vector<std::string>& extra) override {
            return run_.typesetter_->StartIniTeX(macroFile, extra);
        }
        bool IniTexRunning() override { return run_.typesetter_->IniTexRunning(); }
        void Poll() override { run_.PollOnce(); }

      private:
        HeadlessTypeset& run_;
    };

    // Nobody is left to answer: an engine that has been silent well past the
    // interactive-stop check and sits reading its input gets the end of it.
    void EndInputOfWaitingEngine() {
        long long silent = monitor_.SilentMilliseconds();
        if (silent < 3 * Typesetter::kSilenceMs)
            return;
        for (ChildProcess* child : processes_->Children()) {
            if (!child->IsTypeset() || child->HasEnded())
                continue;
            Reading reading = ReadingStandardInput(child->Pid());
            // Without word from the system: once the user was handed the engine's
            // questions, or after a long silence.
            bool waiting = reading == Reading::Yes ||
                           (reading == Reading::Unknown &&
                            (!typesetter_->State().watch || silent > kUnknownWaitMs));
            if (waiting)
                typesetter_->CloseEngineInput();
        }
    }

    const Options& options_;
    StreamSink stdoutSink_;
    OutputMonitor monitor_;
    CliPrompt prompt_;
    CliSeams seams_;
    Application app_;
    std::unique_ptr<Formats> formats_;
    std::unique_ptr<ProcessList> processes_;
    std::unique_ptr<Typesetter> typesetter_;
    std::unique_ptr<MissingFileResolver> resolver_;
    std::string savedEngine_;
    std::string savedMode_;
    int result_ = 1;
    bool inputEnded_ = false;
    int cancelsSeen_ = 0;
};

int RunHeadlessTypeset(const Options& options) {
    struct sigaction action {};
    action.sa_handler = OnCancelSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);

    StreamSink err(stderr);
    auto store = OpenFileStore(DefaultStoreDirectory(), &err);
    HeadlessTypeset run(options, *store);
    return run.Run();
}

int TypesetCommand(const std::vector<std::string>& args) {
    Options options;
    if (!ParseOptions(args, options)) {
        std::fprintf(stderr, "usage: quirn-cli typeset %s\n", kUsage);
        return 2;
    }
    std::error_code ec;
    std::filesystem::path file =
        std::filesystem::path(AbsolutePath(options.file, StartFolder())).lexically_normal();
    if (!std::filesystem::is_regular_file(file, ec)) {
        std::fprintf(stderr, "quirn-cli: cannot find the file to typeset: %s\n",
                     options.file.c_str());
        return 1;
    }
    // The program's command line cannot carry a double quote inside a file name.
    if (file.string().find('"') != std::string::npos) {
        std::fprintf(stderr, "quirn-cli: cannot typeset a file whose name holds '\"': %s\n",
                     options.file.c_str());
        return 1;
    }
    options.file = file.string();
    return RunHeadlessTypeset(options);
}

}  // namespace

int TypesetWithProject(const std::string& file, const std::string& format, const std::string& mode,
                       bool yes, const UsedFilesHandler& usedFiles) {
    Options options;
    options.file = file;
    options.format = format;
    if (IsTypesetMode(mode))
        options.mode = mode;
    options.yes = yes;
    options.usedFiles = usedFiles;
    return RunHeadlessTypeset(options);
}

QUIRN_CLI_COMMAND(
    "typeset", kUsage, "typeset a file as the Typeset command does",
    "Typesets FILE.tex the whole way the window's Typeset command does, started as a\n"
    "batch typeset start (\"-TEX=FILE -FORMAT=NAME\") starts the program.\n"
    "  --format NAME     the format (default: the one the settings name)\n"
    "  --mode DVI|PDF    the output\n"
    "  --answer yes|no   the answer to every question: its proposed choice with yes\n"
    "                    (the default), Done or No with no\n"
    "  --engine NAME     the TeX engine\n"
    "  --no-auto         no BibTeX or MakeIndex runs when the bibliography or the\n"
    "                    index is out of date (the setting AutoBibTeX does the same)\n"
    "The output window's text streams to standard output as it arrives. What the\n"
    "window would show in a dialog goes to standard error: questions as \"question: \"\n"
    "lines, message boxes as \"message: \" lines, the hand-over to the editor as\n"
    "\"goto: FILE:LINE\" and to a viewer as \"view: PATH\". Standard input is typed into\n"
    "the output window, so the engine's questions can be answered. SIGINT and SIGTERM\n"
    "cancel the run.\n"
    "A file the run misses is looked up in the missing-file database; its package is\n"
    "installed (from a local archive or the package server) and the run starts again.\n"
    "Exit status: 0 for success, 99 when cancelled, the engine's exit status when it\n"
    "failed, 1 when the run was refused.\n",
    TypesetCommand);

}  // namespace quirn::cli

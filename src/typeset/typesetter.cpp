#include "typeset/typesetter.h"

#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <utility>

#include "app/app_context.h"
#include "app/profile.h"
#include "app/settings.h"
#include "app/tex_environment.h"
#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/user_prompt.h"
#include "process/command_line.h"
#include "process/process_list.h"
#include "typeset/engine_command.h"
#include "typeset/output_analysis.h"
#include "typeset/output_monitor.h"
#include "typeset/typeset_seams.h"

namespace quirn {

namespace {

// The file-search trace arrives on the engine's standard error, which the C library
// leaves unbuffered and kpathsea flushes after every line: a long document makes
// thousands of small writes. A preload for the engine alone buffers that stream (the
// trace is only read once the run is over): Quirn's own also leaves out the per-line
// flushes, the system's stdio buffering tool at least gives the stream a buffer.
// Without either nothing changes.
std::vector<std::string> TraceBufferingEnvironment(const std::string& installDir,
                                                   const EnvironmentBlock& environment) {
    const std::string own = installDir + "lib/libquirn-tracebuf.so";
    const std::pair<std::string, std::vector<std::string>> kPreloads[] = {
        {own, {}},
        {"/usr/libexec/coreutils/libstdbuf.so", {"_STDBUF_E=65536"}},
        {"/usr/lib/coreutils/libstdbuf.so", {"_STDBUF_E=65536"}},
    };
    for (const auto& [preload, settings] : kPreloads) {
        if (::access(preload.c_str(), R_OK) != 0)
            continue;
        std::string list = preload;
        std::string old = EnvironmentValue(environment, "LD_PRELOAD").value_or("");
        if (!old.empty())
            list = old + ":" + list;
        std::vector<std::string> environment{"LD_PRELOAD=" + list};
        environment.insert(environment.end(), settings.begin(), settings.end());
        return environment;
    }
    return {};
}

// The editor call TeX makes when the user answers an error stop with "e": TeX fills
// in the line and the file and runs the command through /bin/sh; its line in the
// output tells the end-of-run analysis where the error is. The file name is pasted
// into the command as it is, so it goes into the body of a here-document with a quoted
// delimiter, where the shell reads every character literally: blanks, quotes, "$",
// ";", "&" and backquotes stay part of the name.
constexpr const char* kTexEdit =
    "cat <<'QUIRN_ERROR_LINE'\n*** ERROR Line %d in %s\nQUIRN_ERROR_LINE\n";

// The answer Yes as the prompt settings store it.
constexpr int kAnswerYes = 6;

const char* const kMissingFileQuestion =
    "The typesetter couldn't find the file `%s' required to typeset your document\n\n"
    "Would you like to have Quirn try to automatically determine what package to install "
    "to correct this?\n";

const char* const kErrorStopQuestion =
    "The typesetter has encountered an error in your document\n\n"
    "Would you like to go edit your document at the error?\n\n"
    "  (Choosing No allows you to interact with the typesetter)";

bool IsPdfMode(const Settings& settings) {
    return strcasecmp(settings.mode.c_str(), "PDF") == 0;
}

bool IsOutputDocument(const std::string& path) {
    std::string ext = ExtensionOf(path);
    return strcasecmp(ext.c_str(), "dvi") == 0 || strcasecmp(ext.c_str(), "ps") == 0 ||
           strcasecmp(ext.c_str(), "pdf") == 0;
}

// True when a run may write `pdf`: it does not exist, or it opens for writing.
bool PdfWritable(const std::string& pdf) {
    if (!FileExists(pdf))
        return true;
    int fd = ::open(pdf.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

}  // namespace

Typesetter::Typesetter(AppContext& context, ProcessList& processes, OutputMonitor& monitor,
                       Formats& formats, TypesetSeams& seams)
    : ctx_(context), processes_(processes), monitor_(monitor), formats_(formats), seams_(seams) {
    processes_.SetEndHandler([this](ChildProcess& child) { return EndOfRun(child); });
}

Typesetter::~Typesetter() {
    processes_.SetEndHandler(nullptr);
    DropTrace();
}

void Typesetter::SetBatch(bool batch, std::string formatName) {
    batch_ = batch;
    batchFormat_ = std::move(formatName);
}

void Typesetter::SetDebugOption(const std::string& key, const std::string& value) {
    debug_[key] = value;
    if (key == "process")
        processes_.SetTraceStarts(std::atoi(value.c_str()) != 0);
}

int Typesetter::TypesetCommand(const std::string& activeDocument) {
    std::string file = seams_.MainFileFor(activeDocument);
    if (file.empty()) {
        ctx_.prompt->ShowMessage("You may not typeset this file");
        return -1;
    }
    if (IsOutputDocument(file)) {
        ctx_.prompt->ShowMessage(
            "This output file is not associated with any tex source to typeset\n"
            "Open the source file, and try typesetting that.\n"
            " (For non-standard extensions, you may need to set the primary\n"
            " TeX file by right clicking on it in the project window)");
        return -1;
    }
    return Typeset(file);
}

int Typesetter::Typeset(const std::string& file, const std::vector<std::string>& extraOptions) {
    return StartTypeset(file, extraOptions, false);
}

int Typesetter::StartTypeset(const std::string& file, std::vector<std::string> extra,
                             bool pdfOutput) {
    if (state_.inProgress || ending_)
        return -1;
    Settings& settings = *ctx_.settings;

    std::string source = batch_ ? file : seams_.MainFileFor(file);
    if (source.empty())
        return -1;
    if (!seams_.PreTypesetChecks(source) || formats_.List().Empty())
        return -1;
    if (!seams_.SaveAllModified())
        return -1;

    if (!EngineWritesPdf(settings.texEngine) &&
        seams_.ActiveTeXDocumentText().find("\\usepackage[pdftex]{graphicx}") !=
            std::string::npos) {
        extra.push_back("--output-format=pdf");
        pdfOutput = true;
    }
    const bool pdf = IsPdfMode(settings) || EngineWritesPdf(settings.texEngine);
    seams_.ConvertGraphics(source, pdf);

    state_.file = file;
    state_.source = source;
    state_.expectedOutput = ExpectedOutputName(source);
    state_.listChecksums = TakeListChecksums(StripExtension(source));
    state_.rerunCounter = 0;
    auxiliaryBefore_ = TakeAuxiliarySnapshot(StripExtension(source));
    if (!chained_) {
        bibtexRan_ = false;
        makeIndexRan_ = false;
        autoReruns_ = 0;
    }

    std::string format =
        batch_ && !batchFormat_.empty() ? BatchFormatName() : formats_.List().SelectedName();
    if (format.empty())
        return -1;

    state_.pdfRun = pdfOutput || pdf;
    state_.iniTeXRun = false;
    state_.inProgress = true;
    if (pdf) {
        for (std::string& option : PdfRunOptions(settings.texEngine))
            extra.push_back(std::move(option));
        std::string pdfFile = PdfOutputName(source);
        seams_.ReleasePdf(pdfFile);
        if (!PdfWritable(pdfFile)) {
            // A viewer may take a moment to let go of it: Poll looks again.
            pendingStart_ = PendingStart{format, std::move(extra),
                                         Clock::now() + std::chrono::milliseconds(kPdfReleaseMs)};
            return 0;
        }
    }
    return StartTeX(source, format, extra);
}

void Typesetter::ContinuePdfWait() {
    if (!pendingStart_)
        return;
    if (PdfWritable(PdfOutputName(state_.source))) {
        PendingStart start = std::move(*pendingStart_);
        pendingStart_.reset();
        if (StartTeX(state_.source, start.format, start.extraOptions) != 0)
            lastResult_ = -1;
        return;
    }
    if (Clock::now() < pendingStart_->deadline)
        return;
    pendingStart_.reset();
    state_.inProgress = false;
    lastResult_ = -1;
    ctx_.prompt->ShowMessage(
        "The PDF file is locked and cannot be opened for writing.\n"
        "Close the PDF viewer and any other programs currently locking this file and try "
        "again.");
}

std::string Typesetter::BatchFormatName() const {
    // The batch option names the format in capitals; the formats directory has it in
    // its own case.
    for (const FormatEntry& entry : formats_.List().Entries()) {
        std::string name = FileNameOf(entry.path);
        if (strcasecmp(name.c_str(), batchFormat_.c_str()) == 0)
            return name;
    }
    return batchFormat_;
}

int Typesetter::StartTeX(const std::string& source, const std::string& format,
                         const std::vector<std::string>& extraOptions) {
    Settings& settings = *ctx_.settings;
    // A new run clears the output window; what follows belongs to it.
    monitor_.Clear();
    // A run that continues a chain of BibTeX and MakeIndex runs keeps what they said.
    if (!chained_)
        seams_.ClearOutput();
    state_.watch = true;
    pending_.clear();

    if (settings.texEngine.empty())
        settings.texEngine = "pdfetex";
    std::string program = ResolveEngineProgram(ctx_.roots.installDir, settings.texEngine);
    if (program.empty()) {
        monitor_.AppendOutput("TeX engine: " + settings.texEngine +
                              " is missing, resetting to regular 'tex'\n");
        settings.texEngine = "tex";
        program = ResolveEngineProgram(ctx_.roots.installDir, "tex");
    }

    EngineCommand command;
    command.program = program.empty() ? settings.texEngine : program;
    command.engine = settings.texEngine;
    command.eightBit = settings.texEngine8bit != 0;
    command.extraOptions = extraOptions;
    command.format = format;
    command.fileArgument = FileNameOf(source);
    command.iniTeX = state_.iniTeXRun;
    auto scheme = debug_.find("texscheme");
    command.dumpScheme = scheme != debug_.end() && scheme->second == "dump";
    std::string workingDir = state_.iniTeXRun ? formats_.FormatsDir() : DirectoryOf(source);
    std::vector<std::string> arguments = BuildEngineArguments(command);
    state_.runDirectory = workingDir;

    DropTrace();
    state_.traceFile = ctx_.temporary.MakeFile("qui", ".tmp");

    monitor_.AppendOutput("*** Typesetting " + source + " ***\n");
    StartOptions options;
    options.typeset = true;
    options.errorFile = state_.traceFile;
    // The engine's own variables; the input path follows the directory settings as
    // they are now.
    options.extraEnvironment = {std::string("TEXEDIT=") + kTexEdit, "KPATHSEA_DEBUG=32",
                                "KPATHSEA_DEBUG_OUTPUT=" + state_.traceFile,
                                UserTexInputEntry(ctx_.roots, *ctx_.profile),
                                "TEXFORMATS=" + formats_.FormatsDir()};
    const EnvironmentBlock& base =
        processes_.Environment().empty() ? ProcessEnvironment() : processes_.Environment();
    for (std::string& entry : TraceBufferingEnvironment(ctx_.roots.installDir, base))
        options.extraEnvironment.push_back(std::move(entry));
    const std::string line = DisplayCommandLine(arguments);
    ChildProcess* child = processes_.StartProcess(std::move(arguments), workingDir, options);
    if (!child) {
        monitor_.AppendOutput("Unable to start the typesetter: " + line + "\n");
        state_.inProgress = false;
        state_.iniTeXRun = false;
        state_.watch = false;
        DropTrace();
        return -1;
    }
    engineInput_ = child->Input();
    return 0;
}

bool Typesetter::StartIniTeX(const std::string& macroFile,
                             const std::vector<std::string>& extraOptions) {
    if (state_.inProgress || ending_)
        return false;
    state_.iniTeXRun = true;
    state_.pdfRun = false;
    state_.inProgress = true;
    state_.file = state_.source = macroFile;
    state_.iniTeXExtra = extraOptions;
    return StartTeX(macroFile, "", extraOptions) == 0;
}

void Typesetter::Poll() {
    ContinuePdfWait();
    processes_.Poll();
    CheckInteractiveStop();
}

bool Typesetter::Busy() const {
    return state_.inProgress || ending_ || auxiliaryRun_ || processes_.AnyTypesetRunning();
}

void Typesetter::CheckInteractiveStop() {
    if (!state_.inProgress || !state_.watch || monitor_.SilentMilliseconds() <= kSilenceMs) {
        return;
    }
    InteractiveStop stop = RecognizeInteractiveStop(monitor_.Text());
    switch (stop.kind) {
        case StopKind::MissingFile:
        case StopKind::MissingFont:
            AskMissingFile(stop.missingName);
            break;
        case StopKind::OldFormatNotice:
            SendAnswer("\n");
            state_.oldFormatNotice = true;
            break;
        case StopKind::ErrorStop:
            AskErrorStop();
            break;
        case StopKind::None:
            break;
    }
}

void Typesetter::AskMissingFile(const std::string& name) {
    bool yes;
    Profile& profile = *ctx_.profile;
    if (profile.GetInt("Prompts", "JIT", 1) == 0) {
        yes = profile.GetInt("Prompts", "JIT-default", kAnswerYes) == kAnswerYes;
    } else {
        std::string question = kMissingFileQuestion;
        question.replace(question.find("%s"), 2, name);
        yes = ctx_.prompt->AskYesNo(question);
    }
    state_.watch = false;
    if (!yes)
        return;  // the user may answer the engine in the output window
    if (seams_.ResolveMissingFile(name)) {
        state_.restart = true;
    } else {
        state_.cancelled = true;
    }
    Cancel();
}

void Typesetter::AskErrorStop() {
    bool yes = ctx_.prompt->AskYesNo(kErrorStopQuestion);
    seams_.ShowOutputBar(true);
    seams_.FocusOutput();
    state_.watch = false;
    if (yes)
        SendAnswer("e\n");
}

void Typesetter::Cancel() {
    processes_.KillTypesetRuns();
    monitor_.AppendOutput("\nTypesetter process aborted\n");
}

bool Typesetter::ConfirmCloseWhileRunning() {
    if (!Busy())
        return true;
    if (!ctx_.prompt->AskYesNo(
            "There is a typeset session currently running.\nWould you like to terminate it?")) {
        return false;
    }
    Cancel();
    return true;
}

void Typesetter::TypeCharacter(char c) {
    if (!engineInput_)
        return;
    if (c == '\r' || c == '\n') {
        monitor_.AppendOutput("\n");
        pending_ += "\n";
        engineInput_->Write(pending_);
        pending_.clear();
    } else if (c == '\b') {
        if (pending_.empty())
            return;
        pending_.pop_back();
        monitor_.RemoveLastCharacter();
        seams_.RemoveLastOutputCharacter();
    } else if (static_cast<unsigned char>(c) > 31) {
        pending_ += c;
        monitor_.AppendOutput(std::string_view(&c, 1));
    }
}

void Typesetter::SendAnswer(std::string_view text) {
    for (char c : text)
        TypeCharacter(c);
}

void Typesetter::CloseEngineInput() {
    if (engineInput_)
        engineInput_->Close();
}

void Typesetter::DropTrace() {
    if (state_.traceFile.empty())
        return;
    ::unlink(state_.traceFile.c_str());
    state_.traceFile.clear();
}

}  // namespace quirn

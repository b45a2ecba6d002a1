// Typesetting a document: the Typeset operation decides what to typeset, in which
// mode and with which format; StartTeX starts the engine with its command line and
// environment; polling watches the engine's output for the moments it stops and
// waits; and the end-of-run analysis decides whether the run succeeded, where the
// first error is, whether the document must be typeset again and what to show next.
//
// One Typesetter serves the application. Everything runs on the caller's thread:
// Poll is called from the idle processing (a timer of 100 ms or less) and never
// blocks: what has to wait (a PDF file still held by a viewer, the error line of the
// editor call) is checked again at the next Poll.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "process/child_process.h"
#include "typeset/auxiliary_runs.h"
#include "typeset/formats.h"
#include "typeset/rerun_rule.h"

namespace quirn {

struct AppContext;
class OutputMonitor;
class ProcessList;
class TypesetSeams;

// The state of the current (or last) run, kept for the end-of-run analysis.
struct TypesetRunState {
    std::string file;             // the file Typeset was asked for (restarts use it again)
    std::string source;           // the source the engine runs on
    std::string runDirectory;     // the engine's working directory
    std::string expectedOutput;   // the source with the extension "dvi"
    ListChecksums listChecksums;  // .toc, .lot and .lof before the run
    int rerunCounter = 0;
    bool iniTeXRun = false;
    bool inProgress = false;
    // The engine writes PDF: PDF mode, or a document that loads graphicx for pdfTeX.
    bool pdfRun = false;
    std::vector<std::string> iniTeXExtra;  // extra options of the last INITeX run (restart)
    std::string traceFile;                 // the engine's file-search trace (KPATHSEA_DEBUG_OUTPUT)
    // Output-window flags.
    bool watch = false;            // look for interactive stops while the engine is silent
    bool restart = false;          // typeset again when this run ends
    bool cancelled = false;        // the program stopped the run
    bool oldFormatNotice = false;  // the engine said the LaTeX sources are older than expected
};

class Typesetter : public IniTexRunner {
  public:
    // `monitor` must be the sink `processes` writes the children's output to.
    Typesetter(AppContext& context, ProcessList& processes, OutputMonitor& monitor,
               Formats& formats, TypesetSeams& seams);
    ~Typesetter() override;
    Typesetter(const Typesetter&) = delete;
    Typesetter& operator=(const Typesetter&) = delete;

    // A batch run typesets the file it is given rather than the current project's main
    // file; a non-empty format name replaces the selected format.
    void SetBatch(bool batch, std::string formatName = {});
    // The "Internal Debugging" options this part reads: "texscheme" ("dump": the
    // preamble-format scheme) and "process" (non-zero: print every process start).
    void SetDebugOption(const std::string& key, const std::string& value);

    // The Typeset menu command on the active document.
    int TypesetCommand(const std::string& activeDocument);
    // Typesets `file`; −1 when the run was refused and nothing started, else 0 (the
    // engine started, or starts at a later Poll once the PDF output may be written).
    int Typeset(const std::string& file, const std::vector<std::string>& extraOptions = {});
    // Starts the engine on `source` (runs with the INITeX-run flag build a format).
    // 0 when started, −1 when the engine could not be started.
    int StartTeX(const std::string& source, const std::string& format,
                 const std::vector<std::string>& extraOptions);

    // IniTexRunner: the format build of Formats::IniTeX.
    bool StartIniTeX(const std::string& macroFile,
                     const std::vector<std::string>& extraOptions) override;
    bool IniTexRunning() override { return state_.iniTeXRun; }
    // One polling pass: children's output to the output window, ended runs analysed,
    // and a silent engine checked for an interactive stop.
    void Poll() override;

    // While a run is in progress, the watch flag set and the engine silent for more
    // than 500 ms: answers or asks about the prompt the engine waits at.
    void CheckInteractiveStop();
    // After a successful LaTeX run, BibTeX and MakeIndex run when the bibliography or
    // the index is out of date, and LaTeX again until the references settle; the
    // setting "AutoBibTeX" turns this off, and so does this switch (batch command
    // lines).
    void SetAutoAuxiliaryRuns(bool on) { autoAuxiliary_ = on; }
    // LaTeX runs the chain adds after BibTeX or MakeIndex at most.
    static constexpr int kMaxAutoReruns = 3;

    // Stops every engine run and says so in the output window.
    void Cancel();
    // Closing the main window during a run: asks whether to stop it (and does on Yes).
    // True when the window may close.
    bool ConfirmCloseWhileRunning();

    // A key typed into the output window while an engine input exists: printable
    // characters collect in the pending line (and are echoed), a line end sends it,
    // Backspace takes back the last pending character.
    void TypeCharacter(char c);
    // The program's own answers go the same way, character by character.
    void SendAnswer(std::string_view text);
    bool HasEngineInput() const { return engineInput_ != nullptr; }
    // Closes the engine's input, so that an engine waiting for an answer ends.
    void CloseEngineInput();
    const std::string& PendingLine() const { return pending_; }

    // A run (or a restart of it) is going on.
    bool Busy() const;
    // The exit code of the last analysed run, as the analysis settled it (99 for a
    // cancelled run); −1 before any run ended, and after a run refused because its PDF
    // output stayed locked.
    int LastResult() const { return lastResult_; }
    const TypesetRunState& State() const { return state_; }

    // How long the engine must be silent before its last line counts as a prompt.
    static constexpr int kSilenceMs = 500;

    // How long a run waits for its PDF output to be released, and how long the
    // analysis of a failed run waits for the error line of the editor call.
    static constexpr int kPdfReleaseMs = 1000;
    static constexpr int kErrorLineMs = 1000;

  private:
    using Clock = std::chrono::steady_clock;

    // A run waiting for its PDF output to become writable.
    struct PendingStart {
        std::string format;
        std::vector<std::string> extraOptions;
        Clock::time_point deadline;
    };
    // An ended run whose analysis goes on at the next Poll.
    struct EndingRun {
        int code = 0;
        bool iniRun = false;
        bool pdfRun = false;
        bool dviWasOpen = false;
        Clock::time_point deadline;
    };

    int StartTypeset(const std::string& file, std::vector<std::string> extra, bool pdfOutput);
    void ContinuePdfWait();
    // The end handler of the running list: false while the analysis waits.
    bool EndOfRun(ChildProcess& child);
    // The first step of the analysis; false when the run was restarted instead.
    bool BeginEndOfRun(ChildProcess& child);
    // A failed run's error line: still awaited, handed to the editor (the analysis
    // ends there), or not there.
    enum class ErrorLine { Waiting, Shown, None };
    ErrorLine LookForErrorLine(ChildProcess& child);
    void FinishEndOfRun();
    void AskMissingFile(const std::string& name);
    void AskErrorStop();
    std::string BatchFormatName() const;
    void DropTrace();
    // The file an error line names, absolute against the expected output's directory.
    std::string ErrorFilePath(const std::string& named) const;
    void ShowOutcome(bool success, bool rerun, bool pdfRun, bool dviWasOpen);
    // The chain of BibTeX, MakeIndex and LaTeX runs after a run; true when it started
    // the next step (the outcome is shown after the last).
    bool ContinueAuxiliaryChain(bool success, bool rerun, bool pdfRun, const std::string& log);
    bool StartAuxiliaryRun(bool pdfRun);
    // The end handler's part for a BibTeX or MakeIndex run of the chain.
    bool AuxiliaryRunEnded(ChildProcess& child);
    bool TypesetAgainInChain(bool pdfRun, const std::string& why);

    AppContext& ctx_;
    ProcessList& processes_;
    OutputMonitor& monitor_;
    Formats& formats_;
    TypesetSeams& seams_;
    bool batch_ = false;
    std::string batchFormat_;
    std::map<std::string, std::string> debug_;
    TypesetRunState state_;
    std::optional<PendingStart> pendingStart_;
    std::optional<EndingRun> ending_;
    std::shared_ptr<ProcessInput> engineInput_;
    std::string pending_;
    int lastResult_ = -1;

    // The chain of auxiliary runs.
    struct AuxiliaryStep {
        bool bibtex = false;  // else MakeIndex
        std::string reason;
    };
    bool autoAuxiliary_ = true;
    bool chained_ = false;  // the run starting now continues a chain
    AuxiliarySnapshot auxiliaryBefore_;
    std::vector<AuxiliaryStep> auxiliarySteps_;
    ChildProcess* auxiliaryRun_ = nullptr;
    bool auxiliaryRunIsBibTeX_ = false;
    bool auxiliaryPdfRun_ = false;
    std::size_t auxiliaryOutputStart_ = 0;
    bool bibtexRan_ = false;
    bool makeIndexRan_ = false;
    int autoReruns_ = 0;
};

}  // namespace quirn

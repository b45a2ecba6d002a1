// The end-of-run analysis: what a finished engine run means and what comes next.
#include <chrono>
#include <filesystem>

#include "app/app_context.h"
#include "app/settings.h"
#include "platform/paths.h"
#include "platform/user_prompt.h"
#include "typeset/engine_command.h"
#include "typeset/format_storage.h"
#include "typeset/output_analysis.h"
#include "typeset/output_monitor.h"
#include "typeset/search_trace.h"
#include "typeset/typeset_seams.h"
#include "typeset/typesetter.h"

namespace quirn {

namespace {

constexpr const char* kErrorsDetected =
    "\nAt least one error was detected in your document.\n"
    "Any output file represents the typesetter's attempt to recover from your errors.\n"
    "You should correct any errors reported (if you have not already done so)\n"
    "and typeset again to incorporate these changes.\n";

enum FinishedChoice { kDone = 0, kTypesetAgain = 1, kView = 2 };

}  // namespace

std::string Typesetter::ErrorFilePath(const std::string& named) const {
    if (IsAbsolute(named))
        return named;
    std::string joined = JoinPath(DirectoryOf(state_.expectedOutput), named);
    return std::filesystem::path(joined).lexically_normal().string();
}

bool Typesetter::EndOfRun(ChildProcess& child) {
    if (&child == auxiliaryRun_)
        return AuxiliaryRunEnded(child);
    if (!ending_ && !BeginEndOfRun(child))
        return true;
    switch (LookForErrorLine(child)) {
        case ErrorLine::Waiting:
            return false;
        case ErrorLine::Shown:
            return true;
        case ErrorLine::None:
            break;
    }
    FinishEndOfRun();
    return true;
}

bool Typesetter::BeginEndOfRun(ChildProcess& child) {
    int code = child.ExitCode();
    const bool pdfRun = state_.pdfRun;
    const bool iniRun = state_.iniTeXRun;
    state_.iniTeXRun = false;
    state_.inProgress = false;
    state_.watch = false;

    if (state_.restart) {
        state_.restart = false;
        state_.cancelled = false;
        state_.oldFormatNotice = false;
        DropTrace();
        if (iniRun) {
            StartIniTeX(state_.source, state_.iniTeXExtra);
        } else {
            StartTypeset(
                state_.file,
                pdfRun ? PdfRunOptions(ctx_.settings->texEngine) : std::vector<std::string>{},
                pdfRun);
        }
        return false;
    }

    if (state_.cancelled) {
        state_.cancelled = false;
        if (code == 0)
            code = kKilledExitCode;
    }
    if (state_.oldFormatNotice) {
        state_.oldFormatNotice = false;
        if (ReportsNoPagesOfOutput(monitor_.Text()))
            code = 0;
    }
    lastResult_ = code;
    if (!iniRun)
        seams_.RunEnded(state_.source);
    EndingRun run;
    run.code = code;
    run.iniRun = iniRun;
    run.pdfRun = pdfRun;
    run.dviWasOpen = !iniRun && !pdfRun && seams_.IsDocumentOpen(state_.expectedOutput);
    run.deadline = Clock::now() + std::chrono::milliseconds(kErrorLineMs);
    ending_ = run;
    return true;
}

Typesetter::ErrorLine Typesetter::LookForErrorLine(ChildProcess& child) {
    if (ending_->code == 0 || ending_->iniRun)
        return ErrorLine::None;
    // The editor call writes its line through the engine's pipe; the running list has
    // forwarded whatever arrived. Once every writer has closed the pipe nothing more
    // can come, otherwise the next Poll looks again until the time is up.
    std::optional<ErrorPosition> position = FindErrorPosition(monitor_.Text());
    if (!position && !child.OutputClosed() && Clock::now() < ending_->deadline)
        return ErrorLine::Waiting;
    int marker = FindErrorMarkerLine(monitor_.Text());
    if (marker >= 0)
        seams_.MarkOutputLine(marker);
    if (position) {
        ending_.reset();
        DropTrace();
        seams_.GoToLine(ErrorFilePath(position->file), position->line);
        return ErrorLine::Shown;
    }
    if (marker < 0)
        monitor_.AppendOutput(kErrorsDetected);
    return ErrorLine::None;
}

void Typesetter::FinishEndOfRun() {
    const EndingRun run = *ending_;
    ending_.reset();
    const bool success = run.code == 0;
    if (success) {
        monitor_.AppendOutput(run.iniRun ? "\nINITeXing was successful\n"
                                         : "\nTypesetting was successful\n");
        monitor_.AppendOutput("----------------------------------------\n");
    } else if (run.iniRun) {
        monitor_.AppendOutput("\nINITeXing failed\n");
    }

    std::vector<std::string> used =
        ReadFileSearchTrace(state_.traceFile, state_.runDirectory, monitor_);
    DropTrace();

    if (run.iniRun) {
        if (success)
            InflateFormatsIn(formats_.FormatsDir(), monitor_);
        formats_.BuildFormatList();
        seams_.FormatListRebuilt();
        return;
    }

    seams_.RefreshFilesAfterTypeset(state_.source, used);

    bool rerun = false;
    std::optional<std::string> log = ReadWholeFile(StripExtension(state_.source) + ".log");
    if (!log) {
        ctx_.prompt->ShowMessage("Unable to read log file to determine cross-referencing!");
    } else {
        rerun = NeedsRerun(*log, success, StripExtension(state_.source), state_.listChecksums);
    }
    if (log && ContinueAuxiliaryChain(success, rerun, run.pdfRun, *log))
        return;
    if (rerun)
        monitor_.AppendOutput("\nFor proper cross-referencing,\nplease typeset again.\n");

    ShowOutcome(success, rerun, run.pdfRun, run.dviWasOpen);
}

void Typesetter::ShowOutcome(bool success, bool rerun, bool pdfRun, bool dviWasOpen) {
    bool view = false;
    bool again = false;
    if (ctx_.settings->typesetDialog) {
        if (success && !rerun) {
            seams_.ShowOutputBar(false);
            seams_.FocusMainWindow();
            view = true;
        } else {
            std::string text;
            int proposed = kDone;
            if (success) {
                text = "For proper cross-referencing,\nplease typeset again.";
                proposed = kTypesetAgain;
            } else if (seams_.SourceModifiedDuringRun(state_.source) || state_.rerunCounter != 0) {
                text =
                    "Errors detected during typesetting.\nTypeset again to incorporate changes "
                    "made\nwith the editor during Typesetting.";
            } else {
                text =
                    "Errors detected during typesetting.\nCorrect these errors in your "
                    "document\nand typeset again.";
            }
            int choice = ctx_.prompt->Ask(text, {"Done", "Typeset Again", "View"}, proposed, kDone);
            view = choice == kView;
            again = choice == kTypesetAgain;
        }
    }

    const std::string& dvi = state_.expectedOutput;
    if (view && !pdfRun)
        seams_.OpenDocumentFile(dvi);
    if (success || view) {
        if (!pdfRun && dviWasOpen)
            seams_.ReloadDocument(dvi);
        if (pdfRun)
            seams_.OpenPdf(PdfOutputName(state_.source));
    }

    if (again) {
        int reruns = state_.rerunCounter + 1;
        if (Typeset(state_.file) == 0)
            state_.rerunCounter = reruns;
    }
}

}  // namespace quirn

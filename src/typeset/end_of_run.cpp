// The end-of-run analysis: what a finished engine run means and what comes next.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

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

constexpr const char* kPdfRunOptions = "-kpathsea-debug=255 --output-format=pdf ";

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

void Typesetter::EndOfRun(ChildProcess& child) {
    int code = child.ExitCode();
    const bool pdfRun = child.CommandLine().find("--output-format=pdf") != std::string::npos;
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
            Typeset(state_.file, pdfRun ? kPdfRunOptions : "");
        }
        return;
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
    const bool success = code == 0;
    const std::string dvi = OutputFileOnDisk(state_.expectedOutput);
    const bool dviWasOpen = !iniRun && !pdfRun && seams_.IsDocumentOpen(dvi);

    if (success) {
        monitor_.AppendOutput(iniRun ? "\nINITeXing was successful\n"
                                     : "\nTypesetting was successful\n");
        monitor_.AppendOutput("----------------------------------------\n");
    } else if (iniRun) {
        monitor_.AppendOutput("\nINITeXing failed\n");
    } else {
        std::optional<ErrorPosition> position;
        for (int attempt = 0; attempt < 10; ++attempt) {
            // The editor call may still be writing its line through the engine's pipe.
            std::string rest;
            child.ReadAvailable(rest);
            if (!rest.empty())
                monitor_.AppendOutput(rest);
            position = FindErrorPosition(monitor_.Text());
            // Once every writer has closed the pipe nothing more can arrive.
            if (position || child.OutputClosed())
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        int marker = FindErrorMarkerLine(monitor_.Text());
        if (marker >= 0)
            seams_.MarkOutputLine(marker);
        if (position) {
            DropTrace();
            ::unsetenv("KPATHSEA_DEBUG");
            ::unsetenv("KPATHSEA_DEBUG_OUTPUT");
            seams_.GoToLine(ErrorFilePath(position->file), position->line);
            return;
        }
        if (marker < 0)
            monitor_.AppendOutput(kErrorsDetected);
    }

    std::vector<std::string> used =
        ReadFileSearchTrace(state_.traceFile, state_.runDirectory, monitor_);
    ::unsetenv("KPATHSEA_DEBUG");
    ::unsetenv("KPATHSEA_DEBUG_OUTPUT");
    DropTrace();

    if (iniRun) {
        if (success)
            InflateFormatsIn(formats_.FormatsDir(), monitor_);
        formats_.BuildFormatList();
        seams_.FormatListRebuilt();
        return;
    }

    seams_.RefreshFilesAfterTypeset(state_.source, used);

    bool rerun = false;
    std::optional<std::string> log =
        ReadWholeFile(OutputFileOnDisk(StripExtension(state_.source) + ".LOG"));
    if (!log) {
        ctx_.prompt->ShowMessage("Unable to read log file to determine cross-referencing!");
    } else {
        rerun = NeedsRerun(*log, success, StripExtension(state_.source), state_.listChecksums);
    }
    if (rerun)
        monitor_.AppendOutput("\r\nFor proper cross-referencing,\r\nplease typeset again.\r\n");

    ShowOutcome(success, rerun, pdfRun, dviWasOpen);
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

    const std::string dvi = OutputFileOnDisk(state_.expectedOutput);
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
        if (Typeset(state_.file, "") == 0)
            state_.rerunCounter = reruns;
    }
}

}  // namespace quirn

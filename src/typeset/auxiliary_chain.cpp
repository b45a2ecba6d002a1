// The chain after a LaTeX run: BibTeX when the bibliography is out of date, MakeIndex
// when the index is, then LaTeX again until the references settle. Each step says in
// the output window what it runs and why.
#include <algorithm>

#include "app/app_context.h"
#include "app/settings.h"
#include "platform/paths.h"
#include "process/process_list.h"
#include "typeset/engine_command.h"
#include "typeset/output_monitor.h"
#include "typeset/tool_runner.h"
#include "typeset/typeset_seams.h"
#include "typeset/typesetter.h"

namespace quirn {

namespace {

// BibTeX and MakeIndex work on the document that was typeset.
class ChainToolSeams : public ToolSeams {
  public:
    explicit ChainToolSeams(std::string source) : source_(std::move(source)) {}
    std::string MainFileOfCurrentProject() override { return source_; }
    std::string ChooseFile(const std::string&, const std::string&, const std::string&) override {
        return {};
    }

  private:
    std::string source_;
};

// The output window's line holding `offset`, counted from the last line (0).
int LineFromEnd(const std::string& text, std::size_t offset) {
    std::size_t end = text.size();
    if (end > offset && text[end - 1] == '\n')
        --end;
    return static_cast<int>(std::count(text.begin() + static_cast<long>(offset),
                                       text.begin() + static_cast<long>(end), '\n'));
}

}  // namespace

bool Typesetter::ContinueAuxiliaryChain(bool success, bool rerun, bool pdfRun,
                                        const std::string& log) {
    if (!success || !autoAuxiliary_ || !ctx_.settings->autoBibTeX)
        return false;
    const std::string base = StripExtension(state_.source);
    const AuxiliarySnapshot after = TakeAuxiliarySnapshot(base);
    auxiliarySteps_.clear();
    if (!bibtexRan_) {
        std::string reason = BibTeXReason(base, auxiliaryBefore_, after, log);
        if (!reason.empty())
            auxiliarySteps_.push_back({true, reason});
    }
    if (!makeIndexRan_) {
        std::string reason = MakeIndexReason(base, auxiliaryBefore_, after);
        if (!reason.empty())
            auxiliarySteps_.push_back({false, reason});
    }
    if (!auxiliarySteps_.empty() && StartAuxiliaryRun(pdfRun))
        return true;
    if (rerun && (bibtexRan_ || makeIndexRan_) && autoReruns_ < kMaxAutoReruns)
        return TypesetAgainInChain(pdfRun, "the cross-references changed");
    return false;
}

bool Typesetter::StartAuxiliaryRun(bool pdfRun) {
    while (!auxiliarySteps_.empty()) {
        const AuxiliaryStep step = auxiliarySteps_.front();
        auxiliarySteps_.erase(auxiliarySteps_.begin());
        const ToolRecord tool =
            step.bibtex ? BibTeXTool(*ctx_.settings) : MakeIndexTool(*ctx_.settings);
        ChainToolSeams seams(state_.source);
        std::optional<ToolLaunch> launch = PrepareTool(tool, ctx_.roots, seams);
        if (!launch)
            continue;
        const char* name = step.bibtex ? "BibTeX" : "MakeIndex";
        // The analysis of this run reads only what it says.
        monitor_.Clear();
        monitor_.AppendOutput(std::string("\n*** Running ") + name + " (" + step.reason +
                              ") ***\n");
        StartOptions options;
        options.typeset = true;
        options.extraEnvironment = launch->environment;
        auxiliaryRun_ =
            processes_.StartProcess(launch->arguments, launch->workingDirectory, options);
        if (!auxiliaryRun_) {
            monitor_.AppendOutput("Could not start " + launch->commandLine + "\n");
            continue;
        }
        (step.bibtex ? bibtexRan_ : makeIndexRan_) = true;
        auxiliaryRunIsBibTeX_ = step.bibtex;
        auxiliaryPdfRun_ = pdfRun;
        return true;
    }
    return false;
}

bool Typesetter::AuxiliaryRunEnded(ChildProcess& child) {
    auxiliaryRun_ = nullptr;
    const int code = child.ExitCode();
    const bool bibtex = auxiliaryRunIsBibTeX_;
    if (code == kKilledExitCode) {
        auxiliarySteps_.clear();
        lastResult_ = code;
        return true;
    }
    // BibTeX's status 1 means warnings only.
    if (bibtex ? code >= 2 : code != 0) {
        auxiliarySteps_.clear();
        lastResult_ = code;
        monitor_.AppendOutput(bibtex ? "\nBibTeX found errors in the bibliography.\n"
                                     : "\nMakeIndex found errors in the index.\n");
        if (bibtex) {
            const std::string& text = monitor_.Text();
            std::optional<ErrorPosition> place = FindBibTeXError(text);
            if (place && ExtensionOf(place->file) == "bib") {
                seams_.MarkOutputLine(LineFromEnd(text, text.find("---line ")));
                seams_.GoToLine(ErrorFilePath(place->file), place->line);
                return true;
            }
        }
        ShowOutcome(false, false, auxiliaryPdfRun_, false);
        return true;
    }
    if (StartAuxiliaryRun(auxiliaryPdfRun_))
        return true;
    const char* why = bibtexRan_ && makeIndexRan_ ? "BibTeX and MakeIndex ran"
                      : bibtex                    ? "BibTeX wrote the bibliography"
                                                  : "MakeIndex wrote the index";
    if (!TypesetAgainInChain(auxiliaryPdfRun_, why)) {
        ShowOutcome(true, false, auxiliaryPdfRun_, false);
    }
    return true;
}

bool Typesetter::TypesetAgainInChain(bool pdfRun, const std::string& why) {
    ++autoReruns_;
    monitor_.AppendOutput("\n*** Typesetting again: " + why + " ***\n");
    chained_ = true;
    const int started =
        StartTypeset(state_.file, pdfRun ? PdfRunOptions() : std::vector<std::string>{}, pdfRun);
    chained_ = false;
    return started == 0;
}

}  // namespace quirn

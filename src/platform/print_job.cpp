#include "platform/print_job.h"

#include "platform/paths.h"
#include "platform/program_resolver.h"
#include "platform/quiet_run.h"
#include "platform/temp_folder.h"

namespace quirn {

namespace {

// dvips may make bitmap fonts on the way; lp only hands the file to the spooler.
constexpr int kDvipsTimeoutMs = 300000;
constexpr int kLpTimeoutMs = 60000;

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

// The printing system says "no system default destination" when it knows no printer.
bool NoPrinterSetUp(const std::string& installDir, const EnvironmentBlock* environment) {
    std::string lpstat = ResolveProgram(installDir, "lpstat");
    if (lpstat.empty())
        return false;
    QuietRunResult r = RunQuietly(lpstat, {"-d"}, kLpTimeoutMs, {}, environment);
    return r.output.find("no system default destination") != std::string::npos;
}

}  // namespace

PrintResult PrintDocument(const PrintRequest& request, TempFolder& temporary) {
    PrintResult result;
    const EnvironmentBlock* environment =
        request.environment.empty() ? nullptr : &request.environment;
    const std::string name = FileNameOf(request.file);
    if (!RegularFileExists(request.file)) {
        result.message = "Unable to print " + request.file + ": the file does not exist.";
        return result;
    }
    std::string lp = ResolveProgram(request.installDir, "lp");
    if (lp.empty()) {
        result.message = "Unable to print " + name +
                         ": the printing system's lp command is not installed (it comes with "
                         "the cups-client package).";
        return result;
    }
    std::string toPrint = request.file;
    ScratchDir scratch(temporary);
    if (ExtensionOf(request.file) == "dvi" || ExtensionOf(request.file) == "DVI") {
        std::string dvips = ResolveProgram(request.installDir, "dvips");
        if (dvips.empty() || !scratch.Ok()) {
            result.message = "Unable to print " + name + ": dvips is not installed.";
            return result;
        }
        toPrint = scratch.File(ReplaceExtension(name, "ps"));
        std::vector<std::string> args = {"-q"};
        if (!request.paper.empty())
            args.insert(args.end(), {"-t", request.paper});
        if (request.landscape)
            args.insert(args.end(), {"-t", "landscape"});
        args.insert(args.end(), {"-o", toPrint, request.file});
        // Graphics the document names relative to itself are found from its folder.
        QuietRunResult run =
            RunQuietly(dvips, args, kDvipsTimeoutMs, DirectoryOf(request.file), environment);
        if (run.exitStatus != 0 || !RegularFileExists(toPrint)) {
            result.message = "Unable to print " + name + ": dvips could not make PostScript of it.";
            if (!run.output.empty())
                result.message += "\n\n" + Trimmed(run.output);
            return result;
        }
    }
    QuietRunResult run = RunQuietly(lp, {"-t", name, "--", toPrint}, kLpTimeoutMs, {}, environment);
    if (!run.started || run.timedOut || run.exitStatus != 0) {
        result.message = NoPrinterSetUp(request.installDir, environment)
                             ? "Unable to print " + name +
                                   ": no printer is set up. Add one in the desktop's printer "
                                   "settings."
                             : "Unable to print " + name + ": the printing system refused it.";
        if (!run.output.empty())
            result.message += "\n\n" + Trimmed(run.output);
        return result;
    }
    result.printed = true;
    return result;
}

}  // namespace quirn

#include "export/graphic_conversion.h"

#include <sys/stat.h>

#include <cstdio>
#include <functional>

#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/program_resolver.h"
#include "platform/temp_folder.h"
#include "platform/user_prompt.h"
#include "process/child_process.h"
#include "process/command_line.h"

namespace quirn {

namespace {

constexpr std::string_view kGhostscriptTemplate =
    "-q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=%DEVICE -sOutputFile=\"%OUTPUT\" -r%DPIx%DPI "
    "-g%WIDTHx%HEIGHT";
constexpr std::string_view kPageGeometry = "-r%DPIx%DPI -g%WIDTHx%HEIGHT";

int64_t FileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
}

std::string FirstWord(const std::string& command) {
    const std::vector<std::string> words = SplitCommandLine(command);
    return words.empty() ? std::string() : words.front();
}

std::string JoinComma(const std::vector<std::string>& list) {
    std::string joined;
    for (const std::string& item : list) {
        joined += (joined.empty() ? "" : ",") + item;
    }
    return joined;
}

// What `gs --version` prints, without the line end.
std::string GhostscriptVersion(const std::string& program, const GraphicConversionSetup& setup) {
    ChildProcess child;
    if (!setup.environment.empty()) {
        child.SetEnvironmentBlock(setup.environment);
    }
    if (!child.Start({program, "--version"}, {})) {
        return {};
    }
    child.CloseInput();
    std::string text;
    for (int i = 0; i < 100 && !child.OutputClosed(); ++i) {
        child.WaitForOutputOrExit(100);
        child.ReadAvailable(text);
        if (child.HasEnded()) {
            child.ReadAvailable(text);
            break;
        }
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

// Starts the command in `folder` with standard input closed and waits for `output`.
void RunConversion(const GraphicConversionSetup& setup, ConversionRun& run,
                   const std::string& output, const std::string& notFoundName,
                   bool searchInstallDir) {
    std::vector<std::string> arguments = SplitCommandLine(run.command);
    ChildProcess child;
    if (searchInstallDir) {
        child.SetInstallDir(setup.installDir);
    }
    if (!setup.environment.empty()) {
        child.SetEnvironmentBlock(setup.environment);
    }
    std::remove(output.c_str());
    if (arguments.empty() || !child.Start(std::move(arguments), run.folder)) {
        if (setup.output) {
            setup.output->AppendOutput("PostScript interpreter not found: " + notFoundName + "\n");
        }
        return;
    }
    run.started = true;
    child.CloseInput();
    WaitForOutputFile(child, output, setup.wait);
    run.wrote = FileSize(output) > 0;
}

}  // namespace

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    if (from.empty()) {
        return text;
    }
    for (size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

std::optional<std::string> InterpreterCommandTemplate(const GraphicConversionSetup& setup,
                                                      std::string* program) {
    const Settings defaults;
    const Settings& settings = setup.settings ? *setup.settings : defaults;
    switch (settings.psRender) {
        case 0: {
            *program = "jaws";
            const std::string inst = WithTrailingSeparator(setup.installDir);
            const std::string paths = "%os%=;%ram%=;%lib%+" + inst + "Jaws/lib;%resource%+" + inst +
                                      "Jaws/resource;%font%+" + inst +
                                      "Jaws/font;%ttfont%=" + JoinComma(settings.trueTypeFontPath) +
                                      ";%atmfont%=" + JoinComma(settings.postScriptFontPath) +
                                      ";%temp%=" + TemporaryRoot() + ";%default%+";
            return "jaws \"--devicepaths=" + ToForwardSlashes(paths) + "\" \"--output=%OUTPUT\" ";
        }
        case 2: {
            *program = "gs";
            const std::string found = FindOnPath("gs");
            if (found.empty()) {
                if (setup.prompt) {
                    setup.prompt->ShowMessage("AFPL Ghostscript installation not detected");
                }
                return std::nullopt;
            }
            if (setup.prompt) {
                setup.prompt->ShowMessage("AFPL Ghostscript v" + GhostscriptVersion(found, setup) +
                                          " detected.");
            }
            return "gs " + std::string(kGhostscriptTemplate);
        }
        case 3:
            *program = FirstWord(settings.psRenderCmd);
            if (settings.psRenderCmd.empty()) {
                return std::nullopt;
            }
            return settings.psRenderCmd;
        default:
            *program = "gs";
            return "gs " + std::string(kGhostscriptTemplate);
    }
}

ConversionRun ConvertWithInterpreter(const GraphicConversionSetup& setup, const std::string& input,
                                     const std::string& output, ConversionDevice device,
                                     const std::function<void(const ConversionRun&)>& announce) {
    ConversionRun run;
    std::string program;
    const std::optional<std::string> command = InterpreterCommandTemplate(setup, &program);
    if (!command) {
        if (setup.output && !program.empty() && program != "gs") {
            setup.output->AppendOutput("PostScript interpreter not found: " + program + "\n");
        }
        return run;
    }
    std::string text = ReplaceAll(*command, kPageGeometry, "");
    text = ReplaceAll(text, "%DEVICE", device == ConversionDevice::Eps ? "eps2write" : "pdfwrite");
    text = ReplaceAll(text, "%OUTPUT", output);
    // An EPS becomes a PDF page of its bounding box's size.
    std::string ext = ExtensionOf(FileNameOf(input));
    for (char& c : ext) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    if (device == ConversionDevice::Pdf && ext == "eps") {
        text += " -dEPSCrop";
    }
    run.command = text + " \"" + FileNameOf(input) + "\"";
    run.folder = DirectoryOf(input);
    if (announce) {
        announce(run);
    }
    // Choice 2 runs the gs found on PATH, the others look in the installation first.
    const bool installFirst = setup.settings == nullptr || setup.settings->psRender != 2;
    RunConversion(setup, run, output, program, installFirst);
    return run;
}

ConversionRun ConvertImageToEps(const GraphicConversionSetup& setup, const std::string& input,
                                const std::string& output,
                                const std::function<void(const ConversionRun&)>& announce) {
    ConversionRun run;
    run.command = "img2eps \"" + input + "\" \"" + output + "\"";
    run.folder = DirectoryOf(input);
    if (announce) {
        announce(run);
    }
    std::vector<std::string> arguments = {"img2eps", input, output};
    ChildProcess child;
    child.SetInstallDir(setup.installDir);
    if (!setup.environment.empty()) {
        child.SetEnvironmentBlock(setup.environment);
    }
    std::remove(output.c_str());
    if (!child.Start(std::move(arguments), run.folder)) {
        if (setup.output) {
            setup.output->AppendOutput("Image converter not found: img2eps\n");
        }
        return run;
    }
    run.started = true;
    child.CloseInput();
    const OutputWaitResult waited = WaitForOutputFile(child, output, setup.wait);
    if (setup.output && !waited.printed.empty()) {
        setup.output->AppendOutput(waited.printed.back() == '\n' ? waited.printed
                                                                 : waited.printed + "\n");
    }
    run.wrote = FileSize(output) > 0;
    return run;
}

bool PostScriptGraphicConverter::ConvertToEPS(const std::string& input, const std::string& output) {
    return ConvertWithInterpreter(setup_, input, output, ConversionDevice::Eps, {}).wrote;
}

bool PostScriptGraphicConverter::ConvertToPDF(const std::string& input, const std::string& output) {
    return ConvertWithInterpreter(setup_, input, output, ConversionDevice::Pdf, {}).wrote;
}

bool PostScriptGraphicConverter::ConvertImage(const std::string& input, const std::string& output) {
    return ConvertImageToEps(setup_, input, output, {}).wrote;
}

}  // namespace quirn

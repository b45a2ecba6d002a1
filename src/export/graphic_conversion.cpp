#include "export/graphic_conversion.h"

#include <sys/stat.h>

#include <cstdio>
#include <functional>

#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/program_resolver.h"
#include "platform/temp_folder.h"
#include "platform/user_prompt.h"
#include "postscript/interpreter.h"
#include "process/child_process.h"
#include "process/command_line.h"

namespace quirn {

namespace {

constexpr std::string_view kPageGeometry = "-r%DPIx%DPI -g%WIDTHx%HEIGHT";

int64_t FileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
}

// Starts the command in `folder` with standard input closed and waits for `output`.
void RunConversion(const GraphicConversionSetup& setup, ConversionRun& run,
                   const std::string& output, const std::string& notFoundName) {
    std::vector<std::string> arguments = SplitCommandLine(run.command);
    ChildProcess child;
    child.SetInstallDir(setup.installDir);
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

ConversionRun ConvertWithInterpreter(const GraphicConversionSetup& setup, const std::string& input,
                                     const std::string& output, ConversionDevice device,
                                     const std::function<void(const ConversionRun&)>& announce) {
    ConversionRun run;
    const Settings defaults;
    const Settings& settings = setup.settings ? *setup.settings : defaults;
    std::string program;
    const std::string command =
        InterpreterTemplate(settings, setup.installDir, setup.prompt, &program);
    if (command.empty()) {
        // Choice 2 without gs has said so in its message box.
        if (setup.output && settings.psRender != 2) {
            setup.output->AppendOutput("PostScript interpreter not found: " + program + "\n");
        }
        return run;
    }
    std::string text = ReplaceAll(command, kPageGeometry, "");
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
    RunConversion(setup, run, output, program);
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

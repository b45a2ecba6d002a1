#include "export/page_export.h"

#include <chrono>
#include <cstdio>
#include <fstream>

#include "dvi/dvi_doc.h"
#include "platform/output_sink.h"
#include "platform/paths.h"
#include "postscript/dvips_run.h"
#include "postscript/interpreter.h"
#include "postscript/temp_file.h"
#include "process/child_process.h"
#include "process/command_line.h"

namespace quirn {

namespace {

constexpr std::string_view kPageGeometry = "-r%DPIx%DPI -g%WIDTHx%HEIGHT";

// Illustrator-style EPS: a header with a prolog of one-letter path operators, then
// the page's filled paths in device space (characters through their outlines), then
// the trailer at showpage.
constexpr std::string_view kIllustratorProgram = R"PS(/BD {bind def} bind def
/bmcscale 100.0 def
/bmcscaling false def
/printheader {
  (%!PS-Adobe-3.0 EPSF-3.0\n) print
  (%%Creator: Quirn AI distiller 5.0\n) print
  (%%BoundingBox: 0 0 612 792\n%%EndComments\n%%BeginProlog\n) print
  (/m {moveto} def /l {lineto} def /c {curveto} def /h {closepath} def\n) print
  (/F {fill} def /f {closepath fill} def\n) print
  (/u {} def /U {} def /*u {} def /*U {} def\n%%EndProlog\n) print
} BD
/printtrailer {(%%Trailer\n%%EOF\n) print} BD
/showpage {printtrailer} BD
/printnum {bmcscaling {bmcscale div} if 20 string cvs print ( ) print} BD
/printpair {transform bmcscaling {bmcscale mul exch bmcscale mul exch} if
  exch printnum printnum} BD
/dumpm {printpair (m\n) print} BD
/dumpl {printpair (l\n) print} BD
/dumpc {6 -2 roll printpair 4 -2 roll printpair printpair (c\n) print} BD
/dumpcp {(h\n) print} BD
/dumppath {closepath {dumpm} {dumpl} {dumpc} {dumpcp} pathforall newpath} BD
/fill {dumppath (f\n) print} BD
/oldshow /show load def
/show {
  gsave currentpoint newpath moveto
  /bmcscaling true def
  dup false charpath fill
  /bmcscaling false def
  grestore
  oldshow
} BD
printheader
matrix setmatrix
)PS";

}  // namespace

std::string DefaultPageExportName(const std::string& dviPath, int page,
                                  std::string_view extension) {
    return StripExtension(dviPath) + "_page" + std::to_string(page) + "." + std::string(extension);
}

std::string_view IllustratorConversionProgram() {
    return kIllustratorProgram;
}

ProgramRun RunPostScriptProgram(const GraphicConversionSetup& setup, const std::string& input,
                                std::string_view program, const std::string& printedTo) {
    ProgramRun run;
    const Settings defaults;
    const Settings& settings = setup.settings ? *setup.settings : defaults;
    std::string name;
    std::string text = InterpreterTemplate(settings, setup.installDir, setup.prompt, &name);
    if (text.empty()) {
        if (setup.output && settings.psRender != 2) {
            setup.output->AppendOutput("PostScript interpreter not found: " + name + "\n");
        }
        return run;
    }
    text = ReplaceAll(std::move(text), kPageGeometry, "");
    text = ReplaceAll(std::move(text), "%DEVICE", "display -dNODISPLAY -");
    text = ReplaceAll(std::move(text), "%OUTPUT", "/dev/null");
    run.command = text + " \"" + FileNameOf(input) + "\"";
    run.folder = DirectoryOf(input);

    std::ofstream out(printedTo, std::ios::binary | std::ios::trunc);
    if (!out) {
        return run;
    }
    ChildProcess child;
    child.SetInstallDir(setup.installDir);
    child.SetErrorFile("/dev/null");  // the printed text alone goes to the file
    if (!setup.environment.empty()) {
        child.SetEnvironmentBlock(setup.environment);
    }
    if (!child.Start(SplitCommandLine(run.command), run.folder)) {
        if (setup.output) {
            setup.output->AppendOutput("PostScript interpreter not found: " + name + "\n");
        }
        return run;
    }
    child.Write(program);
    child.CloseInput();
    // Everything the interpreter prints is the result, so it is read to the end, within
    // the output wait's whole span; a child still running then is stopped.
    const auto deadline =
        std::chrono::steady_clock::now() +
        std::chrono::milliseconds(int64_t{setup.wait.stepMs} * (int64_t{setup.wait.steps} + 1));
    std::string printed;
    while (true) {
        child.WaitForOutputOrExit(100);
        child.ReadAvailable(printed);
        out.write(printed.data(), static_cast<std::streamsize>(printed.size()));
        printed.clear();
        if (child.HasEnded()) {
            child.ReadAvailable(printed);
            out.write(printed.data(), static_cast<std::streamsize>(printed.size()));
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            child.Kill();
            break;
        }
    }
    out.flush();
    run.ok = static_cast<bool>(out) && child.ExitCode() == 0;
    return run;
}

bool ExportPageAsEps(CDVIDoc& doc, int page, const std::string& output, std::string* error) {
    const DvipsResult dvips = RunDvips(doc, "-E -n1 -p =" + std::to_string(page), false);
    TempFile eps(dvips.path);
    if (!eps.Ok() || dvips.placeholder) {
        *error = dvips.error.empty() ? "dvips made no EPS" : dvips.error;
        return false;
    }
    std::ifstream in(eps.Path(), std::ios::binary);
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    if (!out) {
        *error = "Could not open file for writing: " + output;
        return false;
    }
    out << in.rdbuf();
    out.flush();
    if (!out) {
        *error = "Could not write " + output;
        return false;
    }
    return true;
}

bool ExportPageAsIllustrator(CDVIDoc& doc, int page, const std::string& output,
                             const GraphicConversionSetup& setup, std::string* error) {
    TempFile eps = TempFile::Make(".eps");
    if (!eps.Ok() || !ExportPageAsEps(doc, page, eps.Path(), error)) {
        return false;
    }
    const ProgramRun run = RunPostScriptProgram(setup, eps.Path(), kIllustratorProgram, output);
    if (!run.ok) {
        *error = "Adobe Illustrator Export failed: " + output;
        return false;
    }
    if (setup.output) {
        setup.output->AppendOutput("Adobe Illustrator Export complete\n");
    }
    return true;
}

}  // namespace quirn

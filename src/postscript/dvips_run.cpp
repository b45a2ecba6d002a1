#include "postscript/dvips_run.h"

#include <cstdio>
#include <fstream>

#include "dvi/dvi_doc.h"
#include "dvi/interpret_page.h"
#include "dvi/specials.h"
#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/program_resolver.h"
#include "postscript/temp_file.h"
#include "process/child_process.h"
#include "process/command_line.h"

namespace quirn {

namespace {

constexpr std::string_view kExcludeVariable = "QUIRN_EXCLUDESPECIAL";

std::string Format(const char* format, double a, double b) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, format, a, b);
    return buffer;
}

// Empty pages in the page structure of the document, for when dvips gives nothing.
bool WritePlaceholder(const std::string& path, int pageCount) {
    std::ofstream out(path, std::ios::trunc);
    out << "%!PS-Adobe\n";
    for (int i = 1; i <= pageCount; ++i) {
        out << "%%Page: " << i << "\n showpage\n";
    }
    out << "%%EOF\n";
    return static_cast<bool>(out);
}

// Copies `from` into a new temporary file without the "@landscape" lines that follow
// the line holding "%%BeginSetup". Lines are cut at 1023 characters, as dvips's are
// never longer.
std::string WithoutLandscape(const std::string& from) {
    TempFile to = TempFile::Make();
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to.Path(), std::ios::binary | std::ios::trunc);
    if (!to.Ok() || !in || !out) {
        return {};
    }
    bool inSetup = false;
    std::string line;
    while (std::getline(in, line)) {
        const bool complete = !in.eof();
        if (line.find("%%BeginSetup") != std::string::npos) {
            inSetup = true;
        }
        if (!(inSetup && line.find("@landscape") != std::string::npos)) {
            out << line;
            if (complete) {
                out << '\n';
            }
        }
    }
    out.close();
    if (!out) {
        return {};
    }
    return to.Release();
}

}  // namespace

DvipsSetup DvipsSetupFor(const CDVIDoc& doc) {
    const DviContext& context = doc.Context();
    DvipsSetup setup;
    setup.installDir = context.fileSearch.InstallDir();
    setup.environment = context.fileSearch.Environment();
    setup.userOptions = context.CurrentSettings().dvipsOptions;
    setup.landscapeSetting = context.CurrentSettings().landscape != 0;
    return setup;
}

std::string DvipsCommandText(const CDVIDoc& doc, std::string_view extraOptions,
                             const DvipsSetup& setup, const std::string& outputPath) {
    const PixelSize size = doc.GetPageSize(100);
    std::string options = Format("-T %.2fin,%.2fin ", size.width / 100.0, size.height / 100.0);
    options += " -D300 ";
    options += " " + setup.userOptions + " ";
    options += extraOptions;
    return "dvips -M -q " + options + " -o\"" + outputPath + "\" \"" + FileNameOf(doc.Path()) +
           "\"";
}

DvipsResult RunDvips(const CDVIDoc& doc, std::string_view extraOptions, bool excludeSpecials,
                     const DvipsSetup& setup) {
    DvipsResult result;
    TempFile output = TempFile::Make();
    if (!output.Ok()) {
        result.error = "Cannot make a temporary file in " + TemporaryRoot();
        return result;
    }
    std::vector<std::string> arguments =
        SplitCommandLine(DvipsCommandText(doc, extraOptions, setup, output.Path()));

    ChildProcess child;
    child.SetInstallDir(setup.installDir);
    EnvironmentBlock environment =
        setup.environment.empty() ? ProcessEnvironment() : setup.environment;
    child.SetEnvironmentBlock(EnvironmentWith(
        environment, {std::string(kExcludeVariable) + "=" + (excludeSpecials ? "1" : "")}));
    bool ok = false;
    if (ResolveProgram(setup.installDir, "dvips").empty()) {
        result.error = "dvips not found";
    } else if (!child.Start(arguments, DirectoryOf(doc.Path()))) {
        result.error = "dvips could not be started";
    } else {
        child.CloseInput();
        OutputWaitResult waited = WaitForOutputFile(child, output.Path(), setup.wait);
        ok = !waited.killed && child.ExitCode() == 0;
        if (!ok) {
            result.error = waited.killed ? "dvips did not finish" : waited.printed;
        }
    }
    if (!ok) {
        result.placeholder = true;
        if (!WritePlaceholder(output.Path(), doc.GetPageCount())) {
            result.error = "Cannot write " + output.Path();
            return result;
        }
        result.path = output.Release();
        return result;
    }

    const PixelSize size = doc.GetPageSize(100);
    if (size.width > size.height || setup.landscapeSetting) {
        std::string turned = WithoutLandscape(output.Path());
        if (turned.empty()) {
            result.error = "Cannot write a temporary file in " + TemporaryRoot();
            return result;
        }
        output = TempFile(std::move(turned));
    }
    result.path = output.Release();
    return result;
}

DvipsResult RunDvips(const CDVIDoc& doc, std::string_view extraOptions, bool excludeSpecials) {
    return RunDvips(doc, extraOptions, excludeSpecials, DvipsSetupFor(doc));
}

bool ConvertExcludedSpecial(const CDVIDoc& doc, std::string_view line,
                            const SpecialOutputFunction& output, int resolution,
                            SpecialLibrary& library, OutputSink& out) {
    if (!line.starts_with(kExcludedSpecialPrefix)) {
        return false;
    }
    // The library reads the graphic by the name it is given: a name relative to the
    // document's folder is made absolute by looking there first.
    GraphicsSearch search = GraphicsSearchFor(doc);
    if (!search.baseDir.empty()) {
        search.figurePath.insert(search.figurePath.begin(), search.baseDir);
    }
    return ConvertExcludedSpecial(line, output, resolution, doc.mag, search, library, out);
}

}  // namespace quirn

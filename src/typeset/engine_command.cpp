#include "typeset/engine_command.h"

#include <cctype>

#include "platform/paths.h"
#include "platform/program_resolver.h"

namespace quirn {

namespace {

std::string Quoted(const std::string& text) {
    if (text.find_first_of(" \t") == std::string::npos)
        return text;
    return "\"" + text + "\"";
}

}  // namespace

std::string ExpectedOutputName(const std::string& source) {
    return ReplaceExtension(source, "DVI");
}

std::string PdfOutputName(const std::string& source) {
    return ReplaceExtension(source, "pdf");
}

std::string OutputFileOnDisk(const std::string& path) {
    if (FileExists(path))
        return path;
    std::string extension = ExtensionOf(path);
    if (extension.empty())
        return path;
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string lower = ReplaceExtension(path, extension);
    return FileExists(lower) ? lower : path;
}

std::string ResolveEngineProgram(const std::string& installDir, const std::string& engine) {
    if (engine.empty())
        return {};
    std::string program = ResolveProgram(installDir, engine);
    if (program.empty() && engine == "pdfetex")
        program = ResolveProgram(installDir, "pdftex");
    return program;
}

std::string BuildEngineCommandLine(const EngineCommand& c) {
    std::string line = Quoted(c.program) + " ";
    if (c.engine != "tex" && c.eightBit)
        line += "-8bit ";
    if (!c.extraOptions.empty())
        line += c.extraOptions + " ";
    std::string etex = c.engine != "tex" ? "-etex " : "";
    if (c.iniTeX) {
        if (c.dumpScheme) {
            line += "-ini " + etex + "-progname=latex \"&latex\" \"" + c.fileArgument + "\"";
        } else {
            line += "-ini " + etex + c.fileArgument + " \\dump";
        }
    } else if (c.dumpScheme) {
        line += "-src-specials -progname=latex -fmt " + StripExtension(c.fileArgument) + "-pre \"" +
                c.fileArgument + "\"";
    } else {
        line += "-src-specials -progname=" + c.format + " \"&" + c.format + "\" \"" +
                c.fileArgument + "\"";
    }
    return line;
}

}  // namespace quirn

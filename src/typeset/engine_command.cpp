#include "typeset/engine_command.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>

#include "platform/program_resolver.h"

namespace quirn {

namespace {

std::size_t LastSeparator(const std::string& path) {
    return path.find_last_of("/\\");
}

// Position of the extension's "." when it belongs to the file name, else npos.
std::size_t ExtensionDot(const std::string& path) {
    std::size_t dot = path.rfind('.');
    std::size_t sep = LastSeparator(path);
    if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) {
        return std::string::npos;
    }
    return dot;
}

std::string WithExtension(const std::string& path, const std::string& extension) {
    std::size_t dot = ExtensionDot(path);
    if (dot == std::string::npos)
        return path + "." + extension;
    return path.substr(0, dot + 1) + extension;
}

std::string Quoted(const std::string& text) {
    if (text.find_first_of(" \t") == std::string::npos)
        return text;
    return "\"" + text + "\"";
}

}  // namespace

std::string RunDirectoryOf(const std::string& path) {
    std::size_t sep = LastSeparator(path);
    if (sep == std::string::npos)
        return ".";
    if (sep == 0)
        return "/";
    return path.substr(0, sep);
}

std::string RunFileArgument(const std::string& path) {
    std::size_t sep = LastSeparator(path);
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

std::string RunBaseName(const std::string& path) {
    std::size_t dot = ExtensionDot(path);
    return dot == std::string::npos ? path : path.substr(0, dot);
}

std::string ExpectedOutputName(const std::string& source) {
    return WithExtension(source, "DVI");
}

std::string PdfOutputName(const std::string& source) {
    return WithExtension(source, "pdf");
}

std::string OutputFileOnDisk(const std::string& path) {
    if (::access(path.c_str(), F_OK) == 0)
        return path;
    std::size_t dot = ExtensionDot(path);
    if (dot == std::string::npos)
        return path;
    std::string lower = path;
    for (std::size_t i = dot + 1; i < lower.size(); ++i) {
        lower[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(lower[i])));
    }
    return ::access(lower.c_str(), F_OK) == 0 ? lower : path;
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
        line += "-src-specials -progname=latex -fmt " + RunBaseName(c.fileArgument) + "-pre \"" +
                c.fileArgument + "\"";
    } else {
        line += "-src-specials -progname=" + c.format + " \"&" + c.format + "\" \"" +
                c.fileArgument + "\"";
    }
    return line;
}

}  // namespace quirn

// The engine's command line and the names a run derives from its source file.
#pragma once

#include <string>

namespace quirn {

// The expected output of a DVI run: the extension replaced by "DVI", or ".DVI"
// appended to a source without one.
std::string ExpectedOutputName(const std::string& source);
// The output of a PDF run: the extension replaced by "pdf".
std::string PdfOutputName(const std::string& source);
// The file the engine really wrote for a name whose extension Quirn writes in capitals
// ("paper.DVI", "paper.LOG"): the name itself when it exists, otherwise the name with
// its extension in lower case (TeX writes "paper.dvi").
std::string OutputFileOnDisk(const std::string& path);

// Where an engine program is found: InstallDir/bin/NAME, else NAME on PATH. The
// engine named "pdfetex" is the e-TeX-extended pdfTeX, which TeX Live installs as
// "pdftex" (with "pdfetex" only as an optional alias), so that name is tried too.
// Empty when the program is found nowhere.
std::string ResolveEngineProgram(const std::string& installDir, const std::string& engine);

struct EngineCommand {
    std::string program;       // the engine program to run
    std::string engine;        // the engine's name as set ("pdfetex", "tex", ...)
    bool eightBit = true;      // TeXEngine8bit
    std::string extraOptions;  // as passed to the run (may be empty)
    std::string format;        // format name (e.g. "latex"); unused by an INITeX run
    std::string fileArgument;  // the source's file name, or the macro file to INITeX
    bool iniTeX = false;       // build a format
    bool dumpScheme = false;   // the debugging option texscheme=dump
};

// program, "-8bit " (not for "tex"), the extra options with a blank, then for a
// normal run -src-specials -progname=FORMAT "&FORMAT" "FILE", for an INITeX run
// -ini FILE \dump (with -etex for the TeX Live engines other than "tex", whose
// LaTeX needs e-TeX), or the forms of the dump scheme.
std::string BuildEngineCommandLine(const EngineCommand& command);

}  // namespace quirn

// The engine's arguments and the names a run derives from its source file.
#pragma once

#include <string>
#include <vector>

namespace quirn {

// The expected output of a DVI run: the extension replaced by "dvi", or ".dvi"
// appended to a source without one (TeX writes its files in lower case).
std::string ExpectedOutputName(const std::string& source);
// The output of a PDF run: the extension replaced by "pdf".
std::string PdfOutputName(const std::string& source);

// Where an engine program is found: InstallDir/bin/NAME, else NAME on PATH. The
// engine named "pdfetex" is the e-TeX-extended pdfTeX, which TeX Live installs as
// "pdftex" (with "pdfetex" only as an optional alias), so that name is tried too.
// Empty when the program is found nowhere.
std::string ResolveEngineProgram(const std::string& installDir, const std::string& engine);

struct EngineCommand {
    std::string program;                    // the engine program to run
    std::string engine;                     // the engine's name as set ("pdfetex", "tex", ...)
    bool eightBit = true;                   // TeXEngine8bit
    std::vector<std::string> extraOptions;  // as passed to the run (may be empty)
    std::string format;                     // format name (e.g. "latex"); unused by an INITeX run
    std::string fileArgument;               // the source's file name, or the macro file to INITeX
    bool iniTeX = false;                    // build a format
    bool dumpScheme = false;                // the debugging option texscheme=dump
};

// program, -8bit (not for "tex" and the PDF engines), the extra options, then for a
// normal run -src-specials (not for the PDF engines, whose output has no specials)
// -progname=FORMAT &FORMAT "FILE", for an INITeX run -ini FILE \dump
// (with -etex for the TeX Live engines other than "tex", whose LaTeX needs e-TeX), or
// the forms of the dump scheme. Each is one argument, never split again.
//
// The engine reads its arguments as its first input line, where a blank ends a file
// name: the file name reaches it in double quotes, which TeX takes as part of the
// name's syntax and removes, so names with blanks, apostrophes, "$", ";" or "&" are
// read whole. (A name holding a double quote cannot be given to TeX at all.) XeTeX
// quotes a first argument with blanks itself and would take our quotes as part of the
// name: where the name is the first argument, it gets it as it is.
std::vector<std::string> BuildEngineArguments(const EngineCommand& command);

// The engines that write PDF whatever the output mode: XeTeX and LuaTeX, which run
// LaTeX as XeLaTeX and LuaLaTeX.
bool EngineWritesPdf(const std::string& engine);

// The engine options of a PDF run of `engine`: the file-search trace, PDF output (XeTeX
// writes nothing else) and the SyncTeX file that links the PDF pages to the source.
std::vector<std::string> PdfRunOptions(const std::string& engine = "pdfetex");

// `name` in the double quotes that make TeX read it whole.
std::string TexQuotedFileName(const std::string& name);

}  // namespace quirn

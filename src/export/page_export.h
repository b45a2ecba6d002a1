// A DVI page exported on its own: as EPS (dvips with -E for that one page) and as an
// Adobe Illustrator file (that EPS run through the interpreter with a program that
// prints every filled path and character outline as Illustrator path operators).
#pragma once

#include <string>
#include <string_view>

#include "export/graphic_conversion.h"

namespace quirn {

class CDVIDoc;

// DVIPATH without its extension + "_page" + page + "." + extension.
std::string DefaultPageExportName(const std::string& dviPath, int page, std::string_view extension);

// The PostScript program that turns a page's painting into Illustrator paths.
std::string_view IllustratorConversionProgram();

// RunPostScriptProgram: the interpreter on `input` with `program` on standard input and
// no page output (device "display -dNODISPLAY -", output /dev/null); what it prints
// goes to `printedTo`. False when it could not run or the file could not be written.
struct ProgramRun {
    std::string command;
    std::string folder;
    bool ok = false;
};
ProgramRun RunPostScriptProgram(const GraphicConversionSetup& setup, const std::string& input,
                                std::string_view program, const std::string& printedTo);

// Page `page` (1-based) of `doc` as EPS in `output`. False (with `error`) when dvips made
// nothing or the file could not be written.
bool ExportPageAsEps(CDVIDoc& doc, int page, const std::string& output, std::string* error);

// The same page as an Illustrator file; "Adobe Illustrator Export complete" goes to the
// setup's output window when done.
bool ExportPageAsIllustrator(CDVIDoc& doc, int page, const std::string& output,
                             const GraphicConversionSetup& setup, std::string* error);

}  // namespace quirn

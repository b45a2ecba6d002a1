// Save as PDF: a viewer document (DVI, PostScript or EPS) distilled by the interpreter
// into a PDF with a document-information dictionary. The interpreter's command gets
// 300 dpi, the page size at 300 dpi, the pdfwrite device and the PDF as output, and
// runs in the PDF's folder reading standard input: first the DOCINFO pdfmark, then the
// distiller parameters, then every page, not graphics-only. The interpreter lets the
// document's own "%%Title:" and "%%Creator:" comments override an earlier pdfmark, so
// the pdfmark is given once more after the pages: the fields asked for always win.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "export/graphic_conversion.h"

namespace quirn {

class CBaseDoc;

struct PdfInformation {
    std::string title;
    std::string subject;
    std::string keywords;
    std::string author;
    std::string creator;
    std::string creationDate;  // see PdfCreationDate
    bool subsetFonts = false;
};

// The value of a "%%KEY: " comment of the PostScript header (up to "%%EndComments" or
// the first page), or empty.
std::string DscHeaderValue(std::string_view postscript, std::string_view key);

// The local time as "M/D/YYYY H:MM:SS AM" without leading zeros in month, day and hour.
std::string PdfCreationDate(std::time_t when);

// Backslashes and parentheses escaped for a PostScript string.
std::string PostScriptStringText(std::string_view text);

std::string DocInfoLine(const PdfInformation& info, std::string_view version);
std::string DistillerParameters(bool subsetFonts);

struct SavePdfResult {
    std::string command;  // as built, before it is cut into arguments
    std::string folder;
    bool wrote = false;  // the PDF exists and is not empty
};

// Writes `doc` (pages written at 300 dpi) as the PDF `output`.
SavePdfResult SaveAsPDF(CBaseDoc& doc, const PdfInformation& info, std::string_view version,
                        const std::string& output, const GraphicConversionSetup& setup);

}  // namespace quirn

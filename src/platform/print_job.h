// Printing through the desktop's printing system: a DVI file is turned into PostScript
// by dvips first, and the file goes to the default printer with `lp`. Both programs are
// found by the program resolver and get their arguments as a vector (no shell).
#pragma once

#include <string>

#include "platform/environment_block.h"

namespace quirn {

class TempFolder;

struct PrintRequest {
    std::string installDir;  // where the program resolver looks first
    std::string file;        // absolute: a DVI, PostScript, PDF or text file
    bool landscape = false;
    std::string paper;  // dvips paper name ("a4", "letter", ...); empty for its default
    // The environment dvips and lp start with (the TeX environment, so that dvips finds
    // the fonts the document was typeset with); empty for this process's.
    EnvironmentBlock environment;
};

struct PrintResult {
    bool printed = false;
    std::string message;  // for the user when nothing was printed
};

// The PostScript made of a DVI file is kept in `temporary` until lp has taken it.
PrintResult PrintDocument(const PrintRequest& request, TempFolder& temporary);

}  // namespace quirn

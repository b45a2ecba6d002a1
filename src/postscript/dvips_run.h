// A DVI document's way to PostScript: dvips run as a child, found by the program
// resolver and started in the DVI file's folder with the file named by its bare name,
// its output going to a new "$TMPDIR/quirn*" file.
//
// The command is built as one text,
//     dvips -M -q -T W,H -D300 OPTIONS EXTRA -o"OUT" "FILE.dvi"
// (W and H the page size in inches with two decimals, "8.50in"; OPTIONS the user's
// dvips options) and cut into arguments by the quoting rules of typed command lines.
// The output wait of output_wait.h applies, and a dvips still running after it is
// killed. When dvips fails, the result is a placeholder file with one empty page per
// DVI page, so the page structure exists anyway. For a landscape page the "@landscape"
// lines of the setup are taken out, since the page is already drawn wider than high.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "graphics/graphics_special.h"
#include "platform/environment_block.h"
#include "postscript/output_wait.h"

namespace quirn {

class CDVIDoc;
class OutputSink;

struct DvipsSetup {
    std::string installDir;        // where the program resolver looks first
    EnvironmentBlock environment;  // the child's environment; empty: this process's
    std::string userOptions;       // the setting "DVIPS"/OptionString
    bool landscapeSetting = false;
    OutputWaitLimits wait;
};

// The setup a document's own context gives: its installation folder, the children's
// environment of its file search, and its settings.
DvipsSetup DvipsSetupFor(const CDVIDoc& doc);

struct DvipsResult {
    std::string path;          // the PostScript file; the caller removes it
    bool placeholder = false;  // dvips failed: the file holds empty pages only
    std::string error;         // why dvips failed (its output, or that it is missing)
};

// The command text, before it is cut into arguments (shown in traces and tests).
std::string DvipsCommandText(const CDVIDoc& doc, std::string_view extraOptions,
                             const DvipsSetup& setup, const std::string& outputPath);

// Runs dvips on `doc`. `excludeSpecials` gives the child QUIRN_EXCLUDESPECIAL=1 (the
// document's own PostScript file), otherwise the variable is empty. `path` is empty
// only when no temporary file could be made at all.
DvipsResult RunDvips(const CDVIDoc& doc, std::string_view extraOptions, bool excludeSpecials,
                     const DvipsSetup& setup);
DvipsResult RunDvips(const CDVIDoc& doc, std::string_view extraOptions, bool excludeSpecials);

// One line of the document's PostScript on its way to the interpreter or a file: an
// excluded special ("%%QuirnSpecialExcluded: TEXT") is resolved against the document's
// graphics search and turned into PostScript by `library`, written through `output`,
// and the line is consumed (true). Any other line answers false and is copied as it is.
bool ConvertExcludedSpecial(const CDVIDoc& doc, std::string_view line,
                            const SpecialOutputFunction& output, int resolution,
                            SpecialLibrary& library, OutputSink& out);

}  // namespace quirn

// quirn-cli forward-search FILE.dvi SOURCE LINE [--dpi D]: the place of a source line
// on the pages, as "page: P" (1-based, in file order) and "point: X Y" (pixels at D
// dots per inch, default 96, from the paper's top-left corner); nothing and exit 1
// when the DVI file holds no source special of SOURCE at or before LINE.
//
// quirn-cli inverse-search FILE.dvi PAGE X Y [--dpi D]: the source line behind a
// point of page PAGE, handed over as "goto: FILE:LINE" (a relative file taken from
// the DVI file's folder, made absolute), or the window's message when the page holds
// no source special.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/preview_document.h"
#include "dvi/dvi_doc.h"
#include "dvi/source_links.h"
#include "platform/paths.h"

namespace quirn::cli {
namespace {

constexpr int kDefaultDpi = 96;

// The positional arguments and the --dpi option; false for anything else.
bool SplitArguments(const std::vector<std::string>& args, std::vector<std::string>& positional,
                    int& dpi) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--dpi" && i + 1 < args.size()) {
            if (!ParseCount(args[++i], dpi) || dpi < 1)
                return false;
        } else if (args[i].starts_with("--")) {
            return false;
        } else {
            positional.push_back(args[i]);
        }
    }
    return true;
}

int ForwardSearchCommand(const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    int dpi = kDefaultDpi;
    int line = 0;
    if (!SplitArguments(args, positional, dpi) || positional.size() != 3 ||
        !ParseCount(positional[2], line)) {
        return WrongUsage("forward-search");
    }
    const std::string dvi = AbsolutePath(positional[0], StartFolder());
    const std::string source = AbsolutePath(positional[1], StartFolder());
    // With the font map read, as the previewer reads it: without it every font of the
    // file would be reported as having no map entry.
    auto preview = OpenPreviewDocument(dvi, true);
    if (!preview)
        return 1;
    int page = -1, x = 0, y = 0;
    if (!preview->doc->ForwardSearch(source, static_cast<uint32_t>(line), dpi, page, x, y))
        return 1;
    std::printf("page: %d\npoint: %d %d (pixels at %d dpi from the paper's top left corner)\n",
                page + 1, x, y, dpi);
    return 0;
}

int InverseSearchCommand(const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    int dpi = kDefaultDpi;
    int page = 0, x = 0, y = 0;
    if (!SplitArguments(args, positional, dpi) || positional.size() != 4 ||
        !ParseCount(positional[1], page) || page < 1 || !ParseCount(positional[2], x) ||
        !ParseCount(positional[3], y)) {
        return WrongUsage("inverse-search");
    }
    auto preview = OpenPreviewDocument(AbsolutePath(positional[0], StartFolder()), true);
    if (!preview)
        return 1;
    if (page > preview->doc->GetPageCount()) {
        std::fprintf(stderr, "page %d is not in the document (%d pages)\n", page,
                     preview->doc->GetPageCount());
        return 1;
    }
    std::optional<SourcePosition> source = SourceForPoint(*preview->doc, page - 1, dpi, x, y);
    if (!source) {
        std::fprintf(stderr, "message: No embedded source info in DVI file\n");
        return 1;
    }
    std::printf("goto: %s:%u\n", source->file.c_str(), source->line);
    return 0;
}

}  // namespace

QUIRN_CLI_COMMAND(
    "forward-search", "FILE.dvi SOURCE LINE [--dpi D]", "the place of a source line on the pages",
    "Finds line LINE of the TeX file SOURCE in FILE.dvi (typeset with source\n"
    "specials) as the editor's forward search does: the last source special of SOURCE\n"
    "at or before the line. Prints\n"
    "  page: P          the page (from 1, in file order)\n"
    "  point: X Y (...) the place in pixels at D dots per inch (default 96), X to the\n"
    "                   right and Y down from the paper's top left corner\n"
    "Prints nothing, with exit status 1, when the file holds no source special of\n"
    "SOURCE at or before LINE.\n",
    ForwardSearchCommand);
QUIRN_CLI_COMMAND(
    "inverse-search", "FILE.dvi PAGE X Y [--dpi D]", "the source line behind a point of a page",
    "Finds the source line behind pixel (X, Y) of page PAGE (from 1) drawn at D dots\n"
    "per inch (default 96), X to the right and Y down from the paper's top left\n"
    "corner, as a click in the page view does: the nearest source special. Prints\n"
    "  goto: FILE:LINE  the source file (a relative name in the special is taken from\n"
    "                   the DVI file's folder) and its line, from 1\n"
    "When the page holds no source special, the window's message goes to standard\n"
    "error as \"message: ...\" and the exit status is 1.\n",
    InverseSearchCommand);

}  // namespace quirn::cli

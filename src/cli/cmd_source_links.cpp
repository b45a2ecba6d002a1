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
#include "cli/pdf_tool.h"
#include "cli/preview_document.h"
#include "dvi/dvi_doc.h"
#include "dvi/page_words.h"
#include "dvi/source_links.h"
#include "dvi/synctex_links.h"
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

// A PDF file's links come from its SyncTeX file: the first box of the line.
int ForwardSearchPdf(const std::string& pdf, const std::string& source, int line, int dpi) {
    if (!RegularFileExists(pdf)) {
        std::fprintf(stderr, "Cannot open file: %s\n", pdf.c_str());
        return 1;
    }
    std::unique_ptr<SyncTexLinks> links = SyncTexLinks::Open(pdf);
    if (!links)
        return 1;
    const std::vector<SyncTexBox> boxes = links->Forward(source, line);
    if (boxes.empty())
        return 1;
    const SyncTexBox& box = boxes.front();
    std::printf("page: %d\npoint: %d %d (pixels at %d dpi from the paper's top left corner)\n",
                box.page + 1, static_cast<int>(box.left * dpi / 72),
                static_cast<int>(box.baseline * dpi / 72), dpi);
    return 0;
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
    if (IsPdfFile(dvi))
        return ForwardSearchPdf(dvi, source, line, dpi);
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
    const std::string file = AbsolutePath(positional[0], StartFolder());
    if (IsPdfFile(file)) {
        return RunPdfTool({"inverse-search", file, std::to_string(page), std::to_string(x),
                           std::to_string(y), std::to_string(dpi)});
    }
    auto preview = OpenPreviewDocument(file, true);
    if (!preview)
        return 1;
    if (page > preview->doc->GetPageCount()) {
        std::fprintf(stderr, "page %d is not in the document (%d pages)\n", page,
                     preview->doc->GetPageCount());
        return 1;
    }
    // A SyncTeX file beside the DVI file takes the line down to the clicked word.
    std::unique_ptr<SyncTexLinks> links = SyncTexLinks::Open(file);
    std::optional<SyncTexPlace> place =
        SourcePlaceForPoint(*preview->doc, links.get(), page - 1, dpi, x, y);
    if (!place) {
        std::fprintf(stderr, "message: No embedded source info in DVI file\n");
        return 1;
    }
    std::printf("goto: %s:%d\n", place->file.c_str(), place->line);
    if (place->column > 0)
        std::printf("column: %d\n", place->column);
    return 0;
}

}  // namespace

QUIRN_CLI_COMMAND(
    "forward-search", "FILE.dvi|FILE.pdf SOURCE LINE [--dpi D]",
    "the place of a source line on the pages",
    "Finds line LINE of the TeX file SOURCE in FILE.dvi (typeset with source\n"
    "specials) as the editor's forward search does: the last source special of SOURCE\n"
    "at or before the line. Prints\n"
    "  page: P          the page (from 1, in file order)\n"
    "  point: X Y (...) the place in pixels at D dots per inch (default 96), X to the\n"
    "                   right and Y down from the paper's top left corner\n"
    "Prints nothing, with exit status 1, when the file holds no source special of\n"
    "SOURCE at or before LINE.\n"
    "For FILE.pdf the place comes from its SyncTeX file (FILE.synctex.gz, written by\n"
    "a run with -synctex=1): the left end and baseline of the line's first box.\n",
    ForwardSearchCommand);
QUIRN_CLI_COMMAND(
    "inverse-search", "FILE.dvi|FILE.pdf PAGE X Y [--dpi D]",
    "the source line behind a point of a page",
    "Finds the source line behind pixel (X, Y) of page PAGE (from 1) drawn at D dots\n"
    "per inch (default 96), X to the right and Y down from the paper's top left\n"
    "corner, as a click in the page view does: the nearest source special. Prints\n"
    "  goto: FILE:LINE  the source file (a relative name in the special is taken from\n"
    "                   the DVI file's folder) and its line, from 1\n"
    "  column: C        only when known: the column (from 1, in bytes) of the clicked\n"
    "                   word in that line\n"
    "When a SyncTeX file (FILE.synctex.gz) lies beside FILE.dvi, the line and column\n"
    "are those of the word under the point. FILE.pdf is linked through its SyncTeX\n"
    "file only.\n"
    "When the page holds no source special, the window's message goes to standard\n"
    "error as \"message: ...\" and the exit status is 1 (for a PDF file without a\n"
    "SyncTeX file: \"message: No SyncTeX information for PDF file\").\n",
    InverseSearchCommand);

}  // namespace quirn::cli

// quirn-cli find FILE.dvi TEXT [--case] [--up] [--page P] [--repeat N]: the view's Find
// Next pressed N times on the pages of a DVI file.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/preview_document.h"
#include "cli/project_session.h"
#include "dvi/text_search.h"

namespace quirn::cli {
namespace {

int FindCommand(const std::vector<std::string>& args) {
    std::string file, text;
    bool matchCase = false, up = false, haveText = false;
    int page = 1, repeat = 1;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--case") {
            matchCase = true;
        } else if (a == "--up") {
            up = true;
        } else if (a == "--page" && i + 1 < args.size()) {
            if (!ParseCount(args[++i], page) || page < 1)
                return WrongUsage("find");
        } else if (a == "--repeat" && i + 1 < args.size()) {
            if (!ParseCount(args[++i], repeat) || repeat < 1)
                return WrongUsage("find");
        } else if (a.starts_with("--")) {
            return WrongUsage("find");
        } else if (file.empty()) {
            file = a;
        } else if (!haveText) {
            text = a;
            haveText = true;
        } else {
            return WrongUsage("find");
        }
    }
    if (file.empty() || text.empty())
        return WrongUsage("find");
    auto preview = OpenPreviewDocument(AbsoluteArgument(file), false);
    if (!preview)
        return 1;
    CDVIDoc& doc = *preview->doc;
    if (page > doc.GetPageCount()) {
        std::fprintf(stderr, "page %d is not in the document (%d pages)\n", page,
                     doc.GetPageCount());
        return 1;
    }
    int current = page - 1;
    SearchState state;
    for (int press = 0; press < repeat; ++press) {
        FindOutcome outcome = FindInDVI(doc, current, text, matchCase, !up, state);
        if (outcome.wrappedAtEnd)
            std::printf("status: %s\n", kWrappedAtEnd);
        if (outcome.wrappedAtBeginning)
            std::printf("status: %s\n", kWrappedAtBeginning);
        if (!outcome.found) {
            std::fflush(stdout);
            std::fprintf(stderr, "message: %s\n", kTextNotFound);
            return 1;
        }
        current = state.page;
        const CanvasRect& r = state.highlight;
        std::printf("found: %d %d %d %d %d\n", state.page + 1, r.left, r.top, r.right, r.bottom);
    }
    return 0;
}

}  // namespace

QUIRN_CLI_COMMAND(
    "find", "FILE.dvi TEXT [--case] [--up] [--page P] [--repeat N]",
    "find text in the typeset pages as the view's Find Next does",
    "Starts the view on page P (from 1, default 1) with nothing highlighted and\n"
    "presses Find Next N times (default 1) with TEXT; --case matches case, --up\n"
    "searches towards the beginning. Each press prints\n"
    "  status: Search wrapped around end of document        (down, past the end)\n"
    "  status: Search wrapped around beginning of document  (up, past page 1)\n"
    "  found: PAGE LEFT TOP RIGHT BOTTOM\n"
    "the match's page and its highlight in pixels at 1000 dpi from the paper's\n"
    "top-left corner. Glyph codes 11 to 15 match ff, fi, fl, ffi and ffl.\n"
    "A press that finds nothing writes \"message: Text not found in DVI document\" on\n"
    "standard error and ends the command with exit status 1; a file that cannot be\n"
    "loaded or a page that is not there also give 1.\n",
    FindCommand);

}  // namespace quirn::cli

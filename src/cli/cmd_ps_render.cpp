// quirn-cli ps-render FILE.ps|FILE.eps REQUEST...: runs page requests against one open
// document with one render cache, as the page view does, and reports the command each
// child got and what came of every request.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/page_documents.h"
#include "cli/preview_document.h"

namespace quirn::cli {
namespace {

// PAGE@DPI[:BITS][+aa]
bool ParseRequest(std::string text, RenderRequest& request, int& page) {
    if (text.ends_with("+aa")) {
        request.smoothing = true;
        text.resize(text.size() - 3);
    }
    const std::size_t at = text.find('@');
    if (at == std::string::npos) {
        return false;
    }
    const std::size_t colon = text.find(':', at);
    int dpi = 0;
    request.bits = 8;
    if (!ParseCount(text.substr(0, at), page) ||
        !ParseCount(
            text.substr(at + 1, colon == std::string::npos ? std::string::npos : colon - at - 1),
            dpi) ||
        page < 1 || dpi < 1) {
        return false;
    }
    if (colon != std::string::npos &&
        (!ParseCount(text.substr(colon + 1), request.bits) ||
         (request.bits != 1 && request.bits != 8 && request.bits != 24))) {
        return false;
    }
    request.page = page - 1;
    request.dpi = dpi;
    return true;
}

const char* OutcomeName(RenderOutcome outcome) {
    switch (outcome) {
        case RenderOutcome::Rendered:
            return "rendered";
        case RenderOutcome::Cached:
            return "cached";
        case RenderOutcome::Empty:
            break;
    }
    return "empty";
}

int PsRenderCommand(const std::vector<std::string>& args) {
    if (args.size() < 2 || args[0].starts_with("-")) {
        return WrongUsage("ps-render");
    }
    std::vector<RenderRequest> requests;
    std::vector<int> pages;
    for (std::size_t i = 1; i < args.size(); ++i) {
        RenderRequest request;
        int page = 0;
        if (!ParseRequest(args[i], request, page)) {
            return WrongUsage("ps-render");
        }
        requests.push_back(request);
        pages.push_back(page);
    }
    auto opened = OpenPageDocument(args[0], false);
    if (!opened) {
        return 1;
    }
    CBaseDoc& doc = *opened->doc;
    PostScriptRenderer renderer(opened->settings, opened->Interpreter());
    bool allDrawn = true;
    for (std::size_t k = 0; k < requests.size(); ++k) {
        const RenderRequest& request = requests[k];
        if (pages[k] > doc.PageCount()) {
            std::fprintf(stderr, "page %d is not in the document (%d pages)\n", pages[k],
                         doc.PageCount());
            return 1;
        }
        RenderOutcome outcome = RenderOutcome::Empty;
        auto rendered =
            renderer.Render(doc, request, &outcome, [](const InterpreterCommand& command) {
                std::printf("command: %s\nfolder: %s\n", command.text.c_str(),
                            command.folder.c_str());
                if (!command.setup.empty()) {
                    std::printf("setup: %s\n", EscapeLineFeeds(command.setup).c_str());
                }
                std::fflush(stdout);
            });
        allDrawn = allDrawn && outcome != RenderOutcome::Empty;
        std::printf("request %zu: page %d dpi %d bits %d smooth %d size %dx%d %s\n", k + 1,
                    pages[k], request.dpi, request.bits, request.smoothing ? 1 : 0, rendered->width,
                    rendered->height, OutcomeName(outcome));
        std::fflush(stdout);
    }
    return allDrawn ? 0 : 1;
}

}  // namespace

QUIRN_CLI_COMMAND(
    "ps-render", "FILE.ps|FILE.eps REQUEST...",
    "render pages through the PostScript interpreter, with the page view's cache",
    "Runs each REQUEST against one open document and one render cache (20\n"
    "entries, the oldest dropped first), as the page view does. REQUEST is\n"
    "PAGE@DPI[:BITS][+aa]: the page from 1, the resolution, the bit depth (1, 8 or\n"
    "24; 8 by default) and +aa for smoothing, e.g. 1@72, 1@72:1, 2@150:24+aa. The\n"
    "interpreter is the one the settings choose (PSRender6, PSRenderCmd). Before a\n"
    "request starts a child it prints\n"
    "  command: TEXT   the command as built, before it is cut into arguments\n"
    "  folder: PATH    the child's working folder\n"
    "  setup: TEXT     for Jaws only: the text sent ahead of the page\n"
    "and for every request\n"
    "  request K: page P dpi D bits B smooth 0|1 size WxH rendered|empty|cached\n"
    "(rendered: a picture came; empty: none came and the page is painted black;\n"
    "cached: taken from the cache without a child). Exit status 1 when a request\n"
    "ended empty or the file cannot be opened.\n",
    PsRenderCommand);

}  // namespace quirn::cli

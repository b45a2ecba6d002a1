// quirn-cli save-ps FILE [--pages LIST] [--graphics-only] [-o OUT]: Save as PostScript.
// A DVI document's chosen pages are copied out of the PostScript dvips makes of it
// (excluded specials converted on the way); a PostScript file's pages are copied with
// its prolog and trailer; an EPS file becomes one page placed by its bounding box.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/page_documents.h"
#include "cli/preview_document.h"
#include "platform/paths.h"

namespace quirn::cli {
namespace {

constexpr int kSaveDpi = 300;

int SavePsCommand(const std::vector<std::string>& args) {
    std::string file, out, list;
    bool graphicsOnly = false;
    bool ok = true;
    for (size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--pages" && hasValue) {
            list = args[++i];
        } else if (args[i] == "--graphics-only") {
            graphicsOnly = true;
        } else if (args[i] == "-o" && hasValue) {
            out = args[++i];
        } else if (file.empty() && !args[i].starts_with("-")) {
            file = args[i];
        } else {
            ok = false;
        }
    }
    std::vector<int> pages;
    ok = ok && !file.empty() && (list.empty() || ParsePageList(list, pages));
    const bool dvi = ExtensionOf(file) == "dvi" || ExtensionOf(file) == "DVI";
    if (!ok || (out.empty() && !dvi)) {
        return WrongUsage("save-ps");
    }
    auto opened = OpenPageDocument(file, false);
    if (!opened) {
        return 1;
    }
    CBaseDoc& doc = *opened->doc;
    std::string shownOut = out;
    if (out.empty()) {
        out = shownOut = ReplaceExtension(doc.Path(), "ps");
    } else {
        out = AbsolutePath(out, StartFolder());
    }
    if (pages.empty()) {
        for (int p = 1; p <= doc.PageCount(); ++p) {
            pages.push_back(p);
        }
    }
    std::vector<int> indices;
    for (int p : pages) {
        if (p < 1 || p > doc.PageCount()) {
            std::fprintf(stderr, "page %d is not in the document (%d pages)\n", p, doc.PageCount());
            return 1;
        }
        indices.push_back(p - 1);
    }
    std::FILE* to = std::fopen(out.c_str(), "wb");
    if (to == nullptr) {
        std::fprintf(stderr, "Could not open file for writing: %s\n", shownOut.c_str());
        return 1;
    }
    const PageWriter writer = [to](std::string_view bytes) {
        return std::fwrite(bytes.data(), 1, bytes.size(), to) == bytes.size();
    };
    const bool written = doc.WritePages(indices, kSaveDpi, writer, graphicsOnly);
    const bool closed = std::fclose(to) == 0;
    if (!written || !closed) {
        std::fprintf(stderr, "Could not write file: %s\n", shownOut.c_str());
        return 1;
    }
    std::printf("wrote %s\n", shownOut.c_str());
    return 0;
}

}  // namespace

QUIRN_CLI_COMMAND(
    "save-ps", "FILE [--pages LIST] [--graphics-only] [-o OUT]",
    "Save as PostScript: chosen pages of a DVI, PostScript or EPS file",
    "Writes a stand-alone PostScript file of pages of FILE and prints \"wrote OUT\".\n"
    "  .dvi   the pages of the PostScript dvips makes of the document, its DSC\n"
    "         comments inside pages left out and excluded specials turned into\n"
    "         PostScript; OUT defaults to the DVI path with the extension \"ps\"\n"
    "  .ps    the prolog, the listed pages and the trailer, byte for byte\n"
    "  .eps   one page: the graphic moved to the origin by its bounding box, wrapped\n"
    "         so that it cannot disturb what follows, and shown\n"
    "  --pages LIST      pages from 1 in the order given: \"3,1\", \"2-3\", \"1,3-4\";\n"
    "                    all pages without it\n"
    "  --graphics-only   DVI pages as their included graphics alone, each with its\n"
    "                    position (how pages with figures are drawn)\n"
    "  -o OUT            the file to write (needed for .ps and .eps)\n"
    "Exit status 1 when the file cannot be opened, a page is not in the document\n"
    "(\"page P is not in the document (N pages)\") or OUT cannot be written (\"Could\n"
    "not open file for writing: OUT\").\n",
    SavePsCommand);

}  // namespace quirn::cli

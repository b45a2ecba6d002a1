// quirn-cli ps-info FILE [--dpi D] [--page P]: the structure of a page document as the
// viewer sees it: its kind, page count and page size, and for DVI and PostScript
// documents the page table of the PostScript file (for DVI documents the one dvips
// makes of it), for EPS documents the PostScript section and the bounding box. A PDF
// file is read by the PDF helper.
#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/page_documents.h"
#include "cli/pdf_tool.h"
#include "cli/preview_document.h"
#include "postscript/dvi_postscript.h"

namespace quirn::cli {
namespace {

void PrintPageTable(const DscStructure& s) {
    std::printf("prolog %" PRId64 " %" PRId32 "\n", s.prologStart, s.pages.front().begin);
    for (std::size_t i = 0; i < s.pages.size(); ++i) {
        std::printf("page %zu %" PRId32 " %" PRId32 "\n", i + 1, s.pages[i].begin, s.pages[i].end);
    }
    std::printf("trailer %" PRId32 " %" PRId64 "\n", s.pages.back().end, s.fileEnd);
}

int PsInfoCommand(const std::vector<std::string>& args) {
    std::string file;
    int dpi = 72, page = 1;
    bool ok = true;
    for (size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--dpi" && hasValue) {
            ok = ok && ParseCount(args[++i], dpi) && dpi > 0;
        } else if (args[i] == "--page" && hasValue) {
            ok = ok && ParseCount(args[++i], page) && page > 0;
        } else if (file.empty() && !args[i].starts_with("-")) {
            file = args[i];
        } else {
            ok = false;
        }
    }
    if (!ok || file.empty())
        return WrongUsage("ps-info");
    if (IsPdfFile(file))
        return RunPdfTool({"info", file, std::to_string(dpi), std::to_string(page)});

    auto opened = OpenPageDocument(file, false);
    if (!opened) {
        return 1;
    }
    CBaseDoc& doc = *opened->doc;
    if (page > doc.PageCount()) {
        std::fprintf(stderr, "page %d is not in the document (%d pages)\n", page, doc.PageCount());
        return 1;
    }
    const PixelSize size = doc.PageSizePixels(page - 1, dpi);
    std::printf("kind %d\npages %d\nsize %" PRId32 " %" PRId32 "\n", doc.Kind(), doc.PageCount(),
                size.width, size.height);
    if (doc.Kind() == kKindEps) {
        const auto& eps = static_cast<const CEPSDoc&>(doc);
        std::printf("section %" PRIu32 " %" PRId64 "\n", eps.Section().start, eps.Section().End());
        if (eps.Box()) {
            const EpsBox& b = *eps.Box();
            std::printf("bbox %" PRId32 " %" PRId32 " %" PRId32 " %" PRId32 "\n", b.llx, b.lly,
                        b.urx, b.ury);
        } else {
            std::printf("bbox unknown\n");
        }
        return 0;
    }
    if (doc.Kind() == kKindDvi) {
        auto& dvi = static_cast<DviPostScriptDoc&>(doc);
        if (!dvi.MakePostScript() || !dvi.ScanDSC()) {
            PrintPageTable(SinglePageStructure(static_cast<int64_t>(dvi.PostScript().size())));
            return 0;
        }
    }
    PrintPageTable(doc.Structure());
    return 0;
}

}  // namespace

QUIRN_CLI_COMMAND("ps-info", "FILE [--dpi D] [--page P]", "the structure of a page document",
                  "Opens FILE by its extension (.ps PostScript, .eps EPS, .pdf PDF, .dvi DVI;\n"
                  "anything else as PostScript) and prints its structure:\n"
                  "  kind K                 0 DVI, 1 PostScript, 2 EPS, 3 PDF\n"
                  "  pages N                the number of pages\n"
                  "  size W H               page P (default 1) in pixels at D dots per inch\n"
                  "                         (default 72)\n"
                  "  prolog S E             DVI and PostScript: the prolog's bytes [S, E)\n"
                  "  page I BEGIN END       DVI and PostScript: one line a page\n"
                  "  trailer S E            DVI and PostScript: the trailer's bytes\n"
                  "  section S E            EPS: the PostScript section's bytes\n"
                  "  bbox LLX LLY URX URY   EPS: the bounding box, or \"bbox unknown\"\n"
                  "A DVI document's page table is that of the PostScript dvips makes of it. A\n"
                  "PDF file gives kind, pages and size: its media box in points x D / 72.\n"
                  "A file that cannot be opened gives \"Cannot open file: PATH\", a PDF file\n"
                  "with no readable page \"Cannot read PDF file: PATH\"; both exit 1.\n",
                  PsInfoCommand);

}  // namespace quirn::cli

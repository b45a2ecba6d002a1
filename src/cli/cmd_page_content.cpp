// quirn-cli page-content FILE.dvi --page P [--plain]: the display lists of page P
// (1-based) as the previewer builds them, expanded (characters of virtual fonts
// replaced by their packets) or plain. Prints "kind K", then one line per record in
// list order: glyphs, rules, specials; positions in DVI units from the paper's
// top-left corner, colours as decimal 0x00BBGGRR values.
#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/preview_document.h"
#include "dvi/interpret_page.h"
#include "platform/paths.h"

namespace quirn::cli {
namespace {

int PageContentCommand(const std::vector<std::string>& args) {
    std::string file;
    int page = 0;
    bool plain = false;
    bool ok = true;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--page" && i + 1 < args.size()) {
            ok = ok && ParseCount(args[++i], page);
        } else if (args[i] == "--plain") {
            plain = true;
        } else if (file.empty() && !args[i].starts_with("--")) {
            file = AbsolutePath(args[i], StartFolder());
        } else {
            ok = false;
        }
    }
    if (!ok || file.empty() || page < 1) {
        return WrongUsage("page-content");
    }
    auto preview = OpenPreviewDocument(file, true);
    if (!preview) {
        return 1;
    }
    CDVIDoc& doc = *preview->doc;
    if (page > doc.GetPageCount()) {
        std::fprintf(stderr, "page %d is not in the document (%d pages)\n", page,
                     doc.GetPageCount());
        return 1;
    }
    const PageContent* content = GetPageContent(doc, page - 1, !plain);
    std::printf("kind %" PRId32 "\n", doc.pages[page - 1].pageKind);
    for (const GlyphPlacement& g : content->glyphs) {
        std::printf("glyph %" PRId32 " %" PRId32 " %" PRIu32 " %" PRIu32 " %s\n", g.h, g.v,
                    g.colour, g.code, g.font != nullptr ? g.font->name.c_str() : "");
    }
    for (const RulePlacement& r : content->rules) {
        std::printf("rule %" PRId32 " %" PRId32 " %" PRIu32 " %" PRId32 " %" PRId32 "\n", r.h, r.v,
                    r.colour, r.height, r.width);
    }
    for (const SpecialRecord& s : content->specials) {
        std::printf("special %" PRId32 " %" PRId32 " %s\n", s.h, s.v, s.text.c_str());
    }
    return 0;
}

}  // namespace

QUIRN_CLI_COMMAND("page-content", "FILE.dvi --page P [--plain]", "the display lists of a page",
                  "Prints the display lists of page P (from 1) as the previewer builds them: with\n"
                  "the characters of virtual fonts replaced by what they stand for, or as the DVI\n"
                  "file has them with --plain.\n"
                  "  kind K                    the page's kind (0 for DVI drawing only)\n"
                  "  glyph H V COLOUR CODE FONT   a character CODE of font FONT\n"
                  "  rule H V COLOUR HEIGHT WIDTH   a rule\n"
                  "  special H V TEXT          a \\special\n"
                  "H and V are the place in DVI units from the paper's top left corner (V going\n"
                  "down), HEIGHT and WIDTH in DVI units; COLOUR is a decimal 0x00BBGGRR value.\n"
                  "Exit status 1 when the file cannot be loaded or has no page P.\n",
                  PageContentCommand);

}  // namespace quirn::cli

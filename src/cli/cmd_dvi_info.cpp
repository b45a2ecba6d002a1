// quirn-cli dvi-info FILE.dvi: loads a DVI file as the previewer does (user settings,
// the font map, every font with its virtual font, outline font or METAFONT bitmaps)
// and prints what it found: page count, paper size (thousandths of an inch), the unit
// fraction and magnification, the page index (0-based) and the font table, each table
// under a "# " header line that names its columns. Font messages, and the failure
// message of a file that cannot be loaded, go to standard error as the output window
// would show them.
#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/font_source.h"
#include "cli/preview_document.h"
#include "platform/paths.h"

namespace quirn::cli {
namespace {

int DviInfo(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        return WrongUsage("dvi-info");
    }
    const std::string file = AbsolutePath(args[0], StartFolder());
    std::unique_ptr<PreviewDocument> preview = OpenPreviewDocument(file, true);
    if (preview == nullptr) {
        return 1;
    }
    const CDVIDoc& doc = *preview->doc;
    std::printf("pages %d\n", doc.GetPageCount());
    std::printf("paper %" PRId32 " %" PRId32 " (width and height in thousandths of an inch)\n",
                doc.pageWidth, doc.pageHeight);
    std::printf("num %" PRId32 "\nden %" PRId32 "\nmag %" PRId32 "\n", doc.num, doc.den, doc.mag);
    std::printf("# page INDEX COUNT0 OFFSET (index from 0, \\count0, byte offset in the file)\n");
    for (int i = 0; i < doc.GetPageCount(); ++i) {
        std::printf("page %d %" PRId32 " %" PRId32 "\n", i, doc.pages[i].count0, doc.pages[i].bop);
    }
    std::printf(
        "# font NUMBER NAME s=SCALED d=DESIGN (in 2^-16 pt) c=CHECKSUM "
        "outline=FILE|pk=FILE|vf=FILE|missing enc=FILE|- virtual=yes|no\n");
    for (const auto& [k, font] : doc.fontTable) {
        const FontSource source = DescribeFontSource(*preview, *font);
        std::string drawn;
        if (source.kind == "missing") {
            drawn = "missing";
        } else {
            drawn = (source.kind == "pk"        ? "pk="
                     : source.kind == "virtual" ? "vf="
                                                : "outline=") +
                    source.file;
        }
        std::printf("font %" PRId32 " %s s=%" PRId32 " d=%" PRId32 " c=%" PRId32
                    " %s enc=%s virtual=%s\n",
                    k, font->name.c_str(), font->s, font->d, font->c, drawn.c_str(),
                    OrDash(source.encoding), font->virtualFont ? "yes" : "no");
    }
    return 0;
}

}  // namespace

QUIRN_CLI_COMMAND(
    "dvi-info", "FILE.dvi", "the pages, paper, units and fonts of a DVI file",
    "Loads FILE.dvi as the previewer does (the user's settings, the font map, every\n"
    "font with its virtual font, outline font or METAFONT bitmaps) and prints:\n"
    "  pages N          the number of pages\n"
    "  paper W H (...)  the paper's width and height in thousandths of an inch (the\n"
    "                   document's papersize special, unless the settings name\n"
    "                   another paper than portrait Letter; else the settings'\n"
    "                   paper size, which landscape swaps)\n"
    "  num N            the DVI unit as the fraction num/den of 10^-7 m\n"
    "  den D\n"
    "  mag M            the magnification, 1000 for none\n"
    "then the page table under a header line \"# page ...\":\n"
    "  page I C B       one line per page: its index I (from 0), its \\count0 C (the\n"
    "                   page number TeX printed) and the byte offset B of its\n"
    "                   beginning in the file\n"
    "and the font table under a header line \"# font ...\":\n"
    "  font K NAME s=S d=D c=C SOURCE enc=ENC virtual=yes|no\n"
    "                   one line per font the file defines: its number K in the file,\n"
    "                   its scaled size S and design size D (both in 2^-16 pt), its\n"
    "                   checksum C, what it is drawn from (SOURCE is outline=FILE for\n"
    "                   an outline font, pk=FILE for METAFONT bitmaps, vf=FILE for a\n"
    "                   virtual font, \"missing\" when nothing draws it), the encoding\n"
    "                   file its font map line names (\"-\" for none) and whether it\n"
    "                   is a virtual font\n"
    "Font messages, and the message of a file that cannot be loaded, go to standard\n"
    "error. Exit status 1 when the file cannot be loaded.\n",
    DviInfo);

}  // namespace quirn::cli

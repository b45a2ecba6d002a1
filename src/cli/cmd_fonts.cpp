// quirn-cli fonts FILE.dvi [--dpi D]: loads a DVI file as the previewer does, which
// resolves every font (METAFONT makes the bitmaps of fonts without an outline), and
// prints one line per font: where it is drawn from, its encoding file and the
// transforms of its font map line. Exit status 1 when a font has no source.
#include <cmath>
#include <cstdio>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "cli/commands.h"
#include "cli/font_source.h"
#include "cli/preview_document.h"
#include "platform/paths.h"

namespace quirn::cli {
namespace {

int Fonts(const std::vector<std::string>& args) {
    if (args.empty()) {
        return WrongUsage("fonts");
    }
    int dpi = 0;  // 0: the bitmaps the previewer draws from
    for (size_t i = 1; i < args.size(); i += 2) {
        if (args[i] != "--dpi" || i + 1 >= args.size() || !ParseCount(args[i + 1], dpi) ||
            dpi == 0) {
            return WrongUsage("fonts");
        }
    }
    const std::string file = AbsolutePath(args[0], StartFolder());
    std::unique_ptr<PreviewDocument> preview = OpenPreviewDocument(file, true);
    if (preview == nullptr) {
        return 1;
    }
    int status = 0;
    // A virtual font used at one size defines its fonts once per use; each font and
    // size is listed once.
    std::set<std::pair<std::string, int32_t>> listed;
    for (const auto& font : preview->doc->fonts) {
        if (!listed.emplace(font->name, font->s).second) {
            continue;
        }
        FontSource source = DescribeFontSource(*preview, *font);
        if (source.kind == "pk" && dpi != 0) {
            const std::string name = font->name.substr(font->name.rfind('/') + 1);
            const double magnification = font->d > 0 ? static_cast<double>(font->s) / font->d : 1.0;
            int foundDpi = 0;
            source.file = preview->context->fileSearch.FindPk(
                name, static_cast<int>(std::lround(dpi * magnification)), true, foundDpi);
            if (source.file.empty()) {
                source.kind = "missing";
                source.reason =
                    "METAFONT cannot make its bitmaps at " + std::to_string(dpi) + " dpi";
            }
        }
        if (source.kind == "missing") {
            std::printf("%s missing - enc=- slant=0 extend=1 (%s)\n", font->name.c_str(),
                        source.reason.c_str());
            status = 1;
            continue;
        }
        std::printf("%s %s %s enc=%s slant=%g extend=%g\n", font->name.c_str(), source.kind.c_str(),
                    source.file.c_str(), OrDash(source.encoding), source.slant, source.extend);
    }
    return status;
}

}  // namespace

QUIRN_CLI_COMMAND(
    "fonts", "FILE.dvi [--dpi D]", "where every font of a DVI file is drawn from",
    "Loads FILE.dvi as the previewer does (the user's settings, the font map, every\n"
    "font with its virtual font, outline font or METAFONT bitmaps, which are made and\n"
    "kept in the font cache when no bitmap file exists yet, which can take seconds)\n"
    "and prints one line per font and size, the fonts of virtual fonts included, in\n"
    "the order they are defined:\n"
    "  NAME KIND FILE enc=ENC slant=S extend=E\n"
    "                   KIND is \"type1\" or \"truetype\" for an outline font,\n"
    "                   \"pk\" for METAFONT bitmaps and \"virtual\" for a virtual\n"
    "                   font; FILE is the full path of the outline, bitmap or\n"
    "                   virtual font file; ENC the encoding file the font map line\n"
    "                   names (\"-\" for the font's own encoding); S and E the slant\n"
    "                   and extension the line gives it (0 and 1 for none)\n"
    "  NAME missing - enc=- slant=0 extend=1 (REASON)\n"
    "                   a font that is not drawn, and why\n"
    "With --dpi D, bitmap fonts are looked for (and made) at D dots per inch times\n"
    "their magnification instead of the previewer's resolution.\n"
    "Font messages, and the message of a file that cannot be loaded, go to standard\n"
    "error. Exit status 1 when the file cannot be loaded or a font is missing.\n",
    Fonts);

}  // namespace quirn::cli

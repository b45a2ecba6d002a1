// quirn-cli point-info FILE.dvi --page P --dpi D X Y [--unit in|cm|pc|pt|bp]: the
// font information of the character under pixel (X, Y) of page P (1-based) at D dots
// per inch, as the font-information tool shows it; a "nothing at this point" line
// when no character is there.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/preview_document.h"
#include "dvi/point_info.h"
#include "platform/paths.h"

namespace quirn::cli {
namespace {

bool FindUnit(const std::string& name, RulerUnit& unit) {
    static const RulerUnit kUnits[] = {
        {"in", 1.0}, {"cm", 2.54}, {"pc", 6.0225}, {"pt", 72.27}, {"bp", 72.0}};
    for (const RulerUnit& u : kUnits) {
        if (name == u.name) {
            unit = u;
            return true;
        }
    }
    return false;
}

int PointInfoCommand(const std::vector<std::string>& args) {
    std::string file;
    int page = 0, dpi = 0;
    std::vector<int> point;
    RulerUnit unit;
    bool ok = true;
    for (size_t i = 0; i < args.size(); ++i) {
        int n = 0;
        if (args[i] == "--page" && i + 1 < args.size()) {
            ok = ok && ParseCount(args[++i], page);
        } else if (args[i] == "--dpi" && i + 1 < args.size()) {
            ok = ok && ParseCount(args[++i], dpi);
        } else if (args[i] == "--unit" && i + 1 < args.size()) {
            ok = ok && FindUnit(args[++i], unit);
        } else if (file.empty() && !args[i].starts_with("--")) {
            file = AbsolutePath(args[i], StartFolder());
        } else if (ParseCount(args[i], n)) {
            point.push_back(n);
        } else {
            ok = false;
        }
    }
    if (!ok || file.empty() || page < 1 || dpi < 1 || point.size() != 2) {
        return WrongUsage("point-info");
    }
    auto preview = OpenPreviewDocument(file, true);
    if (!preview) {
        return 1;
    }
    if (page > preview->doc->GetPageCount()) {
        std::fprintf(stderr, "page %d is not in the document (%d pages)\n", page,
                     preview->doc->GetPageCount());
        return 1;
    }
    const std::string info = PointInfo(*preview->doc, page - 1, dpi, point[0], point[1], unit);
    if (info.empty()) {
        std::printf("nothing at this point: no character covers pixel %d %d of page %d at %d dpi\n",
                    point[0], point[1], page, dpi);
    } else {
        std::printf("%s\n", info.c_str());
    }
    return 0;
}

}  // namespace

QUIRN_CLI_COMMAND(
    "point-info", "FILE.dvi --page P --dpi D X Y [--unit in|cm|pc|pt|bp]",
    "the character under a point of a page",
    "Prints what the font-information tool shows for pixel (X, Y) of page P (from 1)\n"
    "drawn at D dots per inch, X to the right and Y down from the paper's top left\n"
    "corner:\n"
    "  (x,y) (X,Y)  Font: NAME  CharCode: CODE ('C')  designsize: Spt scaled P%\n"
    "with the place in the unit given by --unit (default in), or\n"
    "  nothing at this point: ...\n"
    "when no character covers the point.\n"
    "Exit status 1 when the file cannot be loaded or has no page P.\n",
    PointInfoCommand);

}  // namespace quirn::cli

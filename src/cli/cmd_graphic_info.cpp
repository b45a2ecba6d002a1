// quirn-cli graphic-info FILE: the size the graphics insertion dialog shows for a file,
// pixels for bitmaps and points for EPS, PostScript and PDF, as "WIDTH HEIGHT".
#include <cstdio>

#include "cli/commands.h"
#include "graphics/graphics_special.h"

namespace {

int GraphicInfo(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: quirn-cli graphic-info FILE\n");
        return 2;
    }
    quirn::GraphicsSpecialLibrary library;
    quirn::GraphicSize size;
    if (!library.GetInfo(args[0], &size)) {
        std::fprintf(stderr, "Unknown graphics format\n");
        return 1;
    }
    std::printf("%d %d\n", size.width, size.height);
    return 0;
}

}  // namespace

QUIRN_CLI_COMMAND("graphic-info", "FILE", GraphicInfo);

// quirn-cli graphic-info FILE: the size the graphics insertion dialog shows for a file,
// pixels for bitmaps and points for EPS, PostScript and PDF, as "WIDTH HEIGHT".
#include <cstdio>

#include "cli/commands.h"
#include "graphics/graphics_special.h"
#include "platform/paths.h"

namespace {

int GraphicInfo(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        return quirn::cli::WrongUsage("graphic-info");
    }
    quirn::GraphicsSpecialLibrary library;
    quirn::GraphicSize size;
    if (!library.GetInfo(quirn::AbsolutePath(args[0], quirn::StartFolder()), &size)) {
        std::fprintf(stderr, "Unknown graphics format\n");
        return 1;
    }
    std::printf("%d %d\n", size.width, size.height);
    return 0;
}

}  // namespace

QUIRN_CLI_COMMAND("graphic-info", "FILE", "the size of a picture for the graphics dialog",
                  "Prints \"WIDTH HEIGHT\", the size the graphics insertion dialog shows for\n"
                  "FILE: pixels for bitmap pictures, points (1/72 inch) for EPS, PostScript\n"
                  "and PDF files. Exit status 1, with \"Unknown graphics format\" on standard\n"
                  "error, for a file that is none of these or cannot be read.\n",
                  GraphicInfo);

// quirn-cli ps-info FILE [--dpi D] [--page P]: the structure of a page document. A PDF
// file is read by the PDF helper: "kind 3", its page count and the size of page P in
// pixels at D dots per inch (the media box, truncated).
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/pdf_tool.h"
#include "cli/preview_document.h"
#include "platform/paths.h"

namespace quirn::cli {
namespace {

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
    std::fprintf(stderr, "Cannot open file: %s\n", file.c_str());
    return 1;
}

}  // namespace

QUIRN_CLI_COMMAND("ps-info", "FILE [--dpi D] [--page P]", "the structure of a page document",
                  "Opens FILE by its extension and prints its structure. For a PDF file:\n"
                  "  kind 3\n"
                  "  pages N      the number of pages\n"
                  "  size W H     page P (default 1) in pixels at D dots per inch (default\n"
                  "               72): the media box in points x D / 72, truncated\n"
                  "A file that cannot be opened gives \"Cannot open file: PATH\", a PDF file\n"
                  "with no readable page \"Cannot read PDF file: PATH\"; both exit 1.\n",
                  PsInfoCommand);

}  // namespace quirn::cli

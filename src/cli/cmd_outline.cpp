// quirn-cli outline FILE.tex: the document structure the workspace tree shows below a
// TeX source, one line per item.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/project_session.h"
#include "editor/document_outline.h"

namespace quirn::cli {
namespace {

int OutlineCommand(const std::vector<std::string>& args) {
    if (args.size() != 1 || args[0].starts_with("--"))
        return WrongUsage("outline");
    const std::string path = AbsoluteArgument(args[0]);
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "quirn-cli: cannot read %s\n", path.c_str());
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    for (const OutlineItem& item : ParseOutline(text.str())) {
        std::printf("%d %s %d %s\n", item.level, item.kind.c_str(), item.line, item.title.c_str());
    }
    return 0;
}

}  // namespace

QUIRN_CLI_COMMAND("outline", "FILE.tex", "the document structure of a TeX source",
                  "Prints the outline the workspace tree shows below a TeX source, one line per\n"
                  "item: LEVEL KIND LINE TITLE. KIND is part, chapter, section, subsection or\n"
                  "subsubsection (LEVEL 0 to 4, starred forms too), or label, figure, table (a\n"
                  "float's caption), input or include, one level below the heading before it\n"
                  "(0 before any). LINE counts from 1; TITLE runs to the end of the line.\n"
                  "Exit status 1 when the file cannot be read.\n",
                  OutlineCommand);

}  // namespace quirn::cli

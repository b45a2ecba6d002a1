// quirn-cli bibtex FILE: the BibTeX command on FILE as the current project's main file.
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/package_session.h"
#include "cli/tool_cli.h"

namespace quirn::cli {
namespace {

int BibtexCommand(const std::vector<std::string>& args) {
    if (args.size() != 1 || args[0].rfind("--", 0) == 0)
        return WrongUsage("bibtex");
    PackageSession session(stdout, true);
    if (!session.Start())
        return 1;
    return RunProjectTool(BibTeXTool(session.Record()), args[0], session);
}

}  // namespace

QUIRN_CLI_COMMAND(
    "bibtex", "FILE", "run BibTeX on a document as the BibTeX command does",
    "Runs BibTeX as the BibTeX command does, with FILE as the current project's main\n"
    "file: the program bibtex with the options \"BibTeX\"/OptionString (every \"-8\"\n"
    "removed) and the file's name without directory and extension, in the file's\n"
    "directory. The variables BIBINPUT, BSTINPUT, CSFINPUT and BIBTEX_CSFILE are set\n"
    "for it from the BibTeX settings that are not empty.\n"
    "Standard error gets \"run: COMMAND LINE\" and \"cwd: DIRECTORY\" before the start;\n"
    "BibTeX's output goes to standard output. Exit status: BibTeX's.\n",
    BibtexCommand);

}  // namespace quirn::cli

// quirn-cli makeindex FILE: the MakeIndex command on FILE as the current project's
// main file.
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/package_session.h"
#include "cli/tool_cli.h"

namespace quirn::cli {
namespace {

int MakeindexCommand(const std::vector<std::string>& args) {
    if (args.size() != 1 || args[0].rfind("--", 0) == 0)
        return WrongUsage("makeindex");
    PackageSession session(stdout, true);
    if (!session.Start())
        return 1;
    return RunProjectTool(MakeIndexTool(session.Record()), args[0], session);
}

}  // namespace

QUIRN_CLI_COMMAND(
    "makeindex", "FILE", "run MakeIndex on a document as the MakeIndex command does",
    "Runs MakeIndex as the MakeIndex command does, with FILE as the current project's\n"
    "main file: the program makeindex with \"MakeIndex\"/OptionString (when set) and\n"
    "the file's name without directory and extension, in the file's directory.\n"
    "Standard error gets \"run: COMMAND LINE\" and \"cwd: DIRECTORY\" before the start;\n"
    "MakeIndex's output goes to standard output. Exit status: MakeIndex's.\n",
    MakeindexCommand);

}  // namespace quirn::cli

// quirn-cli precheck FILE.tex: the checks before a run, as the Typeset command makes
// them: a stale auxiliary file is deleted, the languages the document asks babel for
// are enabled (and the LaTeX format rebuilt when any was), and the graphics in the
// document's "converted_graphics" folder are converted again where they are out of
// date. The output window streams to standard output.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/package_session.h"
#include "platform/paths.h"
#include "typeset/formats.h"
#include "typeset/pre_typeset_checks.h"

namespace quirn::cli {
namespace {

int PrecheckCommand(const std::vector<std::string>& args) {
    if (args.size() != 1 || args[0].starts_with("--"))
        return WrongUsage("precheck");
    const std::string file = AbsolutePath(args[0], StartFolder());
    if (!RegularFileExists(file)) {
        std::fprintf(stderr, "quirn-cli: cannot find %s\n", args[0].c_str());
        return 1;
    }
    PackageSession session(stdout, true);
    if (!session.Start())
        return 1;
    AppContext& context = session.Context();

    Formats formats(context.roots, session.GetProfile(), session.Record(), session.Prompt());
    formats.BuildFormatList();
    const int status = PreTypesetChecks(file, context, formats, session.Output()) ? 0 : 1;
    GraphicsConversion conversion{context.roots.installDir, context.childEnvironment,
                                  &session.Output()};
    ConvertGraphicsFolder(JoinPath(DirectoryOf(file), "converted_graphics"), conversion);
    std::fflush(stdout);
    return status;
}

}  // namespace

QUIRN_CLI_COMMAND(
    "precheck", "FILE.tex", "the checks a run makes before the engine starts",
    "Makes the checks of a Typeset run before the engine starts:\n"
    "- the auxiliary file is deleted when FILE.tex is newer;\n"
    "- the languages of the document's babel options are enabled in the user's\n"
    "  language.dat (\"Prepping LaTeX for first use of language 'NAME'\", or\n"
    "  \"Skipping unknown language 'NAME' during pretypesettingcheck:babel\"); when\n"
    "  one was, the LaTeX format is built again (ending \"INITeXing was successful\");\n"
    "- every record NAME.src in the document's converted_graphics folder gets its\n"
    "  NAME.eps and NAME.pdf made again when they are older than the source\n"
    "  graphic (\"Converted PATH to EPS for DVI/PDF compatibility\", \"Converted EPS\n"
    "  to PDF for DVI/PDF compatibility\").\n"
    "The output window streams to standard output. Exit status 1 when FILE.tex\n"
    "does not exist or the format build failed.\n",
    PrecheckCommand);

}  // namespace quirn::cli

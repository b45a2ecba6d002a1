// quirn-cli jit: the missing-file database. `find` names the package that holds a
// file, `load` brings the database up to date as start-up does, `resolve` installs the
// package of a missing file as a typeset run that misses it does.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/package_session.h"
#include "packages/missing_files.h"

namespace quirn::cli {
namespace {

const char* const kUsage = "find FILE | load | resolve FILE [--answer yes|no]";

int JitCommand(const std::vector<std::string>& args) {
    if (args.empty())
        return WrongUsage("jit");
    const std::string& verb = args[0];
    bool yes = true;
    std::string file;
    if (verb == "find" && args.size() == 2) {
        file = args[1];
    } else if (verb == "load" && args.size() == 1) {
    } else if (verb == "resolve" && args.size() >= 2) {
        for (size_t i = 1; i < args.size(); ++i) {
            if (args[i] == "--answer" && i + 1 < args.size() &&
                (args[i + 1] == "yes" || args[i + 1] == "no")) {
                yes = args[++i] == "yes";
            } else if (args[i].starts_with("--") || !file.empty()) {
                return WrongUsage("jit");
            } else {
                file = args[i];
            }
        }
        if (file.empty())
            return WrongUsage("jit");
    } else {
        return WrongUsage("jit");
    }

    PackageSession session(stderr, yes);
    if (!session.Start())
        return 1;
    MissingFileResolver resolver(session.Context());
    if (verb == "find") {
        PackageForFile found = resolver.FindPackageForFile(file);
        if (!found.found)
            return 1;
        PrintLine({EscapeField(found.name), EscapeField(found.url)});
        return 0;
    }
    if (verb == "load") {
        if (!resolver.LoadMissingFileDatabase())
            return 1;
        std::printf("%s\n", resolver.DatabaseIdLine().c_str());
        return 0;
    }
    std::string installed;
    resolver.SetAfterInstall([&] { installed = resolver.LastInstalledPackage(); });
    if (!resolver.ResolveMissingFile(file, true, true))
        return 1;
    PrintLine({"installed", EscapeField(installed)});
    return 0;
}

}  // namespace

QUIRN_CLI_COMMAND(
    "jit", kUsage, "look up and install the packages of missing files",
    "The missing-file database (jitdb.txt in the data root's tpm folder).\n"
    "find FILE\n"
    "  the package that holds FILE: \"NAME\\tURL\" (URL empty when the database gives\n"
    "  none); nothing and exit status 1 when no package does\n"
    "load\n"
    "  fetches the database from the package server when it is missing or out of\n"
    "  date (Settings/PackageServer, with Internet access allowed) and prints its\n"
    "  first line (\"ID: ...\")\n"
    "resolve FILE\n"
    "  installs the package that holds FILE, from a local archive (tpm/NAME.zip in\n"
    "  the installation or the data root) or downloaded: \"installed\\tNAME\"\n"
    "--answer yes|no   the answer to the question before installing\n"
    "Message boxes and questions go to standard error as \"message: \" and\n"
    "\"question: \" lines, and so does what the output window would show.\n"
    "Exit status: 0 success, 1 failure or refusal, 2 wrong command line.\n",
    JitCommand);

}  // namespace quirn::cli

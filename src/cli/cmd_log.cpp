// quirn-cli log FILE.log: the errors-and-warnings list of a run, read from its log as
// the window's list reads it, one entry a line.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "platform/paths.h"
#include "typeset/log_analysis.h"
#include "typeset/rerun_rule.h"

namespace quirn::cli {
namespace {

int LogCommand(const std::vector<std::string>& args) {
    if (args.size() != 1 || args[0].starts_with("--"))
        return WrongUsage("log");
    const std::string path = AbsolutePath(args[0], StartFolder());
    std::optional<std::string> log = ReadWholeFile(path);
    if (!log) {
        std::fprintf(stderr, "cannot read %s\n", args[0].c_str());
        return 1;
    }
    int counts[3] = {0, 0, 0};
    for (const LogEntry& entry : AnalyseLog(*log)) {
        std::printf("%s\n", FormatLogEntry(entry).c_str());
        ++counts[static_cast<int>(entry.kind)];
    }
    std::printf("summary: %d error(s), %d warning(s), %d bad box(es)\n", counts[0], counts[1],
                counts[2]);
    return 0;
}

}  // namespace

QUIRN_CLI_COMMAND(
    "log", "FILE.log", "the errors, warnings and bad boxes of a run's log",
    "Reads the engine's log FILE.log as the window's errors-and-warnings list does\n"
    "and prints one line per entry, in the order the engine wrote them:\n"
    "  KIND: FILE:LINE: TEXT\n"
    "KIND is \"error\", \"warning\" (LaTeX, class, package and font warnings, among them\n"
    "undefined references and citations) or \"badbox\" (overfull and underfull boxes;\n"
    "LINE is the first line of the box's source line range, which TEXT gives whole).\n"
    "FILE is the input file that was open, as the engine named it; \":LINE\" is left\n"
    "out when the log gives no line. The last line counts the entries:\n"
    "  summary: E error(s), W warning(s), B bad box(es)\n"
    "Exit status 0, or 1 when the file cannot be read.\n",
    LogCommand);

}  // namespace quirn::cli

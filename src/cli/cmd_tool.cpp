// quirn-cli tool: the user's tools of the Tools menu: list them, add one as the setup
// dialog does, and run one as its menu item does.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/package_session.h"
#include "cli/tool_cli.h"
#include "platform/paths.h"

namespace quirn::cli {
namespace {

const char* const kUsage = "list | add PROGRAM | run N [FILE] [--choose PATH]...";

bool ParseIndex(const std::string& text, int& index) {
    if (text.empty() || text.size() > 9)
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    index = std::atoi(text.c_str());
    return true;
}

int ToolCommand(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    std::deque<std::string> choices;
    if (!TakeChooseOptions(args, choices) || args.empty())
        return WrongUsage("tool");
    const std::string& verb = args[0];
    int index = -1;
    const bool ok =
        (verb == "list" && args.size() == 1 && choices.empty()) ||
        (verb == "add" && args.size() == 2 && choices.empty()) ||
        (verb == "run" && (args.size() == 2 || args.size() == 3) && ParseIndex(args[1], index));
    if (!ok)
        return WrongUsage("tool");

    PackageSession session(stderr, true);
    if (!session.Start())
        return 1;
    Profile& profile = session.GetProfile();
    std::vector<ToolRecord> tools = LoadTools(profile);

    if (verb == "list") {
        for (std::size_t i = 0; i < tools.size(); ++i) {
            const ToolRecord& t = tools[i];
            std::printf("%zu\t%s\t%s\t%s\t%s\t%d\n", i, EscapeField(t.menuText).c_str(),
                        EscapeField(t.commandLine).c_str(), EscapeField(t.parameters).c_str(),
                        EscapeField(t.workingDirectory).c_str(), t.filenameParameter);
        }
        return 0;
    }
    if (verb == "add") {
        int added = AddTool(profile, AbsolutePath(args[1], StartFolder()));
        if (added < 0) {
            std::fprintf(stderr, "quirn-cli: the tool could not be stored\n");
            return 1;
        }
        std::printf("%d\n", added);
        return 0;
    }

    if (index < 0 || index >= static_cast<int>(tools.size())) {
        std::fprintf(stderr, "quirn-cli: no tool %s\n", args[1].c_str());
        return 1;
    }
    ToolRecord tool = tools[static_cast<std::size_t>(index)];
    tool.capture = false;
    tool.project = false;
    CliToolSeams seams;
    seams.choices = std::move(choices);
    if (args.size() == 3) {
        const std::string file = AbsolutePath(args[2], StartFolder());
        const bool dvi = ExtensionOf(file) == "dvi" || ExtensionOf(file) == "DVI";
        seams.document = {dvi ? ToolDocument::Dvi : ToolDocument::TeX, file};
    }
    std::optional<ToolLaunch> launch = PrepareTool(tool, session.Context().roots, seams);
    if (!launch)
        return 1;
    return RunPreparedTool(*launch, session);
}

}  // namespace

QUIRN_CLI_COMMAND(
    "tool", kUsage, "list, add and run the user's tools of the Tools menu",
    "The user's tools of the Tools menu (settings section \"Tools\").\n"
    "  list        one line per tool: N, menu text, command line, parameters, working\n"
    "              directory and file-name parameter, separated by tabs\n"
    "  add PROGRAM adds a tool for PROGRAM as the setup dialog does and prints its\n"
    "              index\n"
    "  run N [FILE] runs tool N as its menu item does, with FILE as the active\n"
    "              document. A file dialog is printed as \"choose: TITLE\" on standard\n"
    "              error and answered by the next --choose PATH (none left: Cancel).\n"
    "              A placeholder with nothing to expand prints \"beep\" and runs\n"
    "              nothing. Before the start standard error gets \"run: COMMAND LINE\"\n"
    "              and \"cwd: DIRECTORY\"; the tool writes to quirn-cli's own standard\n"
    "              output and error, and quirn-cli waits for it.\n"
    "Exit status: the tool's own for run; 1 when nothing ran or there is no tool N; 2\n"
    "for a wrong command line.\n",
    ToolCommand);

}  // namespace quirn::cli

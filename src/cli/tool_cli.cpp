#include "cli/tool_cli.h"

#include <cstdio>

#include "app/tex_environment.h"
#include "cli/package_session.h"
#include "platform/paths.h"
#include "process/process_list.h"
#include "process/program_start.h"

namespace quirn::cli {

std::string CliToolSeams::ChooseFile(const std::string& title, const std::string&,
                                     const std::string&) {
    std::fprintf(stderr, "choose: %s\n", title.c_str());
    std::fflush(stderr);
    if (choices.empty())
        return {};
    std::string chosen = AbsolutePath(choices.front(), StartFolder());
    choices.pop_front();
    return chosen;
}

void CliToolSeams::Beep() {
    std::fprintf(stderr, "beep\n");
    std::fflush(stderr);
}

bool TakeChooseOptions(std::vector<std::string>& args, std::deque<std::string>& choices) {
    for (std::size_t i = 0; i < args.size();) {
        if (args[i] != "--choose") {
            ++i;
            continue;
        }
        if (i + 1 >= args.size())
            return false;
        choices.push_back(args[i + 1]);
        args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
    }
    return true;
}

int RunPreparedTool(const ToolLaunch& launch, PackageSession& session) {
    AppContext& context = session.Context();
    const std::string directory =
        launch.workingDirectory.empty() ? StartFolder() : launch.workingDirectory;
    std::fprintf(stderr, "run: %s\ncwd: %s\n", launch.commandLine.c_str(), directory.c_str());
    std::fflush(stderr);

    if (!launch.capture) {
        std::fflush(stdout);
        pid_t pid = StartProgram(launch.arguments, context.roots.installDir, directory,
                                 ProcessEnvironment(), false);
        if (pid < 0) {
            std::fprintf(stderr, "quirn-cli: cannot start %s\n", launch.arguments[0].c_str());
            return 1;
        }
        return WaitForProgram(pid);
    }

    ProcessList processes(&session.Output(), context.roots.installDir);
    processes.SetEnvironment(context.childEnvironment);
    int status = 1;
    bool ended = false;
    processes.SetEndHandler([&](ChildProcess& child) {
        status = child.ExitCode();
        ended = true;
        return true;
    });
    StartOptions options;
    options.typeset = true;  // its end hands over the exit status
    options.extraEnvironment = launch.environment;
    ChildProcess* child = processes.StartProcess(launch.arguments, directory, options);
    if (!child) {
        std::fprintf(stderr, "quirn-cli: cannot start %s\n", launch.arguments[0].c_str());
        return 1;
    }
    while (!ended) {
        if (!processes.Poll()) {
            for (ChildProcess* c : processes.Children())
                c->WaitForOutputOrExit(50);
        }
    }
    return status;
}

int RunProjectTool(const ToolRecord& tool, const std::string& file, PackageSession& session) {
    CliToolSeams seams;
    seams.mainFile = AbsolutePath(file, StartFolder());
    ToolStop why = ToolStop::Nothing;
    std::optional<ToolLaunch> launch = PrepareTool(tool, session.Context().roots, seams, &why);
    if (!launch)
        return 1;
    return RunPreparedTool(*launch, session);
}

}  // namespace quirn::cli

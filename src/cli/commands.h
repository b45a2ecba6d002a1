// quirn-cli sub-commands. Each lives in its own cmd_*.cpp and registers itself with
// QUIRN_CLI_COMMAND, so adding one never touches the dispatcher.
#pragma once

#include <string>
#include <vector>

namespace quirn::cli {

using CommandFn = int (*)(const std::vector<std::string>& args);

struct CommandInfo {
    const char* name;
    const char* usage;    // the arguments, as on the "usage:" line
    const char* summary;  // one line for the list of commands
    const char* help;     // what the command does and what every line it prints means
    CommandFn fn;
};

bool RegisterCommand(const CommandInfo& info);
const std::vector<CommandInfo>& Commands();

// For a command line the command does not understand: its usage line and where to
// read more on standard error. Returns the exit status of wrong usage, 2.
int WrongUsage(const std::string& command);

}  // namespace quirn::cli

#define QUIRN_CLI_CONCAT2(a, b) a##b
#define QUIRN_CLI_CONCAT(a, b) QUIRN_CLI_CONCAT2(a, b)
#define QUIRN_CLI_COMMAND(name, usage, summary, help, fn)               \
    static const bool QUIRN_CLI_CONCAT(registered_command_, __LINE__) = \
        ::quirn::cli::RegisterCommand({name, usage, summary, help, fn})

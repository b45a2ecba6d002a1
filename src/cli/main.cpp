// quirn-cli: Quirn's documents and operations without a window. Each sub-command
// prints its result to standard output; what the output window would show goes to
// standard error unless the sub-command says otherwise. "--help" and "--version", and
// "COMMAND --help", print to standard output and succeed; a command line that is not
// understood gets its usage on standard error and exit status 2.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"

namespace quirn::cli {

static std::vector<CommandInfo>& Registry() {
    static std::vector<CommandInfo> commands;
    return commands;
}

bool RegisterCommand(const CommandInfo& info) {
    Registry().push_back(info);
    return true;
}

const std::vector<CommandInfo>& Commands() {
    return Registry();
}

static const CommandInfo* FindCommand(const std::string& name) {
    for (const CommandInfo& c : Commands()) {
        if (name == c.name) {
            return &c;
        }
    }
    return nullptr;
}

// "usage: quirn-cli NAME USAGE", broken into lines of at most 80 columns at blanks
// outside brackets and quotes, the further lines indented under the arguments.
static void PrintUsageLine(std::FILE* to, const CommandInfo& c) {
    const std::string lead = std::string("usage: quirn-cli ") + c.name + " ";
    std::vector<std::string> groups(1);
    int depth = 0;
    bool quoted = false;
    for (const char* p = c.usage; *p != '\0'; ++p) {
        if (*p == ' ' && depth == 0 && !quoted) {
            groups.emplace_back();
            continue;
        }
        groups.back() += *p;
        quoted = *p == '"' ? !quoted : quoted;
        depth += *p == '[' ? 1 : *p == ']' ? -1 : 0;
    }
    std::string line = lead;
    for (const std::string& group : groups) {
        if (line.size() > lead.size() && line.size() + 1 + group.size() > 80) {
            std::fprintf(to, "%s\n", line.c_str());
            line = std::string(lead.size(), ' ');
        }
        line += line.back() == ' ' ? group : " " + group;
    }
    std::fprintf(to, "%s\n", line.c_str());
}

int WrongUsage(const std::string& command) {
    const CommandInfo* c = FindCommand(command);
    if (c != nullptr) {
        PrintUsageLine(stderr, *c);
    }
    std::fprintf(stderr, "('quirn-cli %s --help' explains the arguments and the output)\n",
                 command.c_str());
    return 2;
}

}  // namespace quirn::cli

namespace {

using quirn::cli::CommandInfo;

void PrintUsage(std::FILE* to) {
    std::fprintf(to,
                 "usage: quirn-cli COMMAND [ARG...]\n"
                 "       quirn-cli COMMAND --help   (what COMMAND does and prints)\n"
                 "       quirn-cli --help | --version\n\n"
                 "Quirn's documents and operations without a window. Relative file names are\n"
                 "taken from the folder quirn-cli is started in.\n\ncommands:\n");
    for (const CommandInfo& c : quirn::cli::Commands()) {
        std::fprintf(to, "  %-16s %s\n", c.name, c.summary);
    }
}

void PrintCommandHelp(const CommandInfo& c) {
    quirn::cli::PrintUsageLine(stdout, c);
    std::printf("\n%s", c.help);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty()) {
        PrintUsage(stderr);
        return 2;
    }
    if (words[0] == "--help" || words[0] == "-h") {
        PrintUsage(stdout);
        return 0;
    }
    if (words[0] == "--version") {
        std::printf("quirn-cli %s\n", QUIRN_VERSION);
        return 0;
    }
    const CommandInfo* command = quirn::cli::FindCommand(words[0]);
    if (command == nullptr) {
        std::fprintf(stderr, "quirn-cli: unknown command '%s'\n", words[0].c_str());
        PrintUsage(stderr);
        return 2;
    }
    const std::vector<std::string> args(words.begin() + 1, words.end());
    if (!args.empty() && args[0] == "--help") {
        PrintCommandHelp(*command);
        return 0;
    }
    return command->fn(args);
}

// quirn-cli: Quirn's documents and operations without a window. Each sub-command
// prints its result to standard output; what the output window would show goes to
// standard error unless the sub-command says otherwise.
#include <cstdio>
#include <cstring>
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

}  // namespace quirn::cli

static void Usage() {
    std::fprintf(stderr, "usage: quirn-cli COMMAND [ARG...]\n\ncommands:\n");
    for (const auto& c : quirn::cli::Commands()) {
        std::fprintf(stderr, "  %s %s\n", c.name, c.usage);
    }
}

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        Usage();
        return argc < 2 ? 2 : 0;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    for (const auto& c : quirn::cli::Commands()) {
        if (c.name == std::string(argv[1])) {
            return c.fn(args);
        }
    }
    std::fprintf(stderr, "quirn-cli: unknown command '%s'\n", argv[1]);
    Usage();
    return 2;
}

// quirn-cli startup-options ARG...: parses the arguments as the program's own command
// line and prints the messages it would show and the resulting start-up options.
#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/profile.h"
#include "cli/commands.h"
#include "platform/output_sink.h"
#include "platform/settings_store.h"
#include "platform/user_prompt.h"

namespace quirn::cli {
namespace {

// Message boxes become "message: " lines; line breaks inside a message are shown as \n.
class PrintingPrompt : public UserPrompt {
  public:
    void ShowMessage(const std::string& text) override {
        std::string line;
        for (char c : text) {
            if (c == '\n') {
                line += "\\n";
            } else {
                line += c;
            }
        }
        std::printf("message: %s\n", line.c_str());
    }
    int Ask(const std::string& text, const std::vector<std::string>&, int affirmative,
            int) override {
        ShowMessage(text);
        return affirmative;
    }
};

int StartupOptionsCommand(const std::vector<std::string>& args) {
    StreamSink err(stderr);
    auto store = OpenFileStore(DefaultStoreDirectory(), &err);
    Profile profile(*store);
    PrintingPrompt prompt;
    StartupOptions o;
    if (!ParseCommandLine(JoinCommandLine(args), o, prompt, &profile))
        return 1;

    std::string files;
    for (size_t i = 0; i < o.files.size(); ++i)
        files += (i ? "|" : "") + o.files[i];
    std::printf("nologo=%d\nprint=%d\nprint_file=%s\ntypeset=%d\ntypeset_file=%s\nformat=%s\n",
                o.noLogo, o.print, o.printFile.c_str(), o.typeset, o.typesetFile.c_str(),
                o.format.c_str());
    std::printf("interaction=%d\nworkdir=%s\norientation=%d\npaper=%d\nwidth=%d\nheight=%d\n",
                o.interaction, o.workDir.c_str(), o.orientation, o.paper, o.width, o.height);
    std::printf("unit=%d\nupdated=%d\nfiles=%s\n", o.unit, o.updated, files.c_str());
    return 0;
}

}  // namespace

QUIRN_CLI_COMMAND(
    "startup-options", "ARG...", "how the window program reads a command line",
    "Reads the ARGs as the window program reads its command line and prints the\n"
    "messages it would show, as \"message: \" lines (line breaks written as \\n), then\n"
    "the start-up options it takes from them, one \"name=value\" line each (files=\n"
    "lists the files to open, separated by \"|\"). Exit status 1 when the command line\n"
    "is refused.\n",
    StartupOptionsCommand);

}  // namespace quirn::cli

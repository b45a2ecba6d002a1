// quirn-cli formats [--ensure | --rebuild]: the formats Quirn typesets with, one line
// per format with its display name and its file. --ensure does what start-up does
// (build LaTeX when the format serial changed or latex.fmt is missing, plain when
// plain.fmt is missing); --rebuild builds both again. Build output goes to standard
// error.
#include <time.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/profile.h"
#include "app/settings.h"
#include "app/tex_environment.h"
#include "cli/commands.h"
#include "platform/output_sink.h"
#include "platform/settings_store.h"
#include "platform/user_prompt.h"
#include "typeset/formats.h"

namespace quirn::cli {
namespace {

// Messages are printed; questions take their proposed answer.
class PrintingPrompt : public UserPrompt {
  public:
    void ShowMessage(const std::string& text) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    int Ask(const std::string& text, const std::vector<std::string>&, int affirmative,
            int) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        return affirmative;
    }
};

void WaitForBuild(IniTexRunner& runner) {
    while (runner.IniTexRunning()) {
        struct timespec ts {
            0, 100000000L
        };
        nanosleep(&ts, nullptr);
        runner.Poll();
    }
}

int FormatsCommand(const std::vector<std::string>& args) {
    bool ensure = false, rebuild = false;
    for (const auto& a : args) {
        if (a == "--ensure") {
            ensure = true;
        } else if (a == "--rebuild") {
            rebuild = true;
        } else {
            return WrongUsage("formats");
        }
    }
    StreamSink err(stderr);
    PrintingPrompt prompt;
    auto store = OpenFileStore(DefaultStoreDirectory(), &err);
    Profile profile(*store);
    DataRoots roots;
    roots.installDir = FindInstallDir();
    if (!EstablishRoots(roots, profile, err, &prompt))
        return 1;
    EnvironmentBlock environment = BuildTexEnvironment(ProcessEnvironment(), roots, profile);
    SettingsManager settings(profile, roots, 96);
    settings.LoadSaveSettings(Direction::Load);

    Formats formats(roots, profile, settings.Record(), prompt);
    formats.BuildFormatList();
    ProcessIniTexRunner runner(formats, roots, settings.Record(), err, std::move(environment));
    int failed = 0;
    if (rebuild) {
        for (const char* macros : {"latex.ltx", "plain"}) {
            if (formats.IniTeX(runner, macros) != 1) {
                ++failed;
                continue;
            }
            WaitForBuild(runner);
            if (runner.LastExitCode() != 0)
                ++failed;
        }
    } else if (ensure) {
        if (formats.EnsureLatexFormat(runner, false) && runner.LastExitCode() != 0)
            ++failed;
        if (formats.EnsurePlainFormat(runner) && runner.LastExitCode() != 0)
            ++failed;
    }

    const FormatList& list = formats.List();
    if (list.Empty())
        std::printf("%s\n", list.MenuItems()[0].c_str());
    for (const auto& entry : list.Entries()) {
        std::printf("%s\t%s.fmt\n", entry.displayName.c_str(), entry.path.c_str());
    }
    return failed ? 1 : 0;
}

}  // namespace

QUIRN_CLI_COMMAND(
    "formats", "[--ensure | --rebuild]", "list, build or rebuild the formats Quirn typesets with",
    "Prints the formats Quirn typesets with, one line each: the name the Format menu\n"
    "shows, a tab, and the format file; \"No Formats Available\" when there is none.\n"
    "  --ensure    first does what start-up does: builds LaTeX when the format\n"
    "              serial changed or latex.fmt is missing, plain TeX when plain.fmt\n"
    "              is missing\n"
    "  --rebuild   first builds both again\n"
    "Build output goes to standard error. Exit status 1 when a build failed.\n",
    FormatsCommand);

}  // namespace quirn::cli

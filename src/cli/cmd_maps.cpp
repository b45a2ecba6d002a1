// quirn-cli maps regenerate: refreshes the font maps as the program does at start-up
// (the map list over the TeX tree list, then the combined dvips and pdfTeX maps and
// the previewer's font map) and prints the path of every file it wrote, one a line.
// What the output window would show goes to standard error.
#include <cstdio>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/data_roots.h"
#include "app/profile.h"
#include "app/settings.h"
#include "app/tex_environment.h"
#include "cli/commands.h"
#include "dvi/fonts/font_context.h"
#include "packages/font_maps.h"
#include "platform/output_sink.h"
#include "platform/settings_store.h"

namespace quirn::cli {
namespace {

int MapsCommand(const std::vector<std::string>& args) {
    if (args.size() != 1 || args[0] != "regenerate") {
        return WrongUsage("maps");
    }
    StreamSink messages(stderr);
    const std::string installDir = FindInstallDir();
    std::unique_ptr<SettingsStore> store = OpenFileStore(DefaultStoreDirectory(), &messages);
    if (!store) {
        return 1;
    }
    Profile profile(*store);
    DataRoots roots{installDir, installDir, installDir, installDir};
    if (!EstablishRoots(roots, profile, messages, nullptr)) {
        return 1;
    }
    EnvironmentBlock environment = BuildTexEnvironment(ProcessEnvironment(), roots, profile);
    SettingsManager settings(profile, roots, 96);
    settings.LoadSaveSettings(Direction::Load);
    std::vector<std::string> trees = settings.Record().tdsArchivePath;
    if (trees.empty()) {
        trees = DefaultTreeList(roots);
    }

    FontContext fonts(installDir, &messages);
    fonts.fileSearch.SetEnvironment(std::move(environment));
    FontMapRegenerator maps(fonts, roots);
    const bool ok = maps.RefreshFontMapping(trees);
    for (const std::string& path : maps.Written()) {
        std::printf("%s\n", path.c_str());
    }
    return ok ? 0 : 1;
}

}  // namespace

QUIRN_CLI_COMMAND(
    "maps", "regenerate", "refresh the font maps as start-up does",
    "Refreshes the font maps as the program does at start-up: the map list over the\n"
    "TeX tree list, then the combined dvips and pdfTeX maps and the previewer's font\n"
    "map. Prints the path of every file it wrote, one a line; what the output window\n"
    "would show goes to standard error. Exit status 1 when a map could not be made.\n",
    MapsCommand);

}  // namespace quirn::cli

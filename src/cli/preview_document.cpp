#include "cli/preview_document.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "app/data_roots.h"
#include "app/profile.h"
#include "platform/settings_store.h"

namespace quirn::cli {

namespace {

// The map files whose fonts the previewer draws.
const std::vector<std::string> kMapFiles = {"psfonts.map"};

}  // namespace

Settings LoadUserSettings(const std::string& installDir, OutputSink& sink) {
    std::unique_ptr<SettingsStore> store = OpenFileStore(DefaultStoreDirectory(), &sink);
    if (!store) {
        return Settings{};
    }
    Profile profile(*store);
    DataRoots roots{installDir, installDir, installDir, installDir};
    SettingsManager manager(profile, roots, 96);
    manager.LoadSaveSettings(Direction::Load);
    return manager.Record();
}

std::unique_ptr<PreviewDocument> OpenPreviewDocument(const std::string& path, bool withOutlines) {
    auto preview = std::make_unique<PreviewDocument>();
    const std::string installDir = FindInstallDir();
    preview->settings = LoadUserSettings(installDir, preview->messages);
    preview->context =
        std::make_unique<DviContext>(installDir, &preview->messages, &preview->settings);
    DviContext& context = *preview->context;
    if (withOutlines) {
        auto find = [&context](const std::string& name, bool allowInstall) {
            return context.fileSearch.FindFile(name, allowInstall);
        };
        context.fontMap.LoadFontMap(kMapFiles, find, &preview->messages, context.debugMode);
    }
    preview->doc = std::make_unique<CDVIDoc>(context);
    if (!preview->doc->OpenDocument(path)) {
        return nullptr;
    }
    return preview;
}

bool ParseCount(const std::string& text, int& value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    errno = 0;
    const long v = std::strtol(text.c_str(), nullptr, 10);
    if (errno != 0 || v > INT_MAX) {
        return false;
    }
    value = static_cast<int>(v);
    return true;
}

}  // namespace quirn::cli

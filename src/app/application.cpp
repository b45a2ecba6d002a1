#include "app/application.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>

#include "app/migration.h"
#include "app/registry.h"
#include "app/tex_environment.h"
#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/settings_store.h"
#include "platform/user_prompt.h"

namespace quirn {

namespace fs = std::filesystem;

int Application::ClampScreenResolution(int dpi) {
    return std::clamp(dpi, 30, 300);
}

Application::Application(SettingsStore& store, OutputSink& output, UserPrompt& prompt)
    : store_(store), output_(output), prompt_(prompt), profile_(store) {
    context_.store = &store_;
    context_.profile = &profile_;
    context_.output = &output_;
    context_.prompt = &prompt_;
}

Application::~Application() = default;

template <typename F, typename... A>
static void Call(const F& f, A&&... args) {
    if (f)
        f(std::forward<A>(args)...);
}

bool Application::InitInstance(const std::string& commandLine, StartupSeams seams,
                               const std::string& startFolder) {
    seams_ = std::move(seams);

    // Settings live under "Software/Tolvane Inc/Quirn6"; bring over an older root once.
    MigrateSettings(store_, "Quirn6");

    // The environment as it was at start, for the tools that want it unchanged.
    startupEnvironment_ = ProcessEnvironment();

    // Data roots: all equal InstallDir until the TeX environment establishes them.
    DataRoots& roots = context_.roots;
    roots.installDir = FindInstallDir();
    roots.tdsPath = roots.varDataPath = roots.userDataPath = roots.installDir;
    if (seams_.establishRoots && !seams_.establishRoots(roots))
        return false;

    profile_.WriteText("Directories", "Install", roots.installDir);

    std::srand(static_cast<unsigned>(std::time(nullptr)));

    // No inherited TeX setting reaches a child; the data roots' variables replace them.
    context_.childEnvironment = WithoutTexVariables(startupEnvironment_);

    screenDpi_ = ClampScreenResolution(seams_.screenDpi ? seams_.screenDpi() : 96);

    context_.childEnvironment =
        EnvironmentWith(context_.childEnvironment, TexVariables(roots, profile_));
    Call(seams_.setTexVariables);
    Call(seams_.regeneratePackageDatabases);
    Call(seams_.stopFileSearch);

    settings_ = std::make_unique<SettingsManager>(profile_, context_.roots, screenDpi_);
    context_.settings = &settings_->Record();

    if (seams_.handOverToRunningInstance && seams_.handOverToRunningInstance()) {
        handedOver_ = true;
        return false;
    }

    if (!ParseCommandLine(commandLine, options_, prompt_, &profile_, startFolder))
        return false;
    if (options_.orientation)
        printOrientation_ = options_.orientation - 1;
    if (options_.paper)
        printPaper_ = options_.paper - 1;

    helpPath_ = roots.installDir + "quirnv6.chm";

    Call(seams_.registerDocumentTypes);
    if (seams_.createMainFrame && !seams_.createMainFrame())
        return false;
    // The generated configuration of the TeX environment replaces an older user copy.
    std::error_code ec;
    fs::remove(JoinPath(UserTree(roots), "config/texmf.cnf"), ec);

    settings_->LoadSaveSettings(Direction::Load);

    Call(seams_.buildFormatList);
    Call(seams_.fillToolsMenu);
    Call(seams_.connectGraphicsLibrary);

    const bool batch = options_.print || options_.typeset;
    Call(seams_.showMainWindow, batch);
    if (!options_.noLogo)
        Call(seams_.showSplash);

    // Temporary files left by instances that ended without clearing up (a crash); the
    // folders of running instances and everything else in the directory stay.
    RemoveAbandonedTempFolders();
    Call(seams_.loadMissingFileDatabase);
    CheckBasicPackages();
    Call(seams_.migrateOldFonts);
    Call(seams_.ensureFormats);
    Call(seams_.refreshFontMaps);

    if (!batch) {
        RunInteractive();
        return true;
    }
    return RunBatch();
}

void Application::CheckBasicPackages() {
    const fs::path tds = context_.roots.tdsPath;
    std::error_code ec;
    if (!fs::exists(tds / "texmf/tpm/quirn-basic.tpm", ec) &&
        !fs::exists(tds / "texmf/tpm/collection/quirn-basic.tpm", ec)) {
        Call(seams_.installPackage, std::string("quirn-basic"));
    }
    // The system's ispell keeps its dictionaries outside the TeX trees.
    if (!fs::exists(tds / "texmf/ispell/american.hash", ec) &&
        !fs::exists("/usr/lib/ispell/american.hash", ec)) {
        bool fetched = seams_.fetchMissingFile && seams_.fetchMissingFile("american.hash");
        if (!fetched)
            output_.AppendOutput("Could not load american dictionary\n");
    }
}

void Application::RunInteractive() {
    for (const auto& file : options_.files)
        Call(seams_.openDocument, file);

    if (Record().projectReopen) {
        std::string list = profile_.GetText("Workspace", "Projects", "");
        size_t start = 0;
        while (start <= list.size()) {
            size_t bar = list.find('|', start);
            std::string path = list.substr(start, bar == std::string::npos ? bar : bar - start);
            std::error_code ec;
            if (!path.empty() && fs::exists(path, ec))
                Call(seams_.reopenProject, path);
            if (bar == std::string::npos)
                break;
            start = bar + 1;
        }
    }

    if (profile_.GetInt("Settings", "FirstTime", 0) == 0) {
        profile_.WriteInt("Settings", "FirstTime", 1);
        Call(seams_.showHelp, std::string("/QuirnQuickStart/Introduction.htm"));
        std::string intro = JoinPath(UserTree(context_.roots), "Samples/QuirnIntro/QuirnIntro.dvi");
        std::error_code ec;
        if (fs::exists(intro, ec))
            Call(seams_.openDocument, intro);
    }
}

bool Application::RunBatch() {
    if (options_.print) {
        bool opened = seams_.openDocument && seams_.openDocument(options_.printFile);
        if (opened) {
            Call(seams_.printActiveDocument);
        } else {
            prompt_.ShowMessage("Unable to print:\n\n" + options_.printFile);
        }
    }
    if (options_.typeset) {
        resultCode_ = seams_.typeset ? seams_.typeset(options_.typesetFile, options_.format) : 1;
    }
    bool allSaved = seams_.saveAllModified ? seams_.saveAllModified() : true;
    if (allSaved)
        return false;  // the batch run is over: the program ends
    // The user kept a document open: carry on interactively.
    Call(seams_.showMainWindow, false);
    return true;
}

void Application::ExitInstance() {
    if (settings_) {
        Record().installDir = context_.roots.installDir;
        settings_->LoadSaveSettings(Direction::Save);
    }
}

}  // namespace quirn

// The application object's life: the start-up sequence from process start to the
// moment the main window waits for the user, the batch print and typeset paths, and
// shutdown. Steps that belong to the window system or to other subsystems are called
// through `StartupSeams`; the window application and the headless command fill them.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/app_context.h"
#include "app/command_line.h"
#include "app/data_roots.h"
#include "app/profile.h"
#include "app/settings.h"

namespace quirn {

class OutputSink;
class UserPrompt;
class SettingsStore;

struct StartupSeams {
    // Window system.
    std::function<int()> screenDpi;                   // larger of the display's x/y dpi
    std::function<bool()> handOverToRunningInstance;  // true when a first instance answered
    std::function<void()> registerDocumentTypes;
    std::function<bool()> createMainFrame;
    std::function<void(bool minimised)> showMainWindow;
    std::function<void()> showSplash;
    std::function<bool(const std::string& path)> openDocument;
    std::function<void()> printActiveDocument;
    // Offers every modified document for saving; false when the user cancelled.
    std::function<bool()> saveAllModified;
    std::function<void(const std::string& topic)> showHelp;

    // Other subsystems.
    std::function<bool(DataRoots& roots)> establishRoots;
    // Called once the children's environment (AppContext::childEnvironment) is built.
    std::function<void()> setTexVariables;
    std::function<void()> regeneratePackageDatabases;
    std::function<void()> stopFileSearch;
    std::function<void()> buildFormatList;
    std::function<void()> fillToolsMenu;
    std::function<void()> connectGraphicsLibrary;
    std::function<void()> loadMissingFileDatabase;
    // Installs a package by name; true on success.
    std::function<bool(const std::string& package)> installPackage;
    // Fetches one file through the missing-file mechanism; true on success.
    std::function<bool(const std::string& file)> fetchMissingFile;
    std::function<void()> migrateOldFonts;
    std::function<void()> ensureFormats;
    std::function<void()> refreshFontMaps;
    std::function<void(const std::string& path)> reopenProject;
    // Typesets `file`; `format` (non-empty) replaces the selected format for this run.
    // Returns the run's result code.
    std::function<int(const std::string& file, const std::string& format)> typeset;
};

class Application {
  public:
    Application(SettingsStore& store, OutputSink& output, UserPrompt& prompt);
    ~Application();

    // Runs the start-up sequence; false when the program is to end (a failed step, a
    // second instance, or a finished batch run). Names on the command line are relative
    // to `startFolder`; the process's current directory is never changed.
    bool InitInstance(const std::string& commandLine, StartupSeams seams,
                      const std::string& startFolder = StartFolder());
    // Saves the settings (only when they were loaded).
    void ExitInstance();

    const StartupOptions& Options() const { return options_; }
    const DataRoots& Roots() const { return context_.roots; }
    AppContext& Context() { return context_; }
    Settings& Record() { return settings_->Record(); }
    SettingsManager& SettingsRecord() { return *settings_; }
    Profile& GetProfile() { return profile_; }

    int ScreenResolution() const { return screenDpi_; }
    int PrintOrientation() const { return printOrientation_; }  // -1 = not given
    int PrintPaper() const { return printPaper_; }              // -1 = not given
    int ResultCode() const { return resultCode_; }
    bool HandedOver() const { return handedOver_; }
    const std::string& HelpPath() const { return helpPath_; }
    // The environment as it was when the process started, "NAME=value" each; Quirn's
    // own environment stays so.
    const EnvironmentBlock& StartupEnvironment() const { return startupEnvironment_; }

    static int ClampScreenResolution(int dpi);

  private:
    bool RunBatch();
    void RunInteractive();
    void CheckBasicPackages();

    SettingsStore& store_;
    OutputSink& output_;
    UserPrompt& prompt_;
    Profile profile_;
    AppContext context_;
    std::unique_ptr<SettingsManager> settings_;
    StartupSeams seams_;
    StartupOptions options_;
    EnvironmentBlock startupEnvironment_;
    std::string helpPath_;
    int screenDpi_ = 96;
    int printOrientation_ = -1;
    int printPaper_ = -1;
    int resultCode_ = 0;
    bool handedOver_ = false;
};

}  // namespace quirn

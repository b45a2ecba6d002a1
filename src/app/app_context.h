// The process-wide services of one running Quirn, made once by the GUI or the
// headless command (or by a test) and passed to the subsystems that need them.
#pragma once

#include "app/data_roots.h"
#include "platform/environment_block.h"
#include "platform/temp_folder.h"

namespace quirn {

class OutputSink;
class UserPrompt;
class SettingsStore;
class Profile;
struct Settings;

struct AppContext {
    SettingsStore* store = nullptr;
    Profile* profile = nullptr;
    Settings* settings = nullptr;
    OutputSink* output = nullptr;
    UserPrompt* prompt = nullptr;
    DataRoots roots;
    // The environment every child process starts with: the one Quirn was started with,
    // without inherited TeX variables, plus the TeX environment of the data roots
    // (app/tex_environment.h). Empty until start-up has built it; children then get
    // Quirn's own environment.
    EnvironmentBlock childEnvironment;
    bool debugMode = false;  // the application option "mode" = "debug"
    // The instance's private folder for temporary files (made on first use).
    TempFolder temporary;
};

}  // namespace quirn

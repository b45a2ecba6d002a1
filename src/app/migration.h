// The one-time copy of settings from the older, unversioned root.
#pragma once

#include <string>

namespace quirn {

class SettingsStore;

// The sections copied, in order.
inline constexpr const char* kMigratedSections[] = {
    "BibTeX", "Directories", "Font", "FontPaths", "MakeIndex", "Settings", "Workspace", "Tools"};

// Runs at start-up before anything else reads settings. `programTitle` is the program's
// title ("Quirn6"); any other title migrates nothing.
void MigrateSettings(SettingsStore& store, const std::string& programTitle);

}  // namespace quirn

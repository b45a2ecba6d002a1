// The registry path syntax over the settings store: "/HKCU/", "/HKLM/" or "/HKCR/",
// then key names separated by "/", then the value name (empty = the key's default).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/settings_store.h"

namespace quirn {

class Registry {
  public:
    explicit Registry(SettingsStore& store) : store_(store) {}

    std::optional<std::string> ReadText(const std::string& path) const;
    std::optional<std::int32_t> ReadInt(const std::string& path) const;
    // The value whatever its type.
    std::optional<StoreValue> ReadValue(const std::string& path) const;
    // Creates the whole key chain when it is missing.
    bool WriteText(const std::string& path, const std::string& text);
    bool WriteInt(const std::string& path, std::int32_t value);
    bool CreateKey(const std::string& path);
    bool DeleteKey(const std::string& path);
    // Absent when the key cannot be opened.
    std::optional<std::vector<std::string>> ListSubkeys(const std::string& path) const;
    std::optional<std::vector<std::string>> ListValues(const std::string& path) const;

    SettingsStore& Store() { return store_; }

  private:
    SettingsStore& store_;
};

// "/HKCU/Software/Tolvane Inc/Quirn6/" + sub, with "\" in sub turned into "/".
std::string UserPath(const std::string& sub);
// "/HKLM/Software/Tolvane, Inc/Quirn6/" + sub.
std::string MachinePath(const std::string& sub);

// Well-known folders, read through the "Shell Folders" keys; on this platform the
// store answers them from the XDG directories when it holds no value of its own.
std::string DocumentsFolder(const Registry& reg, const std::string& installDir);
std::string AppDataFolder(const Registry& reg, const std::string& installDir);
std::string LocalAppDataFolder(const Registry& reg, const std::string& installDir);
std::string CommonAppDataFolder(const Registry& reg, const std::string& installDir);

// The per-user root key of the program's settings, as a store key.
inline constexpr const char* kUserRootKey = "Software/Tolvane Inc/Quirn6";
inline constexpr const char* kOldUserRootKey = "Software/Tolvane Inc/Quirn";

}  // namespace quirn

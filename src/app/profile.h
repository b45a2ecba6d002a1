// Section/key access to the program's per-user settings ("Software/Tolvane Inc/Quirn6/
// <section>"), and the typed accessors that load or save one member of a record.
#pragma once

#include <cstdint>
#include <string>

#include "platform/settings_store.h"

namespace quirn {

enum class Direction { Load, Save };

class Profile {
  public:
    explicit Profile(SettingsStore& store) : store_(store) {}

    int GetInt(const std::string& section, const std::string& key, int def) const;
    std::string GetText(const std::string& section, const std::string& key,
                        const std::string& def) const;
    bool Has(const std::string& section, const std::string& key) const;
    bool WriteInt(const std::string& section, const std::string& key, int value);
    bool WriteText(const std::string& section, const std::string& key, const std::string& value);
    bool SectionExists(const std::string& section) const;

    SettingsStore& Store() { return store_; }

    // Typed accessors: load sets `member` from the store (or the default); save writes it.
    void ProfileInt(Direction d, const std::string& section, const std::string& key, int& member,
                    int def);
    void ProfileText(Direction d, const std::string& section, const std::string& key,
                     std::string& member, const std::string& def);
    // Reals are stored as integer thousandths, truncated toward zero.
    void ProfileReal(Direction d, const std::string& section, const std::string& key,
                     double& member, double def);
    // ProfileInt whose default is the member's current value.
    void ProfileIntKeepCurrent(Direction d, const std::string& section, const std::string& key,
                               int& member);

  private:
    SettingsStore& store_;
};

}  // namespace quirn

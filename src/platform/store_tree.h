// One root of the settings store in memory: keys with sub-keys and named values.
// Names compare without regard to case (as the platform registry's do) and keep the
// spelling they were created with.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/settings_store.h"

namespace quirn {

class StoreKey {
  public:
    StoreKey() = default;
    explicit StoreKey(std::string n) : name(std::move(n)) {}
    StoreKey(const StoreKey& o);
    StoreKey& operator=(const StoreKey& o);
    StoreKey(StoreKey&&) = default;
    StoreKey& operator=(StoreKey&&) = default;

    // Key paths: names separated by "/" (or "\"); empty components are not allowed,
    // a leading or trailing separator is ignored. The empty path is this key.
    const StoreKey* Find(const std::string& path) const;
    StoreKey* Find(const std::string& path);
    StoreKey* Create(const std::string& path);  // nullptr for an invalid path
    bool Delete(const std::string& path);       // the root itself cannot be deleted

    std::optional<StoreValue> GetValue(const std::string& valueName) const;
    void SetValue(const std::string& valueName, const StoreValue& value);
    bool RemoveValue(const std::string& valueName);
    std::vector<std::string> SubkeyNames() const;
    std::vector<std::string> ValueNames() const;

    std::string name;
    std::map<std::string, std::unique_ptr<StoreKey>> subkeys;          // by lower-case name
    std::map<std::string, std::pair<std::string, StoreValue>> values;  // lower -> (name, value)
};

// Splits a key path into its components; false when a component is empty.
bool SplitKeyPath(const std::string& path, std::vector<std::string>& parts);
std::string LowerAscii(std::string s);

}  // namespace quirn

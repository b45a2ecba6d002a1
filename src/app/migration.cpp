#include "app/migration.h"

#include "app/profile.h"
#include "app/registry.h"
#include "platform/settings_store.h"

namespace quirn {

void MigrateSettings(SettingsStore& store, const std::string& programTitle) {
    // Only this version's settings root is known; another title migrates nothing.
    if (programTitle != "Quirn6")
        return;
    Profile profile(store);
    if (profile.GetInt("Migration", "RegKeys", 0) != 0)
        return;

    StoreUpdate batch(store);
    const std::string newRoot = kUserRootKey;
    const std::string oldRoot = kOldUserRootKey;
    for (const char* section : kMigratedSections) {
        const std::string target = newRoot + "/" + section;
        if (store.KeyExists(StoreRoot::User, target))
            continue;
        store.CreateKey(StoreRoot::User, target);
        const std::string source = oldRoot + "/" + section;
        for (const auto& name : store.ValueNames(StoreRoot::User, source)) {
            if (name.size() > 2000)
                continue;
            auto value = store.Read(StoreRoot::User, source, name);
            if (!value)
                continue;
            if (value->type == StoreValue::Type::Text && value->text.size() >= 2000) {
                value->text.resize(1999);  // 2000 bytes with the terminating zero
            }
            store.Write(StoreRoot::User, target, name, *value);
        }
    }
    profile.WriteInt("Settings", "FirstTime", 0);
    profile.WriteInt("Settings", "LastUpdate", 0);
    profile.WriteInt("Migration", "RegKeys", 1);
}

}  // namespace quirn

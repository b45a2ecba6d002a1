#include "app/profile.h"

#include <cmath>

#include "app/registry.h"

namespace quirn {

static std::string SectionKey(const std::string& section) {
    return std::string(kUserRootKey) + "/" + section;
}

int Profile::GetInt(const std::string& section, const std::string& key, int def) const {
    auto v = store_.Read(StoreRoot::User, SectionKey(section), key);
    if (!v)
        return def;
    if (v->type == StoreValue::Type::Integer)
        return v->integer;
    // A text holding a number still reads as that number.
    try {
        size_t used = 0;
        int n = std::stoi(v->text, &used);
        return used == v->text.size() ? n : def;
    } catch (...) {
        return def;
    }
}

std::string Profile::GetText(const std::string& section, const std::string& key,
                             const std::string& def) const {
    auto v = store_.Read(StoreRoot::User, SectionKey(section), key);
    if (!v)
        return def;
    if (v->type == StoreValue::Type::Integer)
        return std::to_string(v->integer);
    return v->text;
}

bool Profile::Has(const std::string& section, const std::string& key) const {
    return store_.Read(StoreRoot::User, SectionKey(section), key).has_value();
}

bool Profile::SectionExists(const std::string& section) const {
    return store_.KeyExists(StoreRoot::User, SectionKey(section));
}

static bool WriteCreating(SettingsStore& store, const std::string& key, const std::string& name,
                          const StoreValue& value) {
    if (store.Write(StoreRoot::User, key, name, value))
        return true;
    return store.CreateKey(StoreRoot::User, key) && store.Write(StoreRoot::User, key, name, value);
}

bool Profile::WriteInt(const std::string& section, const std::string& key, int value) {
    return WriteCreating(store_, SectionKey(section), key, StoreValue::Int(value));
}

bool Profile::WriteText(const std::string& section, const std::string& key,
                        const std::string& value) {
    return WriteCreating(store_, SectionKey(section), key, StoreValue::Str(value));
}

void Profile::ProfileInt(Direction d, const std::string& section, const std::string& key,
                         int& member, int def) {
    if (d == Direction::Load) {
        member = GetInt(section, key, def);
    } else {
        WriteInt(section, key, member);
    }
}

void Profile::ProfileText(Direction d, const std::string& section, const std::string& key,
                          std::string& member, const std::string& def) {
    if (d == Direction::Load) {
        member = GetText(section, key, def);
    } else {
        WriteText(section, key, member);
    }
}

void Profile::ProfileReal(Direction d, const std::string& section, const std::string& key,
                          double& member, double def) {
    if (d == Direction::Load) {
        int thousandths = GetInt(section, key, static_cast<int>(std::trunc(def * 1000.0)));
        member = thousandths / 1000.0;
    } else {
        // Rounding guards against 8.5 * 1000 landing just below 8500 in binary.
        double scaled = member * 1000.0;
        double nearest = std::round(scaled);
        if (std::fabs(scaled - nearest) < 1e-6)
            scaled = nearest;
        WriteInt(section, key, static_cast<int>(std::trunc(scaled)));
    }
}

void Profile::ProfileIntKeepCurrent(Direction d, const std::string& section, const std::string& key,
                                    int& member) {
    ProfileInt(d, section, key, member, member);
}

}  // namespace quirn

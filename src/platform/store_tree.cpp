#include "platform/store_tree.h"

namespace quirn {

std::string LowerAscii(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

bool SplitKeyPath(const std::string& path, std::vector<std::string>& parts) {
    parts.clear();
    std::string p = path;
    for (char& c : p) {
        if (c == '\\')
            c = '/';
    }
    size_t begin = 0, end = p.size();
    if (begin < end && p[begin] == '/')
        ++begin;
    if (end > begin && p[end - 1] == '/')
        --end;
    if (begin >= end)
        return true;
    size_t start = begin;
    for (size_t i = begin; i <= end; ++i) {
        if (i == end || p[i] == '/') {
            if (i == start)
                return false;
            parts.push_back(p.substr(start, i - start));
            start = i + 1;
        }
    }
    return true;
}

StoreKey::StoreKey(const StoreKey& o) : name(o.name), values(o.values) {
    for (const auto& [k, v] : o.subkeys)
        subkeys[k] = std::make_unique<StoreKey>(*v);
}

StoreKey& StoreKey::operator=(const StoreKey& o) {
    if (this != &o) {
        StoreKey copy(o);
        *this = std::move(copy);
    }
    return *this;
}

const StoreKey* StoreKey::Find(const std::string& path) const {
    std::vector<std::string> parts;
    if (!SplitKeyPath(path, parts))
        return nullptr;
    const StoreKey* k = this;
    for (const auto& part : parts) {
        auto it = k->subkeys.find(LowerAscii(part));
        if (it == k->subkeys.end())
            return nullptr;
        k = it->second.get();
    }
    return k;
}

StoreKey* StoreKey::Find(const std::string& path) {
    return const_cast<StoreKey*>(static_cast<const StoreKey*>(this)->Find(path));
}

StoreKey* StoreKey::Create(const std::string& path) {
    std::vector<std::string> parts;
    if (!SplitKeyPath(path, parts))
        return nullptr;
    StoreKey* k = this;
    for (const auto& part : parts) {
        auto& slot = k->subkeys[LowerAscii(part)];
        if (!slot)
            slot = std::make_unique<StoreKey>(part);
        k = slot.get();
    }
    return k;
}

bool StoreKey::Delete(const std::string& path) {
    std::vector<std::string> parts;
    if (!SplitKeyPath(path, parts) || parts.empty())
        return false;
    std::string last = LowerAscii(parts.back());
    parts.pop_back();
    StoreKey* parent = this;
    for (const auto& part : parts) {
        auto it = parent->subkeys.find(LowerAscii(part));
        if (it == parent->subkeys.end())
            return false;
        parent = it->second.get();
    }
    return parent->subkeys.erase(last) > 0;
}

std::optional<StoreValue> StoreKey::GetValue(const std::string& valueName) const {
    auto it = values.find(LowerAscii(valueName));
    if (it == values.end())
        return std::nullopt;
    return it->second.second;
}

void StoreKey::SetValue(const std::string& valueName, const StoreValue& value) {
    auto& slot = values[LowerAscii(valueName)];
    if (slot.first.empty())
        slot.first = valueName;
    slot.second = value;
}

bool StoreKey::RemoveValue(const std::string& valueName) {
    return values.erase(LowerAscii(valueName)) > 0;
}

std::vector<std::string> StoreKey::SubkeyNames() const {
    std::vector<std::string> names;
    for (const auto& [k, v] : subkeys)
        names.push_back(v->name);
    return names;
}

std::vector<std::string> StoreKey::ValueNames() const {
    std::vector<std::string> names;
    for (const auto& [k, v] : values)
        names.push_back(v.first);
    return names;
}

}  // namespace quirn

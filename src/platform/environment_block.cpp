#include "platform/environment_block.h"

#include <algorithm>

extern char** environ;

namespace quirn {

EnvironmentBlock ProcessEnvironment() {
    EnvironmentBlock block;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e)
        block.emplace_back(*e);
    return block;
}

std::string_view EntryName(std::string_view entry) {
    return entry.substr(0, entry.find('='));
}

std::optional<std::string> EnvironmentValue(const EnvironmentBlock& block, std::string_view name) {
    for (const std::string& entry : block) {
        if (EntryName(entry) == name && entry.size() > name.size())
            return entry.substr(name.size() + 1);
    }
    return std::nullopt;
}

EnvironmentBlock EnvironmentWith(const EnvironmentBlock& base, const EnvironmentBlock& extra) {
    EnvironmentBlock block;
    block.reserve(base.size() + extra.size());
    for (const std::string& entry : base) {
        bool replaced = std::any_of(extra.begin(), extra.end(), [&](const std::string& x) {
            return EntryName(x) == EntryName(entry);
        });
        if (!replaced)
            block.push_back(entry);
    }
    block.insert(block.end(), extra.begin(), extra.end());
    return block;
}

}  // namespace quirn

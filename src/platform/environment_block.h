// Environments of child processes as values. Quirn never changes its own environment:
// every child that needs variables of its own gets a block built from these, made of
// "NAME=value" entries.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quirn {

using EnvironmentBlock = std::vector<std::string>;

// This process's environment as it is now.
EnvironmentBlock ProcessEnvironment();

// The name of an entry: the text before its first "=".
std::string_view EntryName(std::string_view entry);

// The value of `name` in `block`; none when the block has no such entry.
std::optional<std::string> EnvironmentValue(const EnvironmentBlock& block, std::string_view name);

// `base` with the entries of `extra` added, each replacing an entry of the same name.
EnvironmentBlock EnvironmentWith(const EnvironmentBlock& base, const EnvironmentBlock& extra);

}  // namespace quirn

// The graphics verbs of `quirn-cli edit`: insert-graphic, edit-graphic,
// migrate-graphics and paste-bitmap.
#pragma once

#include <string>
#include <vector>

namespace quirn::cli {

// Runs the verb in args[0] when it is one of the graphics verbs and answers its exit
// status; nothing (handled false) for any other verb.
int EditGraphicsVerb(const std::vector<std::string>& args, bool* handled);

}  // namespace quirn::cli

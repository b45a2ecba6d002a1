// Finds the external programs Quirn starts: InstallDir/bin/NAME when it exists,
// otherwise NAME on PATH. Tests put fake programs into a test InstallDir/bin.
#pragma once

#include <string>

namespace quirn {

// The path to run, or an empty text when the program is found nowhere.
std::string ResolveProgram(const std::string& installDir, const std::string& name);

// Searches PATH only.
std::string FindOnPath(const std::string& name);

}  // namespace quirn

// Command lines a person typed (a user tool's command from the settings) are cut into
// arguments here: blanks and tabs separate arguments, a double quote starts or ends a
// group in which blanks belong to the argument, and the quotes themselves are removed.
// Backslashes are ordinary characters ("-ini x \dump" keeps its "\dump"). Command
// lines Quirn builds itself are argument lists from the start and never pass here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quirn {

std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// The arguments as one line for messages and traces: blanks between them, and an
// argument holding a blank (or nothing) in double quotes. Never run.
std::string DisplayCommandLine(const std::vector<std::string>& arguments);

}  // namespace quirn

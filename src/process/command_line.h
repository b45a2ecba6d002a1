// Command lines are written as one text, the way the engine and tool commands are
// built, and cut into arguments here: blanks and tabs separate arguments, a double
// quote starts or ends a group in which blanks belong to the argument, and the quotes
// themselves are removed. Backslashes are ordinary characters ("-ini x \dump" keeps
// its "\dump").
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quirn {

std::vector<std::string> SplitCommandLine(std::string_view commandLine);

}  // namespace quirn

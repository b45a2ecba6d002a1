// The program's command line: options, batch requests and files to open.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/paths.h"

namespace quirn {

class UserPrompt;
class Profile;

struct StartupOptions {
    bool noLogo = false;
    bool print = false;
    std::string printFile;
    bool typeset = false;
    std::string typesetFile;
    std::string format;   // upper-cased
    int interaction = 0;  // 0 none, 1 "S", 2 "N", 3 "B"
    std::string workDir;  // absolute value + "/."
    int orientation = 0;  // 0 not given, 1 portrait, 2 landscape
    int paper = 0;        // 0 not given, 1 LETTER, 2 LEGAL, 3 EXEC, 4 A4, 5 CUSTOM
    int width = 0;        // thousandths of the unit, 0 = not given
    int height = 0;
    int unit = -1;  // 0 inches, 1 centimetres, -1 unknown
    bool updated = false;
    std::vector<std::string> files;  // absolute, as are printFile and typesetFile
};

// Cuts a command line into tokens at blanks and tabs; a token that begins with a double
// quote runs to the next double quote, which is dropped, and may hold blanks.
std::vector<std::string> TokenizeCommandLine(const std::string& commandLine);

// Joins arguments into one command line: blanks between them, an argument holding a
// blank or tab in double quotes.
std::string JoinCommandLine(const std::vector<std::string>& args);

// What "--help" or "--version" among the arguments asks for, to be printed on standard
// output before anything else starts (the first of them wins); nothing when neither is
// there. `version` is the program's version number.
std::optional<std::string> CommandLineInformation(const std::vector<std::string>& args,
                                                  const std::string& version);

// Parses the command line. Every message goes to `prompt` as a message box. Returns
// false when the program must end. "updated" writes "Settings"/"LastUpdate" through
// `profile` when one is given. The names of files and folders it holds are relative to
// `startFolder` (where the program was started) and come out absolute.
bool ParseCommandLine(const std::string& commandLine, StartupOptions& options, UserPrompt& prompt,
                      Profile* profile, const std::string& startFolder = StartFolder());

}  // namespace quirn

#include "app/command_line.h"

#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <ctime>

#include "app/profile.h"
#include "platform/user_prompt.h"

namespace quirn {

std::vector<std::string> TokenizeCommandLine(const std::string& line) {
    std::vector<std::string> tokens;
    size_t i = 0, n = line.size();
    while (i < n) {
        while (i < n && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i >= n)
            break;
        std::string token;
        if (line[i] == '"') {
            size_t close = line.find('"', i + 1);
            if (close == std::string::npos)
                close = n;
            token = line.substr(i + 1, close - i - 1);
            i = close < n ? close + 1 : n;
        } else {
            size_t end = i;
            while (end < n && line[end] != ' ' && line[end] != '\t')
                ++end;
            token = line.substr(i, end - i);
            i = end;
        }
        if (!token.empty())
            tokens.push_back(token);
    }
    return tokens;
}

std::string JoinCommandLine(const std::vector<std::string>& args) {
    std::string line;
    for (size_t i = 0; i < args.size(); ++i) {
        if (i)
            line += ' ';
        if (args[i].find_first_of(" \t") != std::string::npos) {
            line += '"' + args[i] + '"';
        } else {
            line += args[i];
        }
    }
    return line;
}

namespace {

// The options ParseCommandLine takes, for "--help".
constexpr const char* kUsage =
    "Usage: quirn [OPTION]... [FILE]...\n"
    "Opens the files in the window of the TeX working environment; with -TEX= or -PRINT=\n"
    "typesets or prints one file and ends.\n"
    "\n"
    "Options begin with - (or /); their names may be written in any case.\n"
    "  -NOLOGO          start without the start-up picture\n"
    "  -TEX=FILE        typeset FILE and end (exit status 0 when it succeeded)\n"
    "  -FORMAT=NAME     the format of that run, e.g. latex or plain\n"
    "  -TEXMODE=MODE    how the engine runs: B (batch), N (nonstop) or S (scroll)\n"
    "  -PRINT=FILE      print FILE and end\n"
    "  -WORKDIR=FOLDER  the working folder\n"
    "  -OR=PA|LA        printing orientation: portrait or landscape\n"
    "  -PAPER=NAME      printing paper: LETTER, LEGAL, EXEC, A4 or CUSTOM\n"
    "  -W=SIZE          width of CUSTOM paper, e.g. 21cm or 8.5in\n"
    "  -H=SIZE          height of CUSTOM paper\n"
    "  -UPDATED         the installation was just updated: offer to rebuild the formats\n"
    "  --help           show this text and end\n"
    "  --version        show the version and end\n";

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperAscii(std::string s) {
    for (char& c : s)
        c = Upper(c);
    return s;
}

// True when `name` starts with `prefix`, without regard to case.
bool HasPrefixNoCase(const std::string& name, const std::string& prefix) {
    if (name.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (Upper(name[i]) != Upper(prefix[i]))
            return false;
    }
    return true;
}

// "W=" and "H=": a size between 1.0 (exclusive) and 100.0 in thousandths, and the unit.
void ParseSize(const std::string& value, int& size, int& unit) {
    double number = std::strtod(value.c_str(), nullptr);
    if (!(number > 1.0 && number <= 100.0))
        return;
    size = static_cast<int>(std::lround(number * 1000.0));
    if (value.find("in") != std::string::npos || value.find("IN") != std::string::npos) {
        unit = unit == 1 ? -1 : 0;
    } else if (value.find("cm") != std::string::npos || value.find("CM") != std::string::npos) {
        unit = unit == 0 ? -1 : 1;
    } else {
        unit = -1;
    }
}

// Options begin with "-" or "/". Here "/" also begins every absolute path, so a token
// is taken as a "/" option only when it has no further "/" and names no existing file.
bool IsOption(const std::string& token) {
    if (token[0] == '-')
        return true;
    if (token[0] != '/')
        return false;
    if (token.find('/', 1) != std::string::npos)
        return false;
    struct stat st {};
    return ::stat(token.c_str(), &st) != 0;
}

}  // namespace

std::optional<std::string> CommandLineInformation(const std::vector<std::string>& args,
                                                  const std::string& version) {
    for (const std::string& arg : args) {
        if (arg == "--help")
            return std::string(kUsage);
        if (arg == "--version")
            return "quirn " + version + "\n";
    }
    return std::nullopt;
}

bool ParseCommandLine(const std::string& commandLine, StartupOptions& o, UserPrompt& prompt,
                      Profile* profile, const std::string& startFolder) {
    auto absolute = [&](const std::string& name) { return AbsolutePath(name, startFolder); };
    for (const std::string& token : TokenizeCommandLine(commandLine)) {
        if (!IsOption(token)) {
            o.files.push_back(absolute(token));
            o.noLogo = true;
            continue;
        }
        const std::string name = token.substr(1);
        auto option = [&](const char* opt) { return HasPrefixNoCase(name, opt); };
        auto valueOf = [&](const char* opt) { return name.substr(std::string(opt).size()); };

        if (UpperAscii(name) == "NOLOGO") {
            o.noLogo = true;
        } else if (option("PRINT=")) {
            o.printFile = valueOf("PRINT=");
            if (o.printFile.empty()) {
                prompt.ShowMessage("Invalid PRINT command!");
                return false;
            }
            o.printFile = absolute(o.printFile);
            o.print = true;
            o.noLogo = true;
        } else if (option("TEXMODE=")) {
            std::string v = valueOf("TEXMODE=");
            if (v.empty()) {
                prompt.ShowMessage("Invalid TEXMODE command!");
                return false;
            }
            switch (Upper(v[0])) {
                case 'B':
                    o.interaction = 3;
                    break;
                case 'N':
                    o.interaction = 2;
                    break;
                case 'S':
                    o.interaction = 1;
                    break;
                default:
                    break;
            }
        } else if (option("TEX=")) {
            o.typesetFile = valueOf("TEX=");
            if (o.typesetFile.empty()) {
                prompt.ShowMessage("Invalid TEX command!");
                return false;
            }
            o.typesetFile = absolute(o.typesetFile);
            o.typeset = true;
            o.noLogo = true;
        } else if (option("FORMAT=")) {
            std::string v = valueOf("FORMAT=");
            if (v.empty()) {
                prompt.ShowMessage("Invalid FORMAT command!");
                return false;
            }
            o.format = UpperAscii(v);
        } else if (option("WORKDIR=")) {
            std::string v = valueOf("WORKDIR=");
            if (v.empty()) {
                prompt.ShowMessage("Invalid WORKDIR command!");
            } else {
                o.workDir = absolute(v) + "/.";
            }
        } else if (option("OR=")) {
            std::string v = UpperAscii(valueOf("OR="));
            if (v == "PA") {
                o.orientation = 1;
            } else if (v == "LA") {
                o.orientation = 2;
            } else {
                prompt.ShowMessage("Invalid ORIENTATION command!");
            }
        } else if (option("PAPER=")) {
            static const char* papers[] = {"LETTER", "LEGAL", "EXEC", "A4", "CUSTOM"};
            std::string v = valueOf("PAPER=");
            int found = 0;
            for (int i = 0; i < 5 && !v.empty(); ++i) {
                if (HasPrefixNoCase(papers[i], v)) {
                    found = i + 1;
                    break;
                }
            }
            if (found) {
                o.paper = found;
            } else {
                prompt.ShowMessage("Invalid PAPER command!");
            }
        } else if (option("W=")) {
            ParseSize(valueOf("W="), o.width, o.unit);
        } else if (option("H=")) {
            ParseSize(valueOf("H="), o.height, o.unit);
        } else if (UpperAscii(name) == "UPDATED") {
            o.updated = true;
            if (profile) {
                profile->WriteInt("Settings", "LastUpdate", static_cast<int>(std::time(nullptr)));
            }
        } else {
            prompt.ShowMessage(token + "\n\nInvalid command line parameter!\n");
        }
    }
    if (o.paper == 5 && (o.width == 0 || o.height == 0 || o.unit == -1)) {
        o.paper = 0;
        prompt.ShowMessage("Invalid PAPER=CUSTOM command!");
    }
    return true;
}

}  // namespace quirn

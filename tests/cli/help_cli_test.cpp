// quirn-cli --help, --version and COMMAND --help: on standard output with exit status
// 0; a command line that is not understood gets its usage on standard error and 2.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>

#include "support/test_support.h"

namespace quirn {
namespace {

using test::Program;
using test::RunCommand;

int Cli(const std::string& args, std::string* out, std::string* err) {
    return RunCommand("'" + Program("quirn-cli") + "' " + args, out, err);
}

// The names in the command list of --help.
std::vector<std::string> ListedCommands(const std::string& help) {
    std::vector<std::string> names;
    std::istringstream lines(help.substr(help.find("\ncommands:\n") + 11));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string name;
        words >> name;
        names.push_back(name);
    }
    return names;
}

TEST(CliHelp, HelpAndVersionGoToStandardOutput) {
    std::string out, err;
    ASSERT_EQ(Cli("--help", &out, &err), 0);
    EXPECT_EQ(err, "");
    EXPECT_EQ(out.rfind("usage: quirn-cli COMMAND [ARG...]\n", 0), 0u) << out;
    const std::vector<std::string> commands = ListedCommands(out);
    for (const char* expected : {"dvi-info", "edit", "fonts", "forward-search", "inverse-search",
                                 "point-info", "render", "settings", "typeset", "view"}) {
        EXPECT_NE(std::find(commands.begin(), commands.end(), expected), commands.end())
            << expected << " is not listed:\n"
            << out;
    }

    // The version is the project's, as the build declares it.
    std::smatch version;
    const std::string cmake = test::ReadFile(test::SourceDir() + "/CMakeLists.txt");
    ASSERT_TRUE(std::regex_search(cmake, version, std::regex(R"(project\(\w+ VERSION ([0-9.]+))")));
    ASSERT_EQ(Cli("--version", &out, &err), 0);
    EXPECT_EQ(out, "quirn-cli " + version[1].str() + "\n");
    EXPECT_EQ(err, "");

    // Every command explains itself, in lines that fit a terminal.
    for (const std::string& command : commands) {
        ASSERT_EQ(Cli(command + " --help", &out, &err), 0) << command;
        EXPECT_EQ(err, "") << command;
        EXPECT_EQ(out.rfind("usage: quirn-cli " + command + " ", 0), 0u) << out;
        EXPECT_GT(out.size(), 200u) << command << " explains too little:\n" << out;
        std::istringstream lines(out);
        for (std::string line; std::getline(lines, line);)
            EXPECT_LE(line.size(), 80u) << command << ": " << line;
    }
}

TEST(CliHelp, WrongUsageGoesToStandardErrorWithStatusTwo) {
    std::string out, err;
    EXPECT_EQ(Cli("", &out, &err), 2);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err.rfind("usage: quirn-cli COMMAND", 0), 0u) << err;

    EXPECT_EQ(Cli("no-such-command", &out, &err), 2);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err.rfind("quirn-cli: unknown command 'no-such-command'\nusage:", 0), 0u) << err;

    for (const std::string wrong :
         {"dvi-info", "render x.dvi", "forward-search x.dvi 3", "settings read", "tfm cmr10 --x 1",
          "edit frobnicate x.tex", "point-info x.dvi --page 1 --dpi 96 3", "fonts x.dvi --dpi x"}) {
        const std::string command = wrong.substr(0, wrong.find(' '));
        EXPECT_EQ(Cli(wrong, &out, &err), 2) << wrong;
        EXPECT_EQ(out, "") << wrong;
        EXPECT_EQ(err.rfind("usage: quirn-cli " + command + " ", 0), 0u) << err;
        EXPECT_NE(err.find("'quirn-cli " + command + " --help'"), std::string::npos) << err;
    }
}

}  // namespace
}  // namespace quirn

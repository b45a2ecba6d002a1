#include "app/command_line.h"

#include <gtest/gtest.h>

#include "app/profile.h"
#include "platform/settings_store.h"
#include "platform/user_prompt.h"

namespace quirn {
namespace {

struct Parsed {
    bool ok;
    StartupOptions o;
    std::vector<std::string> messages;
};

// Names are relative to this start folder.
constexpr const char* kStart = "/home/u/start";

Parsed Parse(const std::string& line, Profile* profile = nullptr) {
    Parsed r;
    ScriptedPrompt prompt;
    r.ok = ParseCommandLine(line, r.o, prompt, profile, kStart);
    r.messages = prompt.messages;
    return r;
}

TEST(CommandLine, TokensFilesAndTheSplash) {
    EXPECT_EQ(TokenizeCommandLine("  a\t\"b c\"  \"\" d\"e\" \"unclosed x"),
              (std::vector<std::string>{"a", "b c", "d\"e\"", "unclosed x"}));
    auto r = Parse("\"/home/u/my paper.tex\" other.dvi");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.o.files,
              (std::vector<std::string>{"/home/u/my paper.tex", "/home/u/start/other.dvi"}));
    EXPECT_TRUE(r.o.noLogo);  // a file argument alone suppresses the splash
    EXPECT_FALSE(Parse("").o.noLogo);
    // An absolute path is a file even though "/" also begins options.
    EXPECT_EQ(Parse("/tmp").o.files, std::vector<std::string>{"/tmp"});
    EXPECT_EQ(JoinCommandLine({"-PAPER=A4", "my paper.tex"}), "-PAPER=A4 \"my paper.tex\"");
}

TEST(CommandLine, OptionNamesIgnoreCaseAndPrefixCharacter) {
    EXPECT_TRUE(Parse("/nologo").o.noLogo);
    EXPECT_TRUE(Parse("-NoLogo").o.noLogo);
    auto r = Parse("-NOLOGOX");
    EXPECT_TRUE(r.ok);
    EXPECT_FALSE(r.o.noLogo);
    EXPECT_EQ(r.messages,
              std::vector<std::string>{"-NOLOGOX\n\nInvalid command line parameter!\n"});
    EXPECT_EQ(Parse("/bogus").messages[0], "/bogus\n\nInvalid command line parameter!\n");
}

TEST(CommandLine, BatchOptionsAndTheirFailures) {
    auto r = Parse("-TEX=paper.tex -FORMAT=latex");
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.o.typeset);
    EXPECT_EQ(r.o.typesetFile, "/home/u/start/paper.tex");
    EXPECT_EQ(r.o.format, "LATEX");
    EXPECT_TRUE(r.o.noLogo);

    r = Parse("/print=doc.dvi");
    EXPECT_TRUE(r.o.print && r.o.noLogo);
    EXPECT_EQ(r.o.printFile, "/home/u/start/doc.dvi");
    EXPECT_EQ(Parse("-PRINT=../sub/doc.dvi").o.printFile, "/home/u/start/../sub/doc.dvi");

    r = Parse("-PRINT= other.tex");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.messages, std::vector<std::string>{"Invalid PRINT command!"});
    EXPECT_EQ(Parse("-TEX=").messages, std::vector<std::string>{"Invalid TEX command!"});
    EXPECT_FALSE(Parse("-FORMAT=").ok);
    EXPECT_FALSE(Parse("-TEXMODE=").ok);
    EXPECT_EQ(Parse("-texmode=batch").o.interaction, 3);
    EXPECT_EQ(Parse("-TEXMODE=n").o.interaction, 2);
    EXPECT_EQ(Parse("-TEXMODE=Scroll").o.interaction, 1);
    EXPECT_EQ(Parse("-TEXMODE=x").o.interaction, 0);

    // A working directory without a value is reported and start-up goes on.
    r = Parse("-WORKDIR= a.tex");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.messages, std::vector<std::string>{"Invalid WORKDIR command!"});
    EXPECT_EQ(r.o.files, std::vector<std::string>{"/home/u/start/a.tex"});
    EXPECT_EQ(Parse("-WORKDIR=/tmp/w").o.workDir, "/tmp/w/.");
    EXPECT_EQ(Parse("-WORKDIR=w").o.workDir, "/home/u/start/w/.");
}

TEST(CommandLine, OrientationAndPaper) {
    EXPECT_EQ(Parse("-or=pa").o.orientation, 1);
    EXPECT_EQ(Parse("-OR=LA").o.orientation, 2);
    auto r = Parse("-OR=Portrait");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.o.orientation, 0);
    EXPECT_EQ(r.messages, std::vector<std::string>{"Invalid ORIENTATION command!"});

    EXPECT_EQ(Parse("-PAPER=a4").o.paper, 4);
    EXPECT_EQ(Parse("-PAPER=LEG").o.paper, 2);
    EXPECT_EQ(Parse("-PAPER=ex").o.paper, 3);
    EXPECT_EQ(Parse("-PAPER=B5").messages, std::vector<std::string>{"Invalid PAPER command!"});

    r = Parse("-PAPER=CUSTOM -W=8.5in -H=11in");
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(r.o.paper, 5);
    EXPECT_EQ(r.o.width, 8500);
    EXPECT_EQ(r.o.height, 11000);
    EXPECT_EQ(r.o.unit, 0);

    r = Parse("-PAPER=CUSTOM -W=21cm -H=29.7CM");
    EXPECT_EQ(r.o.unit, 1);
    EXPECT_EQ(r.o.height, 29700);

    // Mixed units make the unit unknown and the custom paper invalid.
    r = Parse("-PAPER=CUSTOM -W=8.5in -H=27cm");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.o.paper, 0);
    EXPECT_EQ(r.o.unit, -1);
    EXPECT_EQ(r.messages, std::vector<std::string>{"Invalid PAPER=CUSTOM command!"});

    // Out-of-range sizes are ignored, so the custom paper lacks a width.
    r = Parse("-PAPER=CUSTOM -W=0.5in -H=11in");
    EXPECT_EQ(r.o.width, 0);
    EXPECT_EQ(r.o.paper, 0);
    EXPECT_EQ(Parse("-W=100.0in").o.width, 100000);
    EXPECT_EQ(Parse("-W=100.5in").o.width, 0);
    EXPECT_EQ(Parse("-W=5").o.unit, -1);
}

TEST(CommandLine, UpdatedRecordsTheTime) {
    auto store = MakeMemoryStore();
    Profile profile(*store);
    auto r = Parse("updated", &profile);
    EXPECT_FALSE(r.o.updated);  // a bare word is a file
    r = Parse("-updated", &profile);
    EXPECT_TRUE(r.o.updated);
    EXPECT_GT(profile.GetInt("Settings", "LastUpdate", 0), 1700000000);
}

}  // namespace
}  // namespace quirn

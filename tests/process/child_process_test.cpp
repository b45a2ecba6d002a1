#include "process/child_process.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "process/command_line.h"
#include "support/test_support.h"

namespace quirn {
namespace {

std::string Child() {
    return "\"" + test::Program("echo_child") + "\"";
}

// The tests write their children's arguments as one line for brevity.
std::vector<std::string> Args(const std::string& line) {
    return SplitCommandLine(line);
}

// Reads everything the child writes until it has ended.
std::string Drain(ChildProcess& child) {
    std::string all;
    while (!child.HasEnded()) {
        child.WaitForOutputOrExit(1000);
        child.ReadAvailable(all);
    }
    child.ReadAvailable(all);
    return all;
}

bool IsReaped(pid_t pid) {
    errno = 0;
    return ::waitpid(pid, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

TEST(CommandLine, BlanksSeparateAndQuotesGroup) {
    using V = std::vector<std::string>;
    EXPECT_EQ(
        SplitCommandLine(
            "pdfetex -8bit  -src-specials\t-progname=latex \"&latex\" \"my paper.tex\""),
        (V{"pdfetex", "-8bit", "-src-specials", "-progname=latex", "&latex", "my paper.tex"}));
    // Quotes may sit inside an argument and are removed; "" is an empty argument.
    EXPECT_EQ(SplitCommandLine("a\"b c\"d \"\" e"), (V{"ab cd", "", "e"}));
    // Backslashes are ordinary characters.
    EXPECT_EQ(SplitCommandLine("tex -ini plain \\dump"), (V{"tex", "-ini", "plain", "\\dump"}));
    EXPECT_EQ(SplitCommandLine("   "), V{});
    // An unterminated quote runs to the end.
    EXPECT_EQ(SplitCommandLine("x \"a b"), (V{"x", "a b"}));
}

TEST(ChildProcess, PipesCarryInputOutputAndExitCode) {
    ChildProcess child;
    ASSERT_TRUE(child.Start(Args(Child() + " out hello echo-lines 2 raw \"? \" exit 7"), ""));
    EXPECT_EQ(child.ExitCode(), kStillActive);
    std::string line;
    ASSERT_TRUE(child.ReadLine(line, 5000));
    EXPECT_EQ(line, "hello");
    ASSERT_TRUE(child.Write("first\r\nsecond line\n"));
    line.clear();
    ASSERT_TRUE(child.ReadLine(line, 5000));
    EXPECT_EQ(line, "got: first");
    std::string rest = Drain(child);
    EXPECT_EQ(rest, "got: second line\n? ");
    EXPECT_EQ(child.ExitCode(), 7);
    // The end of the output is reported, not waited for.
    line.clear();
    EXPECT_FALSE(child.ReadLine(line, 1000));
    pid_t pid = child.Pid();
    child.Close();
    EXPECT_TRUE(IsReaped(pid));
}

TEST(ChildProcess, ReadsNeverBlockAndLargeOutputFlows) {
    ChildProcess child;
    ASSERT_TRUE(child.Start(Args(Child() + " sleep 300 bytes 300000"), ""));
    // Nothing waiting yet: both calls return at once.
    auto before = std::chrono::steady_clock::now();
    std::string text;
    EXPECT_EQ(child.Available(), 0u);
    EXPECT_TRUE(child.ReadAvailable(text));
    EXPECT_TRUE(text.empty());
    EXPECT_FALSE(child.WaitForOutputOrExit(50));
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(250));
    // More than a pipe holds: reading while it runs lets it finish.
    text = Drain(child);
    EXPECT_EQ(text.size(), 300000u);
    EXPECT_EQ(text.substr(0, 12), "012345678901");
    EXPECT_EQ(child.ExitCode(), 0);

    // Input closed: a child reading to the end of its input sees it.
    ChildProcess cat;
    ASSERT_TRUE(cat.Start(Args(Child() + " cat"), ""));
    ASSERT_TRUE(cat.Write("abc\ndef"));
    cat.CloseInput();
    EXPECT_EQ(Drain(cat), "abc\ndef");
    EXPECT_EQ(cat.ExitCode(), 0);
}

TEST(ChildProcess, StandardErrorJoinsOutputOrGoesToItsFile) {
    test::TempDir dir;
    ChildProcess merged;
    ASSERT_TRUE(merged.Start(Args(Child() + " out one err two out three"), ""));
    EXPECT_EQ(Drain(merged), "one\ntwo\nthree\n");

    std::string errFile = dir.Write("trace.tmp", "old contents that must go away\n");
    ChildProcess split;
    split.SetErrorFile(errFile);
    ASSERT_TRUE(
        split.Start(Args(Child() + " out one err \"kdebug:search(x) => y\" out three"), ""));
    EXPECT_EQ(Drain(split), "one\nthree\n");
    EXPECT_EQ(test::ReadFile(errFile), "kdebug:search(x) => y\n");

    // An error file that cannot be created fails the start.
    ChildProcess bad;
    bad.SetErrorFile(dir.File("no/such/dir/trace.tmp"));
    EXPECT_FALSE(bad.Start(Args(Child() + " out x"), ""));
    EXPECT_FALSE(bad.Started());
}

TEST(ChildProcess, WorkingDirectoryEnvironmentAndProgramLookup) {
    test::TempDir dir;
    std::string work = dir.File("work dir");
    std::filesystem::create_directories(work);
    ChildProcess child;
    {
        test::ScopedEnvironment parent;
        parent.Set("QUIRN_PROCESS_TEST_VAR", "inherited value");
        ASSERT_TRUE(child.Start({test::Program("echo_child"), "pwd", "env",
                                 "QUIRN_PROCESS_TEST_VAR", "args", "a\\b", "c d"},
                                work));
    }
    EXPECT_EQ(Drain(child), work + "\ninherited value\n[a\\b]\n[c d]\n");
    EXPECT_EQ(child.CommandLine(),
              test::Program("echo_child") + " pwd env QUIRN_PROCESS_TEST_VAR args a\\b \"c d\"");

    // Each argument reaches the child exactly as given: no shell and no splitting sees
    // quotes, apostrophes, "$", ";", "&" or an empty argument.
    ChildProcess verbatim;
    ASSERT_TRUE(verbatim.Start(
        {test::Program("echo_child"), "args", "\"my paper.tex\"", "bob's $HOME; x & y `z`", ""},
        ""));
    EXPECT_EQ(Drain(verbatim), "[\"my paper.tex\"]\n[bob's $HOME; x & y `z`]\n[]\n");

    ChildProcess block;
    block.SetEnvironmentBlock({"QUIRN_PROCESS_TEST_VAR=from block"});
    ASSERT_TRUE(block.Start(Args(Child() + " env QUIRN_PROCESS_TEST_VAR env HOME"), ""));
    EXPECT_EQ(Drain(block), "from block\n(unset)\n");

    // A bare name is found in InstallDir/bin before PATH.
    std::filesystem::create_directories(dir.File("install/bin"));
    std::filesystem::create_symlink(test::Program("echo_child"),
                                    dir.File("install/bin/fakeengine"));
    ChildProcess own;
    own.SetInstallDir(dir.File("install"));
    ASSERT_TRUE(own.Start(Args("fakeengine out resolved"), ""));
    EXPECT_EQ(Drain(own), "resolved\n");

    ChildProcess missing;
    EXPECT_FALSE(missing.Start(Args("quirn-no-such-program-here x"), ""));
    EXPECT_EQ(missing.StartError(), ENOENT);
    ChildProcess badDir;
    EXPECT_FALSE(badDir.Start(Args(Child() + " pwd"), dir.File("missing")));
    ChildProcess empty;
    EXPECT_FALSE(empty.Start(Args("  "), ""));
    EXPECT_EQ(missing.ExitCode(), kStillActive);
    EXPECT_FALSE(missing.HasEnded());
}

TEST(ChildProcess, HungChildIsKilledWithItsOwnChildren) {
    ChildProcess child;
    ASSERT_TRUE(child.Start(Args(Child() + " out ready grandchild hang"), ""));
    std::string line;
    ASSERT_TRUE(child.ReadLine(line, 5000));
    EXPECT_FALSE(child.WaitForExit(200));
    EXPECT_FALSE(child.HasEnded());
    pid_t pid = child.Pid();
    EXPECT_TRUE(child.Kill());
    EXPECT_TRUE(child.HasEnded());
    EXPECT_EQ(child.ExitCode(), kKilledExitCode);
    EXPECT_TRUE(IsReaped(pid));
    // The grandchild held the output pipe: it was killed too, so the pipe closes.
    line.clear();
    EXPECT_FALSE(child.ReadLine(line, 5000));
    EXPECT_TRUE(child.OutputClosed());
    EXPECT_FALSE(child.Kill());

    // Writing to a child that is gone fails instead of ending the program.
    auto input = child.Input();
    ChildProcess quick;
    ASSERT_TRUE(quick.Start(Args(Child() + " exit 0"), ""));
    ASSERT_TRUE(quick.WaitForExit(5000));
    auto quickInput = quick.Input();
    EXPECT_FALSE(quick.Write(std::string(100000, 'x')));
    quick.Close();
    EXPECT_FALSE(quickInput->Write("late"));

    // Destroying a running child kills and reaps it.
    pid_t orphan;
    {
        ChildProcess scoped;
        ASSERT_TRUE(scoped.Start(Args(Child() + " hang"), ""));
        orphan = scoped.Pid();
    }
    EXPECT_TRUE(IsReaped(orphan));
}

}  // namespace
}  // namespace quirn

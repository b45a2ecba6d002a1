// Starts the window application on a virtual display (Xvfb) and checks start-up,
// the hand-over from a second start, a clean exit that saves the settings, and a
// screenshot of the main window; and the usage and version, which need no display.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "gui/window_program.h"
#include "support/test_support.h"

namespace quirn {
namespace {

using gui::test_window::HaveXvfb;
using gui::test_window::QuirnEnvironment;
using gui::test_window::ToolkitWarnings;
using test::Program;
using test::RunCommand;

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!HaveXvfb())
            GTEST_SKIP() << "Xvfb is not installed";
        env = QuirnEnvironment(dir);
    }
    // Runs a shell script under a fresh virtual display, in the test's folder; the
    // toolkit must not complain.
    int UnderXvfb(const std::string& script, std::string* out, std::string* err) {
        std::string path = dir.Write("script.sh", "cd '" + dir.Path() + "'\n" + script);
        int rc = RunCommand(env + "xvfb-run -a -s '-screen 0 1280x900x24' sh " + path, out, err);
        EXPECT_EQ(ToolkitWarnings(*err), "");
        return rc;
    }
    test::TempDir dir;
    std::string env;
};

// Waits (up to 60 s) until FILE holds a line with TEXT.
std::string WaitFor(const std::string& file, const std::string& text) {
    return "for i in $(seq 1 600); do grep -q '" + text + "' " + file +
           " 2>/dev/null && break; sleep 0.1; done\n";
}

TEST_F(WindowTest, SecondStartHandsItsFilesOverAndOtherSettingsRunTheirOwnWindow) {
    std::string quirn = Program("quirn");
    std::string other = dir.Write("work/other.tex", "\\relax\n");
    std::string steps = dir.Write("first.steps", "wait 3000\nreport\n");
    std::string own = dir.Write("own.steps", "report\nquit\n");
    std::string script =
        "QUIRN_TEST_ANSWER=yes QUIRN_SCRIPT='" + steps + "' " + quirn +
        " -NOLOGO > first.out &\n"
        "first=$!\n"
        "for i in $(seq 1 150); do ls \"$XDG_RUNTIME_DIR\"/quirn-*.sock >/dev/null 2>&1 && break; "
        "sleep 0.1; done\n"
        "ls \"$XDG_RUNTIME_DIR\"/quirn-*.sock || { echo no-socket; kill $first; exit 3; }\n"
        // A relative name, relative to the second start's own folder.
        "(cd work && timeout 20 " +
        quirn +
        " other.tex; echo second=$?)\n"
        // Other settings: a window of its own, which runs its script and ends.
        "QUIRN_CONFIG_DIR=\"$QUIRN_CONFIG_DIR-2\" QUIRN_TEST_ANSWER=yes QUIRN_SCRIPT='" +
        own + "' timeout 60 " + quirn + " -NOLOGO; echo own=$?\n" +
        WaitFor("first.out", "script: active") +
        "cat first.out\n"
        "kill -0 $first && echo first-alive\n"
        "kill -TERM $first; wait $first; echo first=$?\n";
    std::string out, err;
    int rc = UnderXvfb(script, &out, &err);
    EXPECT_EQ(rc, 0) << out << err;
    EXPECT_NE(out.find("second=0"), std::string::npos) << out << err;
    EXPECT_NE(out.find("script: active: tex " + other + "\n"), std::string::npos) << out << err;
    EXPECT_NE(out.find("script: active: none\nown=0"), std::string::npos) << out << err;
    EXPECT_NE(out.find("first-alive"), std::string::npos) << out << err;
    EXPECT_NE(out.find("first=0"), std::string::npos) << out << err;
    std::string store = test::ReadFile(dir.File("config/user.store"));
    EXPECT_NE(store.find("int \"ShowCmd\""), std::string::npos) << store;
    EXPECT_NE(store.find("text \"TeXEngine6\" \"pdfetex\""), std::string::npos);
    std::string left;
    RunCommand("ls " + dir.Path() + " | grep sock", &left);
    EXPECT_EQ(left, "");
}

// A logout sends SIGTERM while the save question is open: the window ends at once,
// the file stays as it was, and the changed text waits in a recovery copy that the
// next start offers back ("yes" opens it as a modified document, "no" discards it).
TEST_F(WindowTest, TermEndsTheWindowDuringAQuestionAndTheNextStartOffersTheText) {
    std::string quirn = Program("quirn");
    const std::string original =
        "\\documentclass{article}\n\\begin{document}\nText.\n\\end{document}\n";
    std::string tex = dir.Write("doc/paper.tex", original);
    std::string edit = dir.Write("edit.steps", "open " + tex + "\ninsert CHANGED \nquit\n");
    std::string look = dir.Write("look.steps", "wait 1000\nreport\n");
    std::string quit = dir.Write("quit.steps", "wait 1000\nreport\nquit\n");
    std::string copies = "ls \"$XDG_STATE_HOME/quirn\" | wc -l | sed 's/^/copies=/'\n";
    std::string script =
        "QUIRN_TEST_ANSWER=hold QUIRN_SCRIPT='" + edit + "' " + quirn +
        " -NOLOGO 2> held.err &\n"
        "pid=$!\n" +
        WaitFor("held.err", "^question: Do you want to save") +
        "sleep 1\n"
        "t0=$(date +%s%N); kill -TERM $pid; wait $pid; echo term=$?\n"
        "echo ms=$(( ($(date +%s%N) - t0) / 1000000 ))\n" +
        copies +
        // Yes: the recovered text, modified, under the file's name; a second SIGTERM
        // keeps it again.
        "QUIRN_TEST_ANSWER=yes QUIRN_SCRIPT='" + look + "' " + quirn +
        " -NOLOGO > yes.out 2> yes.err &\n"
        "pid=$!\n" +
        WaitFor("yes.out", "script: modified") +
        "kill -TERM $pid; wait $pid\n"
        "cat yes.out yes.err\n" +
        copies +
        "grep -l CHANGED \"$XDG_STATE_HOME\"/quirn/* >/dev/null && echo kept-again\n"
        // No: the copy goes, and nothing is opened.
        "QUIRN_TEST_ANSWER=no QUIRN_SCRIPT='" +
        quit + "' timeout 60 " + quirn + " -NOLOGO\n" + copies;
    std::string out, err;
    int rc = UnderXvfb(script, &out, &err);
    EXPECT_EQ(rc, 0) << out << err;
    EXPECT_NE(out.find("term=0"), std::string::npos) << out << err;
    std::size_t ms = out.find("ms=");
    ASSERT_NE(ms, std::string::npos) << out << err;
    const long elapsed = std::stol(out.substr(ms + 3));
    EXPECT_LT(elapsed, 2000) << out;
    std::printf("ended %ld ms after SIGTERM\n", elapsed);
    EXPECT_EQ(test::ReadFile(tex), original);

    EXPECT_NE(out.find("copies=1\n"), std::string::npos) << out << err;
    EXPECT_NE(out.find("question: Quirn was ended before the changes to " + tex), std::string::npos)
        << out << err;
    EXPECT_NE(out.find("script: active: tex " + tex + "\nscript: line: 1\nscript: modified: 1"),
              std::string::npos)
        << out << err;
    EXPECT_NE(out.find("kept-again"), std::string::npos) << out << err;
    EXPECT_NE(out.find("script: active: none\ncopies=0\n"), std::string::npos) << out << err;
    EXPECT_EQ(test::ReadFile(tex), original);
}

// Batch print: the DVI becomes PostScript and goes to lp (a script in the
// installation's bin folder, as no printer can be had on demand); with no printer
// set up the real lp refuses, and the run says so and fails.
TEST_F(WindowTest, BatchPrintSendsPostScriptToLpOrFailsWithoutAPrinter) {
    std::string tex = dir.Write("doc/hello.tex", "Hello printer.\\bye\n");
    std::string made;
    RunCommand("cd '" + dir.File("doc") + "' && tex -interaction=batchmode hello.tex", &made);
    std::string dvi = dir.File("doc/hello.dvi");
    ASSERT_TRUE(std::filesystem::exists(dvi)) << made;
    // An installation like the build tree with lp in its bin folder.
    std::string build = test::BuildDir();
    std::string install = dir.File("install");
    std::string lp = dir.Write("install/bin/lp",
                               "#!/bin/sh\n"
                               "printf '%s\\n' \"$@\" > \"" +
                                   dir.File("lp-args") +
                                   "\"\n"
                                   "for last; do :; done\n"
                                   "cp \"$last\" \"" +
                                   dir.File("printed") + "\"\n");
    std::string mirror = "chmod +x '" + lp +
                         "'\n"
                         "for f in '" +
                         build + "'/*; do [ \"${f##*/}\" = bin ] || ln -s \"$f\" '" + install +
                         "'/; done\n"
                         "for f in '" +
                         build + "'/bin/*; do ln -s \"$f\" '" + install + "'/bin/; done\n";
    std::string script =
        mirror + "QUIRN_INSTALL_DIR='" + install + "' QUIRN_TEST_ANSWER=yes timeout 120 " +
        Program("quirn") + " -PRINT='" + dvi +
        "'; echo printed=$?\n"
        "CUPS_SERVER=\"$PWD/no-printing-system\" QUIRN_TEST_ANSWER=yes timeout 120 " +
        Program("quirn") + " -PRINT='" + dvi + "'; echo none=$?\n";
    std::string out, err;
    int rc = UnderXvfb(script, &out, &err);
    EXPECT_EQ(rc, 0) << out << err;
    EXPECT_NE(out.find("printed=0"), std::string::npos) << out << err;
    EXPECT_EQ(test::ReadFile(dir.File("lp-args")).rfind("-t\nhello.dvi\n--\n", 0), 0u);
    std::string ps = test::ReadFile(dir.File("printed"));
    EXPECT_EQ(ps.rfind("%!PS-Adobe", 0), 0u) << out << err;
    EXPECT_NE(ps.find("%%Pages: 1"), std::string::npos);

    std::string have;
    if (RunCommand("command -v lp", &have) == 0) {
        EXPECT_NE(out.find("none=1"), std::string::npos) << out << err;
        EXPECT_NE(err.find("message: Unable to print hello.dvi: no printer is set up"),
                  std::string::npos)
            << err;
    }
}

TEST_F(WindowTest, ScreenshotOfTheMainWindowIsNotBlank) {
    std::string png = dir.File("window.png");
    std::string out, err;
    int rc =
        UnderXvfb("QUIRN_SCREENSHOT='" + png + "' " + Program("quirn") + " -NOLOGO\n", &out, &err);
    EXPECT_EQ(rc, 0) << out << err;
    ASSERT_TRUE(std::filesystem::exists(png)) << out << err;
    // Keep the picture for a person to look at.
    std::string artefacts = test::BuildDir() + "/test-artefacts";
    std::filesystem::create_directories(artefacts);
    std::filesystem::copy_file(png, artefacts + "/main-window.png",
                               std::filesystem::copy_options::overwrite_existing);
    EXPECT_GT(std::filesystem::file_size(png), 2000u);
}

TEST_F(WindowTest, ABadCommandLineEndsTheProgramWithItsMessage) {
    std::string out, err;
    int rc = UnderXvfb("QUIRN_TEST_ANSWER=yes timeout 20 " + Program("quirn") +
                           " -FORMAT=latex -TEX=; echo rc=$?\n",
                       &out, &err);
    EXPECT_EQ(rc, 0);
    EXPECT_NE(out.find("rc=1"), std::string::npos) << out << err;
    EXPECT_NE(err.find("message: Invalid TEX command!"), std::string::npos) << err;
}

TEST_F(WindowTest, BatchTypesetRunsTheEngineAndEnds) {
    std::string tex = dir.Write("doc/paper.tex",
                                "\\documentclass{article}\\begin{document}\\tableofcontents\n"
                                "\\section{One}Text.\\end{document}\n");
    std::string out, err;
    int rc = UnderXvfb("QUIRN_TEST_ANSWER=yes timeout 240 " + Program("quirn") + " -TEX='" + tex +
                           "' -FORMAT=latex; echo rc=$?\n",
                       &out, &err);
    EXPECT_EQ(rc, 0);
    EXPECT_NE(out.find("rc=0"), std::string::npos) << out << err;
    EXPECT_TRUE(std::filesystem::exists(dir.File("doc/paper.dvi"))) << out << err;
    // The table of contents needed a second run, which the batch run made.
    EXPECT_NE(test::ReadFile(dir.File("doc/paper.toc")).find("One"), std::string::npos);
}

TEST(WindowProgram, HelpAndVersionAnswerOnStandardOutputWithoutADisplay) {
    const std::string quirn = "env -u DISPLAY -u WAYLAND_DISPLAY " + Program("quirn");
    std::string out, err;
    ASSERT_EQ(RunCommand(quirn + " --help", &out, &err), 0) << out << err;
    EXPECT_EQ(err, "");
    for (const char* option : {"-NOLOGO", "-PRINT=", "-TEX=", "-TEXMODE=", "-FORMAT=", "-WORKDIR=",
                               "-OR=", "-PAPER=", "-W=", "-H=", "[FILE]", "--version"})
        EXPECT_NE(out.find(option), std::string::npos) << option << "\n" << out;
    EXPECT_EQ(out.find("Invalid"), std::string::npos) << out;

    ASSERT_EQ(RunCommand(quirn + " --version", &out, &err), 0) << out << err;
    EXPECT_EQ(out, "quirn " QUIRN_VERSION "\n");
    EXPECT_EQ(err, "");

    // Among other arguments, too: nothing is opened or started.
    ASSERT_EQ(RunCommand(quirn + " -NOLOGO paper.tex --version --help", &out, &err), 0) << err;
    EXPECT_EQ(out, "quirn " QUIRN_VERSION "\n");
}

}  // namespace
}  // namespace quirn

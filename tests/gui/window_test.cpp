// Starts the window application on a virtual display (Xvfb) and checks start-up,
// the hand-over from a second start, a clean exit that saves the settings, and a
// screenshot of the main window; and the usage and version, which need no display.
#include <gtest/gtest.h>

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
    // Runs a shell script under a fresh virtual display; the toolkit must not complain.
    int UnderXvfb(const std::string& script, std::string* out, std::string* err) {
        std::string path = dir.Write("script.sh", script);
        int rc = RunCommand(env + "xvfb-run -a -s '-screen 0 1280x900x24' sh " + path, out, err);
        EXPECT_EQ(ToolkitWarnings(*err), "");
        return rc;
    }
    test::TempDir dir;
    std::string env;
};

TEST_F(WindowTest, SecondStartHandsOverAndTheFirstExitsCleanlyWithItsSettingsSaved) {
    std::string quirn = Program("quirn");
    std::string script = quirn +
                         " -NOLOGO &\n"
                         "first=$!\n"
                         "for i in $(seq 1 150); do [ -S \"$XDG_RUNTIME_DIR/quirn-$(id -u).sock\" "
                         "] && break; sleep 0.1; done\n"
                         "[ -S \"$XDG_RUNTIME_DIR/quirn-$(id -u).sock\" ] || { echo no-socket; "
                         "kill $first; exit 3; }\n"
                         "timeout 20 " +
                         quirn +
                         " other.tex; echo second=$?\n"
                         "kill -0 $first && echo first-alive\n"
                         "kill -TERM $first; wait $first; echo first=$?\n";
    std::string out, err;
    int rc = UnderXvfb(script, &out, &err);
    EXPECT_EQ(rc, 0) << out << err;
    EXPECT_NE(out.find("second=0"), std::string::npos) << out << err;
    EXPECT_NE(out.find("first-alive"), std::string::npos) << out << err;
    EXPECT_NE(out.find("first=0"), std::string::npos) << out << err;
    std::string store = test::ReadFile(dir.File("config/user.store"));
    EXPECT_NE(store.find("int \"ShowCmd\""), std::string::npos) << store;
    EXPECT_NE(store.find("text \"TeXEngine6\" \"pdfetex\""), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.File("quirn-0.sock")));
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

// One Typeset click in the window for a document whose package is not installed: the
// run stops at the missing file, the package is installed from a local archive, and
// the run goes on to the pages.
#include <gtest/gtest.h>

#include <filesystem>

#include "gui/window_program.h"
#include "support/test_support.h"

namespace quirn::gui {
namespace {

namespace fs = std::filesystem;
using namespace test_window;

TEST(PackagesWindow, OneTypesetClickInstallsTheMissingPackage) {
    if (!HaveXvfb())
        GTEST_SKIP() << "no Xvfb";
    test::TempDir dir;
    dir.Write("tree/tex/latex/quirnwin/quirnwin.sty",
              "\\ProvidesPackage{quirnwin}\\newcommand\\quirnwin{Installed on the way.}\n");
    std::string out, err;
    ASSERT_EQ(
        test::RunCommand(test::Program("quirn-cli") + " tpm pack '" + dir.File("tree") +
                             "' quirnwin -o '" + dir.File("data/quirn/tpm/quirnwin.zip") + "'",
                         &out, &err),
        0)
        << err;
    dir.Write("data/quirn/tpm/jitdb.txt", "ID: window\nName: quirnwin\nFiles: quirnwin.sty \n");
    const std::string tex = dir.Write("doc/paper.tex",
                                      "\\documentclass{article}\n\\usepackage{quirnwin}\n"
                                      "\\begin{document}\n\\quirnwin\n\\end{document}\n");
    ScriptRun run = RunScript(dir, "open " + tex + "\ntypeset\nwait-typeset\nwait 500\nquit\n");
    EXPECT_EQ(ToolkitWarnings(run.err), "");
    EXPECT_NE(run.err.find("question: The typesetter couldn't find the file `quirnwin.sty'"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("question: Found it!\nYou need package: quirnwin\n"), std::string::npos)
        << run.err;
    EXPECT_TRUE(fs::exists(dir.File("data/quirn/texmf/tex/latex/quirnwin/quirnwin.sty")));
    EXPECT_TRUE(fs::exists(dir.File("doc/paper.dvi"))) << run.out << run.err;
}

}  // namespace
}  // namespace quirn::gui

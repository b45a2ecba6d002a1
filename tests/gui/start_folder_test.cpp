// Names given on the command line, in QUIRN_SCRIPT and in the script's steps are
// relative to the folder the program was started in: started from a terminal in the
// document's folder, "quirn -TEX=paper.tex" typesets it and "quirn paper.tex" opens it.
#include <gtest/gtest.h>

#include <filesystem>

#include "gui/window_program.h"
#include "support/test_support.h"

namespace quirn {
namespace {

using test::Program;
using test::RunCommand;

TEST(WindowStartFolder, RelativeNamesOnTheCommandLineAndInTheScript) {
    std::string have;
    if (RunCommand("command -v xvfb-run && command -v Xvfb", &have) != 0)
        GTEST_SKIP() << "Xvfb is not installed";
    test::TempDir dir;
    const std::string paper = dir.Write("doc/paper.tex",
                                        "\\documentclass{article}\n"
                                        "\\begin{document}\nFrom the start folder.\n"
                                        "\\end{document}\n");
    const std::string other = dir.Write("doc/notes/other.tex", "Notes.\n");
    dir.Write("doc/steps.txt", "report\nopen notes/other.tex\nreport\nquit\n");

    const std::string env = "QUIRN_CONFIG_DIR='" + dir.File("config") + "' XDG_RUNTIME_DIR='" +
                            dir.Path() + "' TMPDIR='" + dir.Path() + "' XDG_DATA_HOME='" +
                            dir.File("data") + "' QUIRN_TEST_ANSWER=yes ";
    const std::string quirn = "timeout 60 " + Program("quirn");
    std::string run =
        dir.Write("run.sh", "cd '" + dir.File("doc") + "' || exit 9\n" + env + quirn +
                                " -TEX=paper.tex; echo batch=$?\n" + env +
                                "QUIRN_SCRIPT=steps.txt " + quirn + " paper.tex; echo window=$?\n");
    std::string out, err;
    int rc = RunCommand("xvfb-run -a -s '-screen 0 1280x900x24' sh " + run, &out, &err);
    ASSERT_EQ(rc, 0) << out << err;

    // The batch run typeset the document in its folder and ended by itself.
    EXPECT_NE(out.find("batch=0"), std::string::npos) << out << err;
    EXPECT_TRUE(std::filesystem::exists(dir.File("doc/paper.dvi"))) << out << err;

    // The window opened the file named on the command line, read the script named
    // relative to the folder, and opened the script's relative name from there too.
    EXPECT_NE(out.find("window=0"), std::string::npos) << out << err;
    EXPECT_EQ(err.find("message: "), std::string::npos) << err;
    EXPECT_EQ(gui::test_window::ToolkitWarnings(err), "");
    const std::size_t first = out.find("script: active: tex " + paper + "\n");
    EXPECT_NE(first, std::string::npos) << out << err;
    EXPECT_NE(out.find("script: active: tex " + other + "\n", first), std::string::npos)
        << out << err;
}

}  // namespace
}  // namespace quirn

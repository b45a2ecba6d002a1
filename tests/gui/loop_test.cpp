// The edit-typeset-view loop in the window, driven by a script on a virtual display:
// open a document, typeset it with the real engine, read the pages in the page view
// (zoom, page moves), jump from a source line to its page and back, then introduce an
// error and follow the error question back to the editor at the faulty line.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "gui/window_program.h"
#include "support/test_support.h"

namespace quirn {
namespace {

using gui::test_window::HaveXvfb;
using gui::test_window::Reported;
using gui::test_window::Reports;
using gui::test_window::RunScript;
using gui::test_window::ScriptRun;
using gui::test_window::ToolkitWarnings;

TEST(WindowLoop, TypesetViewZoomPageThenFollowAnErrorToItsLine) {
    if (!HaveXvfb())
        GTEST_SKIP() << "Xvfb is not installed";
    test::TempDir dir;
    std::string tex = dir.Write("doc/paper.tex",
                                "\\documentclass{article}\n"
                                "\\usepackage{color}\n"
                                "\\begin{document}\n"
                                "\\section{One} Text one, \\textcolor{red}{in red}.\n"
                                "\\newpage\n"
                                "\\section{Two} Text two.\n"
                                "\\newpage\n"
                                "\\section{Three} Text three.\n"
                                "\\end{document}\n");
    std::string shot = dir.File("view.png");
    ScriptRun run = RunScript(dir, "open " + tex +
                                       "\n"
                                       "typeset\n"
                                       "wait-typeset\n"
                                       "wait 1500\n"
                                       // The pages beside the editor, into the keys.
                                       "open " +
                                       dir.File("doc/paper.dvi") +
                                       "\n"
                                       "report\n"
                                       "menu 59201\n"
                                       "menu 31219\n"
                                       "wait 300\n"
                                       "report\n"
                                       "screenshot " +
                                       shot +
                                       "\n"
                                       "menu 31216\n"
                                       "menu 32782\n"
                                       "wait 300\n"
                                       "report\n"
                                       // Forward search from line 6 (F8)...
                                       "open " +
                                       tex +
                                       "\n"
                                       "goto-line 6\n"
                                       "menu 25012\n"
                                       "wait 500\n"
                                       "report\n"
                                       // ...and back from the pointer (F8
                                       // in the viewer), caret moved away.
                                       "open " +
                                       tex +
                                       "\n"
                                       "goto-line 1\n"
                                       "open " +
                                       dir.File("doc/paper.dvi") +
                                       "\n"
                                       "menu 25012\n"
                                       "wait 300\n"
                                       "report\n"
                                       "open " +
                                       tex +
                                       "\n"
                                       "goto-line 6\n"
                                       "insert \\undefinedthing \n"
                                       "typeset\n"
                                       "wait-typeset\n"
                                       "wait 500\n"
                                       "report\n"
                                       "quit\n");
    const std::string& out = run.out;
    const std::string& err = run.err;
    ASSERT_EQ(run.status, 0) << out << err;
    EXPECT_EQ(err.find("assertion: "), std::string::npos) << err;
    EXPECT_EQ(ToolkitWarnings(err), "");

    // After the run the page view shows page 1 of the three.
    std::size_t first = out.find("script: indicator: Page 1 of 3");
    EXPECT_NE(first, std::string::npos) << out << err;
    EXPECT_NE(out.find("script: active: viewer " + dir.File("doc/paper.dvi")), std::string::npos)
        << out;
    // The new view shows page 1 from its top edge.
    std::vector<std::string> reports = Reports(out);
    ASSERT_GE(reports.size(), 6u) << out;
    EXPECT_NE(reports[0].find("scroll-y: 0\n"), std::string::npos) << reports[0];
    // Page width zoom, next page: page 2, with ink on the screen.
    EXPECT_NE(out.find("script: indicator: Page 2 of 3"), std::string::npos) << out;
    EXPECT_NE(out.find("script: state: 1 -2"), std::string::npos) << out;
    // Zoom down from the fitted resolution and go to the last page.
    EXPECT_NE(out.find("script: indicator: Page 3 of 3"), std::string::npos) << out;
    EXPECT_GT(std::stol(Reported(out, "dark").empty() ? "0" : Reported(out, "dark")), 0) << out;

    // The forward search brought page 2 of 3 into view, the inverse search at the
    // pointer it placed went back to line 6 of the source.
    EXPECT_NE(reports[3].find("indicator: Page 2 of 3"), std::string::npos) << reports[3];
    EXPECT_NE(reports[4].find("active: tex " + tex), std::string::npos) << reports[4];
    EXPECT_NE(reports[4].find("line: 6\n"), std::string::npos) << reports[4];

    // The error question was answered yes: the editor shows line 6 of the source.
    EXPECT_NE(err.find("question: "), std::string::npos) << err;
    EXPECT_EQ(Reported(out, "active"), "tex " + tex) << out << err;
    EXPECT_EQ(Reported(out, "line"), "6") << out << err;

    ASSERT_TRUE(std::filesystem::exists(shot)) << out << err;
    std::string artefacts = test::BuildDir() + "/test-artefacts";
    std::filesystem::create_directories(artefacts);
    std::filesystem::copy_file(shot, artefacts + "/page-view.png",
                               std::filesystem::copy_options::overwrite_existing);
}

}  // namespace
}  // namespace quirn

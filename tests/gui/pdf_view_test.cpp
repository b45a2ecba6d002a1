// A PDF-mode run previewed in Quirn's own page view: beside the source, drawn, kept at
// its page and zoom when the run is repeated, and reached by forward search.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/window_program.h"
#include "support/test_support.h"

namespace quirn {
namespace {

using gui::test_window::AllReported;
using gui::test_window::HaveXvfb;
using gui::test_window::QuirnEnvironment;
using gui::test_window::RunScript;
using gui::test_window::ScriptRun;
using gui::test_window::ToolkitWarnings;

TEST(WindowPdfView, PdfRunIsPreviewedReloadedInPlaceAndFoundByForwardSearch) {
    if (!HaveXvfb())
        GTEST_SKIP() << "Xvfb is not installed";
    test::TempDir dir;
    std::string out;
    ASSERT_EQ(test::RunCommand(QuirnEnvironment(dir) + "'" + test::Program("quirn-cli") +
                                   "' settings write '/HKCU/Software/Tolvane Inc/Quirn6/Typeset/"
                                   "Mode' PDF",
                               &out),
              0)
        << out;
    const std::string tex = dir.Write("doc/paper.tex",
                                      "\\documentclass{article}\n"
                                      "\\begin{document}\n"
                                      "\\section{One} Text one.\n"
                                      "\\newpage\n"
                                      "\\section{Two} Text two.\n"
                                      "\\newpage\n"
                                      "\\section{Three} Text three.\n"
                                      "\\end{document}\n");
    const std::string pdf = dir.File("doc/paper.pdf");
    ScriptRun run = RunScript(dir, "open " + tex +
                                       "\n"
                                       "typeset\n"
                                       "wait-typeset\n"
                                       "wait 1500\n"
                                       "panes\n"
                                       // To the pages: page 2, the whole page in sight.
                                       "key Ctrl+Tab\n"
                                       "wait 300\n"
                                       "menu 31219\n"
                                       "menu 59200\n"
                                       "wait 300\n"
                                       "report\n"
                                       // Back to the source, typeset again: same page and zoom.
                                       "key Ctrl+Tab\n"
                                       "wait 300\n"
                                       "typeset\n"
                                       "wait-typeset\n"
                                       "wait 1500\n"
                                       "key Ctrl+Tab\n"
                                       "wait 300\n"
                                       "report\n"
                                       // Forward search from line 7 (F8) shows page 3.
                                       "key Ctrl+Tab\n"
                                       "wait 300\n"
                                       "goto-line 7\n"
                                       "menu 25012\n"
                                       "wait 800\n"
                                       "report\n"
                                       "quit\n");
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(ToolkitWarnings(run.err), "");
    // The run's PDF sits in a pane of its own beside the source.
    const std::vector<std::string> panes = AllReported(run.out, "pane");
    ASSERT_EQ(panes.size(), 2u) << run.out << run.err;
    EXPECT_EQ(panes[0].substr(0, 4), "tex ") << run.out;
    EXPECT_EQ(panes[1].substr(0, 7), "viewer ") << run.out;

    const std::vector<std::string> active = AllReported(run.out, "active");
    const std::vector<std::string> indicator = AllReported(run.out, "indicator");
    const std::vector<std::string> state = AllReported(run.out, "state");
    const std::vector<std::string> dark = AllReported(run.out, "dark");
    ASSERT_EQ(active.size(), 3u) << run.out << run.err;
    ASSERT_EQ(indicator.size(), 3u) << run.out << run.err;
    ASSERT_EQ(indicator.size(), 3u);
    for (const std::string& a : active)
        EXPECT_EQ(a, "viewer " + pdf) << run.out;
    // Drawn (ink on the screen), on page 2 after the move.
    EXPECT_GT(std::stol(dark[0]), 10) << run.out;
    EXPECT_EQ(indicator[0], "Page 2 of 3");
    EXPECT_EQ(state[0], "1 -1");
    // The second run keeps page and zoom, and the pages are drawn again.
    EXPECT_EQ(indicator[1], "Page 2 of 3");
    EXPECT_EQ(state[1], state[0]);
    EXPECT_GT(std::stol(dark[1]), 10) << run.out;
    // Forward search.
    EXPECT_EQ(indicator[2], "Page 3 of 3") << run.out;
    EXPECT_EQ(run.err.find("message:"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace quirn

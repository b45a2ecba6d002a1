// PostScript in the window: a LaTeX page with an EPS figure shows the figure once the
// interpreter is done (glyphs first, the figure filled in), and EPS and PostScript
// files open in page views of their own.
#include <gtest/gtest.h>

#include "gui/window_program.h"

namespace quirn::gui::test_window {
namespace {

TEST(WindowPostScript, FiguresFillInAndPostScriptFilesOpenInPageViews) {
    if (!HaveXvfb())
        GTEST_SKIP() << "Xvfb is not installed";
    test::TempDir dir;
    // A black box of 2 by 1 inches.
    const std::string eps = dir.Write("figs/box.eps",
                                      "%!PS-Adobe-3.0 EPSF-3.0\n"
                                      "%%BoundingBox: 0 0 144 72\n"
                                      "0 0 144 72 rectfill\n%%EOF\n");
    dir.Write("paper.tex",
              "\\documentclass{article}\\usepackage{graphicx}\\begin{document}\n"
              "Before \\includegraphics{figs/box.eps} after.\\end{document}\n");
    std::string out;
    test::RunCommand("cd '" + dir.Path() + "' && latex -interaction=nonstopmode paper.tex", &out);
    const std::string ps = dir.Write("two.ps",
                                     "%!PS-Adobe-3.0\n%%Pages: 2\n%%EndProlog\n"
                                     "%%Page: 1 1\n72 576 144 144 rectfill showpage\n"
                                     "%%Page: 2 2\nshowpage\n%%Trailer\n%%EOF\n");
    ScriptRun run =
        RunScript(dir, "open " + dir.File("paper.dvi") + "\nwait 4000\nreport\nopen " + eps +
                           "\nwait 3000\nreport\nopen " + ps + "\nwait 3000\nreport\nquit\n");
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(ToolkitWarnings(run.err), "");
    const std::vector<std::string> active = AllReported(run.out, "active");
    const std::vector<std::string> dark = AllReported(run.out, "dark");
    const std::vector<std::string> pages = AllReported(run.out, "indicator");
    ASSERT_EQ(dark.size(), 3u) << run.out << run.err;
    // The figure is some 2 x 1 inches of ink at the view's resolution (at least 50 dpi).
    EXPECT_GT(std::stoi(dark[0]), 2 * 50 * 50) << run.out;
    EXPECT_EQ(active[1], "viewer " + eps);
    EXPECT_GT(std::stoi(dark[1]), 2 * 50 * 50) << run.out;
    EXPECT_EQ(active[2], "viewer " + ps);
    EXPECT_EQ(pages[2], "Page 1 of 2");
    // Its pane is narrower by now: the box is there, if smaller.
    EXPECT_GT(std::stoi(dark[2]), 300) << run.out;
}

}  // namespace
}  // namespace quirn::gui::test_window

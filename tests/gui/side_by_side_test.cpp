// The source and its pages side by side: Typeset opens the page view in a pane of its
// own on the right while the editor keeps the keys, a forward search keeps both in
// sight, and the window keys move between the document windows.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "gui/window_program.h"
#include "support/test_support.h"

namespace quirn {
namespace {

using gui::test_window::AllReported;
using gui::test_window::HaveXvfb;
using gui::test_window::Reported;
using gui::test_window::RunScript;
using gui::test_window::ScriptRun;
using gui::test_window::ToolkitWarnings;

struct Pane {
    std::string kind;
    int x = 0, y = 0, width = 0, height = 0;
    std::string shown;
    int scrollY = -1;
};

Pane ReadPane(const std::string& text) {
    Pane p;
    std::istringstream in(text);
    std::string word;
    in >> p.kind >> p.x >> p.y >> p.width >> p.height >> p.shown;
    if (in >> word && word == "scroll-y")
        in >> p.scrollY;
    return p;
}

// The panes of the `n`th "panes" step (two lines each: the source and the pages).
std::vector<Pane> PanesOfStep(const std::vector<std::string>& panes, std::size_t n) {
    std::vector<Pane> out;
    for (std::size_t i = 2 * n; i < 2 * n + 2 && i < panes.size(); ++i)
        out.push_back(ReadPane(panes[i]));
    return out;
}

void ExpectSideBySide(const std::vector<Pane>& panes, const std::string& what) {
    ASSERT_EQ(panes.size(), 2u) << what;
    const Pane& tex = panes[0].kind == "tex" ? panes[0] : panes[1];
    const Pane& pages = panes[0].kind == "tex" ? panes[1] : panes[0];
    EXPECT_EQ(tex.kind, "tex") << what;
    EXPECT_EQ(pages.kind, "viewer") << what;
    EXPECT_EQ(tex.shown, "shown") << what;
    EXPECT_EQ(pages.shown, "shown") << what;
    EXPECT_GT(tex.width, 100) << what;
    EXPECT_GT(pages.width, 100) << what;
    // The source on the left, the pages on the right, not overlapping.
    EXPECT_LE(tex.x + tex.width, pages.x) << what;
}

TEST(WindowSideBySide, TypesetShowsThePagesBesideTheSourceWhichKeepsTheKeys) {
    if (!HaveXvfb())
        GTEST_SKIP() << "Xvfb is not installed";
    test::TempDir dir;
    std::string tex = dir.Write("doc/paper.tex",
                                "\\documentclass{article}\n"
                                "\\begin{document}\n"
                                "\\section{One} Text one.\n"
                                "\\newpage\n"
                                "\\section{Two} Text two.\n"
                                "\\end{document}\n");
    ScriptRun run = RunScript(dir, "open " + tex +
                                       "\n"
                                       "typeset\n"
                                       "wait-typeset\n"
                                       "wait 1500\n"
                                       "panes\n"
                                       "report\n"
                                       // Typeset again: the open view is refreshed in place.
                                       "typeset\n"
                                       "wait-typeset\n"
                                       "wait 1000\n"
                                       "panes\n"
                                       // Forward search from line 5 (F8).
                                       "goto-line 5\n"
                                       "menu 25012\n"
                                       "wait 800\n"
                                       "panes\n"
                                       "report\n"
                                       "quit\n");
    const std::string& out = run.out;
    const std::string& err = run.err;
    ASSERT_EQ(run.status, 0) << out << err;
    EXPECT_EQ(ToolkitWarnings(err), "");
    std::vector<std::string> panes = AllReported(out, "pane");
    std::vector<std::string> focus = AllReported(out, "focus");
    ASSERT_EQ(panes.size(), 6u) << out << err;
    ASSERT_EQ(focus.size(), 3u) << out << err;

    // After Typeset: both in sight, the editor keeps the keys, page 1 from its top.
    std::vector<Pane> first = PanesOfStep(panes, 0);
    ExpectSideBySide(first, "after typeset");
    EXPECT_EQ(focus[0], "tex") << out;
    EXPECT_EQ(first[1].scrollY, 0) << out;
    EXPECT_NE(out.find("script: active: tex " + tex), std::string::npos) << out;

    // Typeset again: the same two panes, the editor still has the keys.
    ExpectSideBySide(PanesOfStep(panes, 1), "after the second typeset");
    EXPECT_EQ(focus[1], "tex") << out;

    // The forward search shows page 2 in the page view, the source still in sight.
    ExpectSideBySide(PanesOfStep(panes, 2), "after the forward search");
    EXPECT_EQ(Reported(out, "indicator"), "Page 2 of 2") << out;
}

}  // namespace
}  // namespace quirn

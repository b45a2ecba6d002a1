// The source and its pages side by side: Typeset opens the page view in a pane of its
// own on the right while the editor keeps the keys, a forward search keeps both in
// sight, and the window keys move between the document windows.
#include <gtest/gtest.h>
#include <wx/defs.h>

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
    // The pages came forward and take the keys.
    EXPECT_EQ(focus[2], "viewer") << out;
}

// The Window menu: the list of open windows, Ctrl+Tab and Ctrl+Shift+Tab from one to
// the next, tiling one above the other and back into one pane.
TEST(WindowSideBySide, WindowMenuListsMovesTilesAndCascades) {
    if (!HaveXvfb())
        GTEST_SKIP() << "Xvfb is not installed";
    test::TempDir dir;
    std::string tex = dir.Write("doc/note.tex",
                                "\\documentclass{article}\\begin{document}Note.\\end{document}\n");
    std::string other = dir.Write(
        "doc/other.tex", "\\documentclass{article}\\begin{document}Other.\\end{document}\n");
    const std::string dvi = dir.File("doc/note.dvi");
    const std::string tileHorizontally = std::to_string(wxID_MDI_WINDOW_TILE_HORZ);
    const std::string cascade = std::to_string(wxID_MDI_WINDOW_CASCADE);
    ScriptRun run = RunScript(dir, "open " + other + "\nopen " + tex +
                                       "\n"
                                       "typeset\n"
                                       "wait-typeset\n"
                                       "wait 1000\n"
                                       "window-menu\n"
                                       "key Ctrl+Tab\n"
                                       "wait 300\n"
                                       "report\n"
                                       "key Ctrl+Tab\n"
                                       "wait 300\n"
                                       "report\n"
                                       "key Ctrl+Shift+Tab\n"
                                       "wait 300\n"
                                       "report\n"
                                       "menu " +
                                       cascade +
                                       "\n"
                                       "wait 300\n"
                                       "panes\n"
                                       "menu " +
                                       tileHorizontally +
                                       "\n"
                                       "wait 300\n"
                                       "panes\n"
                                       "quit\n");
    const std::string& out = run.out;
    const std::string& err = run.err;
    ASSERT_EQ(run.status, 0) << out << err;
    EXPECT_EQ(ToolkitWarnings(err), "");

    // Three windows, in the order they were opened, the editor of note.tex active.
    EXPECT_EQ(AllReported(out, "window-item"),
              (std::vector<std::string>{"Tile &Vertically", "Tile &Horizontally", "&Cascade",
                                        "&Next Window", "&Previous Window", "&1 other.tex",
                                        "* &2 note.tex", "&3 note.dvi"}))
        << out;
    // Ctrl+Tab: the pages, then round to the first window; Ctrl+Shift+Tab back.
    std::vector<std::string> active = AllReported(out, "active");
    ASSERT_EQ(active.size(), 3u) << out << err;
    EXPECT_EQ(active[0], "viewer " + dvi);
    EXPECT_EQ(active[1], "tex " + other);
    EXPECT_EQ(active[2], "viewer " + dvi);

    std::vector<std::string> panes = AllReported(out, "pane");
    ASSERT_EQ(panes.size(), 6u) << out << err;
    // Cascade: one pane, only the active window in sight.
    int shown = 0;
    for (int i = 0; i < 3; ++i)
        shown += ReadPane(panes[static_cast<size_t>(i)]).shown == "shown";
    EXPECT_EQ(shown, 1) << out;
    // Tiled one above the other: all three in sight, stacked without overlapping.
    std::vector<Pane> tiled;
    for (int i = 3; i < 6; ++i)
        tiled.push_back(ReadPane(panes[static_cast<size_t>(i)]));
    for (const Pane& p : tiled)
        EXPECT_EQ(p.shown, "shown") << out;
    for (std::size_t i = 0; i < tiled.size(); ++i) {
        for (std::size_t j = 0; j < tiled.size(); ++j) {
            if (i != j && tiled[i].y < tiled[j].y) {
                EXPECT_LE(tiled[i].y + tiled[i].height, tiled[j].y) << out;
            }
        }
    }
}

// Opening a source whose typeset pages are newer than it opens both, side by side, the
// editor with the keys; a source changed since it was typeset opens alone. The pages
// of a second document join the first one's pane on the right instead of making a
// third column.
TEST(WindowSideBySide, OpeningASourceWithNewerPagesOpensBoth) {
    if (!HaveXvfb())
        GTEST_SKIP() << "Xvfb is not installed";
    test::TempDir dir;
    const std::string body = "\\documentclass{article}\\begin{document}Text.\\end{document}\n";
    std::string stale = dir.Write("doc/stale.tex", body);
    std::string fresh = dir.Write("doc/fresh.tex", body);
    std::string second = dir.Write("doc/second.tex", body);
    std::string made;
    ASSERT_EQ(test::RunCommand("cd '" + dir.File("doc") +
                                   "' && latex -interaction=batchmode stale.tex && latex "
                                   "-interaction=batchmode fresh.tex && latex "
                                   "-interaction=batchmode second.tex && touch -d '+1 minute' "
                                   "stale.tex",
                               &made),
              0)
        << made;
    ScriptRun run = RunScript(dir, "open " + stale + "\nwait 1000\npanes\nopen " + fresh +
                                       "\nwait 1500\npanes\nreport\nopen " + second +
                                       "\nwait 1500\npanes\nquit\n");
    const std::string& out = run.out;
    const std::string& err = run.err;
    ASSERT_EQ(run.status, 0) << out << err;
    EXPECT_EQ(ToolkitWarnings(err), "");
    std::vector<std::string> panes = AllReported(out, "pane");
    ASSERT_EQ(panes.size(), 9u) << out << err;
    EXPECT_EQ(ReadPane(panes[0]).kind, "tex") << out;
    // stale.tex, now hidden behind fresh.tex; fresh.tex and its pages side by side.
    ExpectSideBySide({ReadPane(panes[2]), ReadPane(panes[3])}, "fresh.tex and its pages");
    EXPECT_EQ(AllReported(out, "focus")[1], "tex") << out;
    EXPECT_EQ(Reported(out, "active"), "tex " + fresh) << out;
    // second.tex and its pages in sight, in the same two columns: its pages in front of
    // fresh.tex's, in the same place.
    ExpectSideBySide({ReadPane(panes[7]), ReadPane(panes[8])}, "second.tex and its pages");
    const Pane freshPages = ReadPane(panes[6]);
    const Pane secondPages = ReadPane(panes[8]);
    EXPECT_EQ(freshPages.kind, "viewer") << out;
    EXPECT_EQ(freshPages.shown, "hidden") << out;
    EXPECT_EQ(freshPages.x, secondPages.x) << out;
    EXPECT_EQ(freshPages.width, secondPages.width) << out;
}

// The pages' pane keeps the width the user gave it: the program starts with the share of
// the width saved when it last ended, and saves the share it ends with.
TEST(WindowSideBySide, ThePagePaneKeepsItsWidthFromOneSessionToTheNext) {
    if (!HaveXvfb())
        GTEST_SKIP() << "Xvfb is not installed";
    test::TempDir dir;
    std::string tex = dir.Write("doc/paper.tex",
                                "\\documentclass{article}\\begin{document}Text.\\end{document}\n");
    std::string made;
    ASSERT_EQ(test::RunCommand(
                  "cd '" + dir.File("doc") + "' && latex -interaction=batchmode paper.tex", &made),
              0)
        << made;
    const std::string key = "'/HKCU/Software/Tolvane Inc/Quirn6/Window/PagePaneStart'";
    const std::string cli = "QUIRN_CONFIG_DIR='" + dir.File("config") + "' '" +
                            test::Program("quirn-cli") + "' settings ";
    ASSERT_EQ(test::RunCommand(cli + "write " + key + " 300 --int", &made), 0) << made;
    ScriptRun run = RunScript(dir, "open " + tex + "\nwait 1500\npanes\nquit\n");
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(ToolkitWarnings(run.err), "");
    std::vector<std::string> panes = AllReported(run.out, "pane");
    ASSERT_EQ(panes.size(), 2u) << run.out;
    const Pane source = ReadPane(panes[0]);
    const Pane pages = ReadPane(panes[1]);
    ExpectSideBySide({source, pages}, "restored");
    // The source has about three tenths of the width, the pages the rest.
    const double share =
        static_cast<double>(pages.x - source.x) / (pages.x + pages.width - source.x);
    EXPECT_NEAR(share, 0.3, 0.05) << run.out;
    std::string saved;
    ASSERT_EQ(test::RunCommand(cli + "read " + key, &saved), 0);
    EXPECT_NEAR(std::stoi(saved), 300, 50) << saved;
}

}  // namespace
}  // namespace quirn

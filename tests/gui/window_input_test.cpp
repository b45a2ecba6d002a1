// The window's answers to the mouse and the keyboard, with real events sent through the
// display server on a virtual display: right-clicks in the editor once a page view has
// been shown, the menus' shortcuts typed in the editor (Ctrl+S saves, Ctrl+T typesets),
// and the main window's title following the active document and its modified mark.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/window_program.h"
#include "support/test_support.h"

namespace quirn {
namespace {

using gui::test_window::AllReported;
using gui::test_window::HaveXvfb;
using gui::test_window::Reports;
using gui::test_window::RunScript;
using gui::test_window::ScriptRun;
using gui::test_window::ToolkitWarnings;

TEST(WindowInput, RightClickShortcutsAndTitleInTheEditorAfterAPageView) {
    if (!HaveXvfb())
        GTEST_SKIP() << "Xvfb is not installed";
    test::TempDir dir;
    const std::string tex = dir.Write("paper.tex",
                                      "\\documentclass{article}\n"
                                      "\\begin{document}\n"
                                      "First line.\n"
                                      "\n"
                                      "Second line.\n"
                                      "\\end{document}\n");
    const std::string dvi = dir.File("paper.dvi");
    const std::string steps = "open " + tex +
                              "\n"
                              "typeset\n"
                              "wait-typeset\n"
                              "wait 1000\n"
                              "title\n"
                              // Back in the editor, with the page view still open.
                              "open " +
                              tex +
                              "\n"
                              "wait 300\n"
                              "title\n"
                              "right-click\n"
                              "wait 500\n"
                              "key Escape\n"
                              "wait 300\n"
                              "right-click\n"
                              "wait 500\n"
                              "key Escape\n"
                              "wait 300\n"
                              "report\n"
                              // A second page, then the shortcuts.
                              "goto-line 4\n"
                              "insert \\clearpage\\n\n"
                              "wait 300\n"
                              "title\n"
                              "key Ctrl+S\n"
                              "wait 500\n"
                              "title\n"
                              "report\n"
                              "key Ctrl+T\n"
                              "wait 500\n"
                              "wait-typeset\n"
                              "wait 1000\n"
                              "report\n"
                              "title\n"
                              "open " +
                              dvi +
                              "\n"
                              "wait 300\n"
                              "report\n"
                              "quit\n";
    ScriptRun run = RunScript(dir, steps);
    const std::string& out = run.out;
    const std::string& err = run.err;
    ASSERT_EQ(run.status, 0) << out << err;
    EXPECT_EQ(err.find("assertion: "), std::string::npos) << err;
    EXPECT_EQ(ToolkitWarnings(err), "");

    // The title names the active document, with the mark its window shows; Typeset
    // leaves the editor active, the pages beside it.
    const std::string dash = " \xE2\x80\x94 Quirn";
    EXPECT_EQ(
        AllReported(out, "title"),
        (std::vector<std::string>{"paper.tex" + dash, "paper.tex" + dash, "paper.tex *" + dash,
                                  "paper.tex" + dash, "paper.tex" + dash}))
        << out;

    std::vector<std::string> reports = Reports(out);
    ASSERT_EQ(reports.size(), 4u) << out << err;
    // The right-clicks left the editor alive and its text untouched.
    EXPECT_NE(reports[0].find("active: tex " + tex), std::string::npos) << reports[0];
    EXPECT_NE(reports[0].find("modified: 0"), std::string::npos) << reports[0];
    // Ctrl+S saved the edit: nothing left to ask about when the window closed.
    EXPECT_NE(reports[1].find("modified: 0"), std::string::npos) << reports[1];
    EXPECT_EQ(err.find("question: Do you want to save"), std::string::npos) << err;
    // Ctrl+T typeset the saved text (now two pages) and showed it, lines in place.
    EXPECT_NE(reports[2].find("active: tex " + tex), std::string::npos) << reports[2];
    EXPECT_NE(reports[3].find("active: viewer " + dvi), std::string::npos) << reports[3];
    EXPECT_NE(reports[3].find("indicator: Page 1 of 2"), std::string::npos) << reports[3];
    EXPECT_EQ(test::ReadFile(tex),
              "\\documentclass{article}\n"
              "\\begin{document}\n"
              "First line.\n"
              "\\clearpage\n"
              "\n"
              "Second line.\n"
              "\\end{document}\n");
}

}  // namespace
}  // namespace quirn

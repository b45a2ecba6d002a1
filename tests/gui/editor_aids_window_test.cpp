// What a TeX editor is expected to show, in the window: line numbers, the current line
// and folds in the editor's margins; after a run the errors-and-warnings list, its
// marks in the margin, the error's own line marked in the output window and a click
// that opens the file at the line; F8 showing the place a third of the way down with a
// mark that fades; page views centring narrow pages, Ctrl+0 and the dark-page mode.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

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

bool Contains(const std::string& text, const std::string& what) {
    return text.find(what) != std::string::npos;
}

TEST(WindowEditorAids, MarginsProblemListForwardMarkAndPageViewKeys) {
    if (!HaveXvfb())
        GTEST_SKIP() << "Xvfb is not installed";
    test::TempDir dir;
    std::string tex = dir.Write("doc/paper.tex",
                                "\\documentclass[a5paper]{article}\n"
                                "\\begin{document}\n"
                                "\\section{One}\n"
                                "See \\ref{nolabel}.\n"
                                "\\begin{itemize}\n"
                                "\\item \\hbox to 10pt{An overfull box, far too wide}\n"
                                "\\end{itemize}\n"
                                "\\section{Two}\n"
                                "Text two.\n"
                                "\\end{document}\n");
    std::string chap = dir.Write("doc/chap1.tex", "Chapter.\n");
    ScriptRun run = RunScript(dir, "open " + tex +
                                       "\n"
                                       "wait 500\n"
                                       "margins\n"
                                       "fold 5\n"
                                       "margins\n"
                                       "fold 5\n"
                                       "typeset\n"
                                       "wait-typeset\n"
                                       "wait 1500\n"
                                       "problems\n"
                                       "margins\n"
                                       // F8 from line 9, then the mark while it fades and after.
                                       "goto-line 9\n"
                                       "menu 25012\n"
                                       "wait 300\n"
                                       "source-mark\n"
                                       "focus-view\n"
                                       "key Ctrl+-\n"
                                       "key Ctrl+-\n"
                                       "wait 300\n"
                                       "source-mark\n"
                                       "key Ctrl+0\n"
                                       "wait 300\n"
                                       "wait 1800\n"
                                       "source-mark\n"
                                       "menu 24900\n"
                                       "wait 300\n"
                                       "report\n"
                                       "menu 24900\n"
                                       // The list's entry opens its file at its line.
                                       "open " +
                                       chap +
                                       "\n"
                                       "problem 0\n"
                                       "wait 500\n"
                                       "report\n"
                                       "quit\n");
    const std::string& out = run.out;
    ASSERT_EQ(run.status, 0) << out << run.err;
    EXPECT_EQ(ToolkitWarnings(run.err), "");

    std::vector<std::string> numbers = AllReported(out, "line-numbers");
    ASSERT_EQ(numbers.size(), 3u) << out;
    EXPECT_GT(std::stoi(numbers[0]), 0);
    EXPECT_EQ(Reported(out, "caret-line"), "1");
    std::vector<std::string> headers = AllReported(out, "fold-headers");
    EXPECT_EQ(headers[0], "2 3 5 8") << out;
    std::vector<std::string> hidden = AllReported(out, "hidden-lines");
    EXPECT_EQ(hidden[0], "none");
    EXPECT_EQ(hidden[1], "6 7") << out;

    std::vector<std::string> problems = AllReported(out, "problem");
    std::string all;
    for (const std::string& p : problems)
        all += p + "\n";
    EXPECT_TRUE(Contains(all, "paper.tex:4: LaTeX Warning: Reference `nolabel'")) << all;
    EXPECT_TRUE(Contains(all, "paper.tex:6: Overfull \\hbox")) << all;
    EXPECT_EQ(AllReported(out, "marked-lines").front(), "none");
    EXPECT_EQ(AllReported(out, "marked-lines").back(), "4 6") << out;

    // The mark stands a third of the way down, and has faded 1.8 s later.
    std::vector<std::string> marks = AllReported(out, "source-mark");
    ASSERT_EQ(marks.size(), 3u) << out;
    std::istringstream first(marks[0]);
    std::string word;
    int page = 0, top = 0, bottom = 0, height = 0, strength = 0;
    first >> word >> page >> word >> top >> word >> bottom >> word >> height >> word >> strength;
    EXPECT_EQ(page, 1);
    EXPECT_NEAR((top + bottom) / 2, height / 3, height / 10) << marks[0];
    EXPECT_GT(strength, 0);
    EXPECT_TRUE(marks[2].ends_with("strength 0")) << marks[2];
    // Zoomed down twice the page is narrower than the window and stands in its middle;
    // Ctrl+0 fits its width again.
    std::vector<std::string> sides = AllReported(out, "page-left");
    ASSERT_EQ(sides.size(), 3u);
    std::istringstream margins(sides[1]);
    int left = 0, right = 0;
    margins >> left >> word >> right;
    EXPECT_GT(left, 60) << sides[1];
    EXPECT_NEAR(left, right, 3) << sides[1];
    EXPECT_TRUE(Contains(out, "script: state: 0 -2\n")) << out;

    // The list's click opened paper.tex at line 4.
    EXPECT_TRUE(Contains(Reported(out, "active"), "paper.tex")) << out;
    EXPECT_EQ(Reported(out, "line"), "4") << out;
}

// A run that stops at an error in an included file: the list names the file and line,
// the output window marks the error's own line (not the file opened before it), and
// under a dark desktop theme the editor is dark.
TEST(WindowEditorAids, ErrorRunMarksTheErrorLineAndADarkDesktopDarkensTheEditor) {
    if (!HaveXvfb())
        GTEST_SKIP() << "Xvfb is not installed";
    test::TempDir dir;
    std::string tex = dir.Write("doc/paper.tex",
                                "\\documentclass{article}\n"
                                "\\begin{document}\n"
                                "Text.\n"
                                "\\input{chap1}\n"
                                "\\end{document}\n");
    dir.Write("doc/chap1.tex", "Chapter (one\n\\undefinedmacro here.\n");
    ScriptRun run = RunScript(dir,
                              "open " + tex +
                                  "\n"
                                  "margins\n"
                                  "typeset\n"
                                  "wait-typeset\n"
                                  "wait 1500\n"
                                  "problems\n"
                                  "report\n"
                                  "margins\n"
                                  "quit\n",
                              300, "GTK_THEME=Adwaita:dark ");
    const std::string& out = run.out;
    ASSERT_EQ(run.status, 0) << out << run.err;
    EXPECT_EQ(ToolkitWarnings(run.err), "");
    std::vector<std::string> problems = AllReported(out, "problem");
    ASSERT_FALSE(problems.empty()) << out;
    EXPECT_TRUE(problems[0].starts_with("error: ")) << problems[0];
    EXPECT_TRUE(problems[0].ends_with("/doc/chap1.tex:2: Undefined control sequence."))
        << problems[0];
    EXPECT_EQ(Reported(out, "output-mark"), "! Undefined control sequence.") << out;
    // The question's Yes went to the error: chap1.tex at line 2, marked in the margin.
    EXPECT_TRUE(Contains(Reported(out, "active"), "chap1.tex")) << out;
    EXPECT_EQ(Reported(out, "line"), "2");
    EXPECT_EQ(Reported(out, "marked-lines"), "2");
    // The settings keep their white background; the dark desktop shows it dark.
    for (const std::string& colour : AllReported(out, "editor-background")) {
        ASSERT_EQ(colour.size(), 7u) << colour;
        EXPECT_LT(std::stoi(colour.substr(1, 2), nullptr, 16), 0x40) << colour;
    }
}

// Files changed by another program: a reload keeps the caret's line and the scroll
// position, the question says when unsaved edits would be lost, and saving over a file
// changed since it was loaded asks first.
TEST(WindowEditorAids, ReloadsKeepTheirPlaceAndSavingOverAChangedFileAsks) {
    if (!HaveXvfb())
        GTEST_SKIP() << "Xvfb is not installed";
    test::TempDir dir;
    std::string text;
    for (int i = 1; i <= 200; ++i)
        text += "first " + std::to_string(i) + "\n";
    std::string tex = dir.Write("doc/long.tex", text);
    // The modification times count seconds: each change waits for the next one.
    ScriptRun run = RunScript(dir, "open " + tex +
                                       "\n"
                                       "goto-line 120\n"
                                       "check-external\n"
                                       "wait 1100\n"
                                       "write-lines 210 " +
                                       tex +
                                       "\n"
                                       "check-external\n"
                                       "report\n"
                                       "insert edit\n"
                                       "wait 1100\n"
                                       "write-lines 220 " +
                                       tex +
                                       "\n"
                                       "check-external\n"
                                       "insert again\n"
                                       "wait 1100\n"
                                       "write-lines 230 " +
                                       tex +
                                       "\n"
                                       "menu 5003\n"
                                       "report\n"
                                       "quit\n");
    const std::string& out = run.out;
    const std::string& err = run.err;
    ASSERT_EQ(run.status, 0) << out << err;
    EXPECT_EQ(ToolkitWarnings(err), "");
    std::vector<std::string> visible = AllReported(out, "first-visible");
    ASSERT_EQ(visible.size(), 3u) << out;
    EXPECT_EQ(visible[1], visible[0]) << out;
    std::vector<std::string> lines = AllReported(out, "line");
    ASSERT_EQ(lines.size(), 2u) << out;
    EXPECT_EQ(lines[0], "120");
    // The first reload's question is the plain one; the second names the lost edits.
    EXPECT_TRUE(Contains(err, "has been modified externally.\nWould you like to load")) << err;
    EXPECT_TRUE(Contains(err, "Your unsaved changes in Quirn would be lost.")) << err;
    EXPECT_TRUE(Contains(err,
                         "has been changed on disk since it was loaded.\nDo you want to "
                         "save over it?"))
        << err;
    // Saved over (the answer was yes): the editor's text, not the other program's.
    EXPECT_EQ(AllReported(out, "modified").back(), "0");
    EXPECT_TRUE(Contains(test::ReadFile(tex), "again")) << test::ReadFile(tex);
}

}  // namespace
}  // namespace quirn

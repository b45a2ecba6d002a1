// Spelling in the editor window: unknown words are underlined while the text is
// still, the spelling menu fixes them, and the Spell Check command walks the text.
#include <gtest/gtest.h>

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

TEST(SpellingWindow, UnderlinesUnknownWordsAndFixesThemFromTheMenu) {
    if (!HaveXvfb())
        GTEST_SKIP() << "no Xvfb";
    test::TempDir dir;
    const std::string tex = dir.Write("doc.tex",
                                      "\\documentclass{article}\n"
                                      "\\begin{document}\n"
                                      "Thiss is \\cite{smithjones} $xyzzy$ here.\n"
                                      "\n"
                                      "Teh end.\n"
                                      "\\end{document}\n");
    ScriptRun run = RunScript(dir, "open " + tex +
                                       "\n"
                                       "wait 800\n"
                                       "spell-marks\n"
                                       "goto-line 3\n"
                                       "spell-menu\n"
                                       "spell-choose This\n"
                                       "goto-line 4\n"
                                       "insert Wrogn\n"
                                       "wait 1700\n"
                                       "spell-marks\n"
                                       "goto-line 4\n"
                                       "spell-choose Add\n"
                                       "wait 300\n"
                                       "spell-marks\n"
                                       "goto-line 1\n"
                                       "spell-menu\n"
                                       // Spell Check (F5) from the caret: the dialog's first
                                       // suggestion replaces the word.
                                       "goto-line 5\n"
                                       "menu 25200\n"
                                       "wait 300\n"
                                       "spell-marks\n"
                                       "quit\n");
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(ToolkitWarnings(run.err), "");
    std::vector<std::string> marks = AllReported(run.out, "spell-marks");
    ASSERT_EQ(marks.size(), 4u) << run.out;
    EXPECT_EQ(marks[0], "Thiss Teh");
    EXPECT_EQ(marks[1], "Wrogn Teh");
    EXPECT_EQ(marks[2], "Teh");
    EXPECT_EQ(marks[3], "");
    std::vector<std::string> menus = AllReported(run.out, "spell-menu");
    ASSERT_EQ(menus.size(), 2u);
    EXPECT_NE(menus[0].find("|This|"), std::string::npos) << menus[0];
    EXPECT_EQ(menus[0].substr(menus[0].size() - 17), "|-|Add|Ignore All");
    EXPECT_EQ(menus[1], "none");  // "documentclass" follows a backslash: not a word

    EXPECT_NE(run.err.find("spell-dialog: Teh\t"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("message: Spelling Check is complete.\n  (9 words scanned, 1 word "
                           "corrected)"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(test::ReadFile(dir.File("data/quirn/ispell/ispell_american.dic")), "Wrogn\n");
}

}  // namespace
}  // namespace quirn

namespace quirn {
namespace {

TEST(BibliographyWindow, OneTypesetShowsTheReferences) {
    if (!gui::test_window::HaveXvfb())
        GTEST_SKIP() << "no Xvfb";
    test::TempDir dir;
    dir.Write("refs.bib",
              "@book{knuth, author={Donald Knuth}, title={The Book}, year=1984,"
              " publisher={Tolvane}}\n");
    const std::string tex = dir.Write("cited.tex",
                                      "\\documentclass{article}\n\\begin{document}\n"
                                      "See \\cite{knuth}.\n\\bibliographystyle{plain}\n"
                                      "\\bibliography{refs}\n\\end{document}\n");
    gui::test_window::ScriptRun run = gui::test_window::RunScript(
        dir, "open " + tex + "\ntypeset\nwait-typeset\nwait 500\nreport\nquit\n");
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(gui::test_window::ToolkitWarnings(run.err), "");
    EXPECT_NE(test::ReadFile(dir.File("cited.aux")).find("\\bibcite{knuth}{1}"), std::string::npos);
    EXPECT_EQ(test::ReadFile(dir.File("cited.log")).find("undefined"), std::string::npos);
    // No "please typeset again" question: the references settled by themselves.
    EXPECT_EQ(run.err.find("question: For proper cross-referencing"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace quirn

// A thesis with its chapters in a sub-folder as a project in the window: the tree with
// its groups and outlines, Typeset from a chapter typesets the main file, Find in the
// pages wraps around, the word count, and projects closed and reopened with the program.
#include <gtest/gtest.h>

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

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines)
        text += l + "\n";
    return text;
}

TEST(ProjectWindow, ThesisTreeTypesetFromAChapterFindCountAndReopen) {
    if (!HaveXvfb())
        GTEST_SKIP() << "no Xvfb";
    test::TempDir dir;
    const std::string main = dir.Write(
        "thesis/thesis.tex",
        "\\documentclass{article}\n\\begin{document}\n\\section{Introduction}\\label{sec:intro}\n"
        "An office of five fish.\n\\input{chapters/chap1}\n\\end{document}\n");
    const std::string chapter = dir.Write(
        "thesis/chapters/chap1.tex", "\\subsection{Chapter one}\\label{sec:one}\nMore office.\n");
    // A project file from elsewhere that is not one: said once, kept as it was.
    const std::string damaged = dir.Write("other/notes.ptp", "# not a project\n");
    dir.Write("other/notes.tex", "x\n");
    ScriptRun run = RunScript(dir, "project " + main +
                                       "\n"
                                       "tree-command thesis.tex|Typeset\n"
                                       "wait-typeset\n"
                                       "open " +
                                       chapter +
                                       "\n"
                                       "typeset\n"
                                       "wait-typeset\n"
                                       "tree\n"
                                       "open " +
                                       dir.File("thesis/thesis.dvi") +
                                       "\n"
                                       "wait 300\n"
                                       "find OFFICE\n"
                                       "status\n"
                                       "find office\n"
                                       "status\n"
                                       "find office\n"
                                       "status\n"
                                       "word-count\n"
                                       "open " +
                                       chapter +
                                       "\n"
                                       "goto-line 2\n"
                                       "insert-reference\n"
                                       "insert-cite\n"
                                       "project " +
                                       damaged + "\nquit\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ToolkitWarnings(run.err), "");
    const std::string tree = Joined(AllReported(run.out, "tree"));
    EXPECT_NE(tree.find("Workspace \n  Project thesis\n    thesis.tex\n      Introduction\n"
                        "        \\label{sec:intro}\n        \\input{chapters/chap1}\n"),
              std::string::npos)
        << tree;
    EXPECT_NE(tree.find("    Additional TeX files\n      chap1.tex\n        Chapter one\n"
                        "          \\label{sec:one}\n"),
              std::string::npos)
        << tree;
    // Two matches on the one page, then around the end to the first again.
    EXPECT_EQ(AllReported(run.out, "find-page"), (std::vector<std::string>{"1", "1", "1"}));
    EXPECT_EQ(AllReported(run.out, "status"),
              (std::vector<std::string>{"", "", "Search wrapped around end of document"}));
    // The found text's highlight is no selection: every page is counted, as the
    // command line counts them.
    std::string out, err;
    test::RunCommand("QUIRN_CONFIG_DIR='" + dir.File("config") + "' " + test::Program("quirn-cli") +
                         " wordcount '" + dir.File("thesis/thesis.dvi") + "'",
                     &out, &err);
    const size_t total = out.find("total=");
    ASSERT_NE(total, std::string::npos) << out << err;
    const std::string words = out.substr(total + 6, out.find('\n', total) - total - 6);
    EXPECT_NE(run.err.find("\n\nTotal word count = " + words + "\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("was not understood"), std::string::npos) << run.err;
    // The picker lists the labels of the last run (Label|Type|Page|Description, by
    // label) and inserts the first at the caret; the citation list is empty.
    EXPECT_NE(run.err.find("picker: Select reference\npicker-row: sec:intro||     1|1\n"
                           "picker-row: sec:one||     1|1.1\n"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("picker: Select citation\n"), std::string::npos) << run.err;
    const std::vector<std::string> lines = AllReported(run.out, "line-text");
    ASSERT_EQ(lines.size(), 2u) << run.out;
    EXPECT_NE(lines[0].find("\\ref{sec:intro}"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[1], lines[0]);
    EXPECT_EQ(test::ReadFile(damaged), "# not a project\n");
    // Closed with the program: the project file records the chapter's window.
    const std::string ptp = test::ReadFile(dir.File("thesis/thesis.ptp"));
    EXPECT_NE(ptp.find("thesis.tex\n"), std::string::npos) << ptp;
    EXPECT_NE(ptp.find("chapters/chap1.tex\n\twndpos: "), std::string::npos) << ptp;
    EXPECT_NE(ptp.find("thesis.wcl\n"), std::string::npos) << ptp;

    // The next start opens it again; a project file opened as a document opens its
    // project, and its document goes.
    dir.Write("paper/paper.tex", "x\n");
    dir.Write("paper/paper.ptp",
              "# Quirn Project File, Version 1.1\n\tname: Paper\n\ttexformat: latex\n"
              "\ttypesetmode: DVI\n\tspellwordlist: \npaper.tex\n");
    ScriptRun again =
        RunScript(dir, "open " + dir.File("paper/paper.ptp") + "\nwait 300\ntree\nreport\nquit\n");
    const std::string reopened = Joined(AllReported(again.out, "tree"));
    EXPECT_NE(reopened.find("  Project thesis\n"), std::string::npos) << again.out;
    EXPECT_NE(reopened.find("  Project Paper\n    paper.tex\n"), std::string::npos) << again.out;
    EXPECT_EQ(again.out.find("paper.ptp"), std::string::npos) << again.out;
}

}  // namespace
}  // namespace quirn

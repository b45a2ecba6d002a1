#include "editor/label_picker.h"

#include <gtest/gtest.h>

#include "platform/output_sink.h"
#include "platform/user_prompt.h"
#include "support/test_support.h"

namespace quirn {
namespace {

// A document typeset by LaTeX, so the picker reads what the installed LaTeX writes.
class LabelPickerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir.Write("doc.tex",
                  "\\documentclass{article}\n\\begin{document}\n"
                  "\\section{Intro}\\label{sec:intro}\n\\newpage\n"
                  "\\begin{figure}\\caption{A figure}\\label{Fig:one}\\end{figure}\n"
                  "See \\ref{sec:intro} and \\cite{knuth84,Abel}.\n"
                  "\\begin{thebibliography}{9}\n\\bibitem{knuth84} K.\n"
                  "\\bibitem[Ab]{Abel} A.\n\\end{thebibliography}\n\\end{document}\n");
        std::string out;
        ASSERT_EQ(
            test::RunCommand(
                "cd '" + dir.Path() + "' && latex -interaction=batchmode doc.tex >/dev/null", &out),
            0);
        aux = dir.File("doc.aux");
    }
    test::TempDir dir;
    std::string aux;
    ScriptedPrompt prompt;
    StringSink output;
};

TEST_F(LabelPickerTest, ReferencesFromARealRunSortAndInsert) {
    // What LaTeX wrote, plus the cases its output does not show.
    std::string text = test::ReadFile(aux);
    text += "\\newlabel{x:tocindent}{{9}{9}}\n\\newlabel{eq:cmd}{{\\relax 3.2}{}}\n";
    dir.Write("doc.aux", text);
    LabelPicker picker(LabelPicker::Mode::Reference);
    ASSERT_TRUE(picker.Start(aux, "  sec:intro ", prompt, output));
    EXPECT_EQ(picker.Title(), "Select reference");
    ASSERT_EQ(picker.Rows().size(), 3u);
    // Sorted by label ignoring case; pages right-aligned to six characters.
    EXPECT_EQ(picker.Rows()[0], (LabelPicker::Row{"eq:cmd", "", "      ", "3.2"}));
    EXPECT_EQ(picker.Rows()[1], (LabelPicker::Row{"Fig:one", "", "     2", "1"}));
    EXPECT_EQ(picker.Rows()[2], (LabelPicker::Row{"sec:intro", "", "     1", "1"}));
    EXPECT_EQ(picker.Insertion(), "\\ref{sec:intro}");
    // The page column: ascending, the empty page last; then descending.
    picker.SortByColumn(2);
    EXPECT_EQ(picker.Rows()[0][0], "sec:intro");
    EXPECT_EQ(picker.Rows()[2][0], "eq:cmd");
    picker.SortByColumn(2);
    EXPECT_EQ(picker.Rows()[0][0], "eq:cmd");
    EXPECT_EQ(picker.Choice(), "sec:intro");  // the selection follows its row

    LabelPicker unknown(LabelPicker::Mode::Reference);
    ASSERT_TRUE(unknown.Start(aux, "nothing", prompt, output));
    EXPECT_EQ(unknown.Selected(), 0);
    LabelPicker missing(LabelPicker::Mode::Reference);
    EXPECT_FALSE(missing.Start(dir.File("none.aux"), "s:", prompt, output));
    EXPECT_EQ(prompt.messages.back(), "Cannot open file " + dir.File("none.aux") +
                                          "\n\nTypeset the LaTeX file again to create this.");
}

TEST_F(LabelPickerTest, CitationsReportBadLinesAndGoOn) {
    dir.Write("doc.aux", test::ReadFile(aux) + "\\bibcite{broken\n");
    LabelPicker picker(LabelPicker::Mode::Citation);
    ASSERT_TRUE(picker.Start(aux, "a", prompt, output));
    EXPECT_EQ(picker.Headers()[2], "");
    ASSERT_EQ(picker.Rows().size(), 2u);
    EXPECT_EQ(picker.Rows()[0], (LabelPicker::Row{"Abel", "biblio", "", "Ref# Ab"}));
    EXPECT_EQ(picker.Rows()[1], (LabelPicker::Row{"knuth84", "biblio", "", "Ref# 1"}));
    EXPECT_EQ(picker.Insertion(), "\\cite{Abel}");
    EXPECT_EQ(output.Text(), "Invalid line: \"\\bibcite{broken\" while scanning " + aux + "\n");
}

}  // namespace
}  // namespace quirn

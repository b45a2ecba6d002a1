// The prompts, error lines and markers, read from output as the real engine writes it
// (excerpts of TeX Live runs) and as Quirn's own echo of typed answers completes it.
#include "typeset/output_analysis.h"

#include <gtest/gtest.h>

namespace quirn {
namespace {

const char* kLatexMissingInput =
    "(./m1.aux)\n"
    "\n"
    "! LaTeX Error: File `nothere.tex' not found.\n"
    "\n"
    "Type X to quit or <RETURN> to proceed,\n"
    "or enter new name. (Default extension: tex)\n"
    "\n"
    "Enter file name: ";

const char* kTexMissingInput =
    "L3 programming layer <2023-01-16>\n"
    "! I can't find file `nothere'.\n"
    "l.1 \\input nothere \n"
    "                   \\bye\n"
    "(Press Enter to retry, or Control-D to exit)\n"
    "Please type another input file name: ";

const char* kMissingFont =
    "L3 programming layer <2023-01-16>\n"
    "! Font \\x=nofontxyz at 10.0pt not loadable: Metric (TFM) file not found.\n"
    "l.1 \\font\\x=nofontxyz at 10pt \n"
    "                              \\x hi\\bye\n"
    "? ";

const char* kErrorStop =
    "(./chap1.tex\n"
    "! Undefined control sequence.\n"
    "l.4 \\undefinedmacro\n"
    "                   \n"
    "? ";

TEST(InteractiveStop, RecognisesTheEnginesPrompts) {
    InteractiveStop s = RecognizeInteractiveStop(kLatexMissingInput);
    EXPECT_EQ(s.kind, StopKind::MissingFile);
    EXPECT_EQ(s.missingName, "nothere.tex");

    s = RecognizeInteractiveStop(kTexMissingInput);
    EXPECT_EQ(s.kind, StopKind::MissingFile);
    EXPECT_EQ(s.missingName, "nothere");

    s = RecognizeInteractiveStop(kMissingFont);
    EXPECT_EQ(s.kind, StopKind::MissingFont);
    EXPECT_EQ(s.missingName, "nofontxyz.tfm");

    s = RecognizeInteractiveStop(kErrorStop);
    EXPECT_EQ(s.kind, StopKind::ErrorStop);

    s = RecognizeInteractiveStop(
        "! LaTeX source files more than 5 years old!.\n"
        "\n"
        "? ");
    EXPECT_EQ(s.kind, StopKind::OldFormatNotice);
}

TEST(InteractiveStop, NeedsTheExactPromptOnTheLastLine) {
    // The prompt answered (the echo ended the line): nothing is waiting any more.
    std::string answered = std::string(kLatexMissingInput) + "\n";
    EXPECT_EQ(RecognizeInteractiveStop(answered).kind, StopKind::None);
    // Text after the prompt on the same line is not the prompt.
    std::string typed = std::string(kLatexMissingInput) + "x";
    EXPECT_EQ(RecognizeInteractiveStop(typed).kind, StopKind::None);
    std::string error = std::string(kErrorStop) + "e";
    EXPECT_EQ(RecognizeInteractiveStop(error).kind, StopKind::None);
    // A file prompt without the report of the missing file names nothing.
    EXPECT_EQ(RecognizeInteractiveStop("some text\nEnter file name: ").kind, StopKind::None);
    // The report more than 10 lines back is out of sight.
    std::string far = "! LaTeX Error: File `far.sty' not found.\n";
    for (int i = 0; i < 10; ++i)
        far += "line\n";
    far += "Enter file name: ";
    EXPECT_EQ(RecognizeInteractiveStop(far).kind, StopKind::None);
    // A name needs the grave accent before the apostrophe.
    EXPECT_EQ(RecognizeInteractiveStop("! I can't find file 'x`.\nEnter file name:").kind,
              StopKind::None);
    // A font line without a size does not fit the font pattern: an ordinary error.
    EXPECT_EQ(RecognizeInteractiveStop("! Font \\x=nofont not loadable: Metric (TFM) file not "
                                       "found.\n? ")
                  .kind,
              StopKind::ErrorStop);
    EXPECT_EQ(RecognizeInteractiveStop("").kind, StopKind::None);
    EXPECT_EQ(RecognizeInteractiveStop("[1] [2").kind, StopKind::None);
}

TEST(ErrorPosition, ReadsTheEditorCallsLine) {
    std::string out = std::string(kErrorStop) +
                      "e\n*** ERROR Line 42 in chap1.tex  \nNo pages of output.\n"
                      "Transcript written on doc.log.\n";
    auto pos = FindErrorPosition(out);
    ASSERT_TRUE(pos);
    EXPECT_EQ(pos->file, "chap1.tex");
    EXPECT_EQ(pos->line, 42);

    // A file name with blanks keeps them; the nearest line to the end wins.
    pos = FindErrorPosition("*** ERROR Line 1 in a.tex\n*** ERROR Line 7 in ./my dir/b.tex\n");
    ASSERT_TRUE(pos);
    EXPECT_EQ(pos->file, "./my dir/b.tex");
    EXPECT_EQ(pos->line, 7);

    EXPECT_FALSE(FindErrorPosition("*** ERROR Line x in a.tex\n"));
    EXPECT_FALSE(FindErrorPosition("echo *** ERROR Line 3 in a.tex\n"));
    EXPECT_FALSE(FindErrorPosition("*** ERROR Line 3 in   \n"));
    // Only the last 20 lines are read.
    std::string old = "*** ERROR Line 3 in a.tex\n";
    for (int i = 0; i < 20; ++i)
        old += "more\n";
    EXPECT_FALSE(FindErrorPosition(old));
}

TEST(ErrorMarker, FindsTheNearestBangLineWithin40) {
    EXPECT_EQ(FindErrorMarkerLine(kErrorStop), 3);
    std::string two = "! first\nx\n! second\ny\nz";
    EXPECT_EQ(FindErrorMarkerLine(two), 2);
    std::string far = "! far\n";
    for (int i = 0; i < 40; ++i)
        far += "l\n";
    EXPECT_EQ(FindErrorMarkerLine(far), -1);
    EXPECT_EQ(FindErrorMarkerLine(" ! indented\n"), -1);
}

TEST(LastLines, CountsFromTheLineBeingWritten) {
    auto lines = LastLines("a\r\nb\n", 5);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], "b");
    EXPECT_EQ(lines[2], "a");
    EXPECT_TRUE(ReportsNoPagesOfOutput("No pages of output.\nTranscript written on x.log.\n"));
    EXPECT_FALSE(ReportsNoPagesOfOutput("Output written on x.dvi (1 page, 228 bytes).\n"));
}

}  // namespace
}  // namespace quirn

#include "editor/tex_colouring.h"

#include <gtest/gtest.h>

#include "editor/string_text_buffer.h"

namespace quirn {
namespace {

std::string StyleDigits(const StringTextBuffer& b, TextPos from, TextPos to) {
    std::string out;
    for (TextPos p = from; p < to; ++p) {
        out += static_cast<char>('0' + b.StyleAt(p) % 10);
    }
    return out;
}

TEST(TexColouring, StylesOfCommandsSymbolsCommentsAndClickableWords) {
    const std::string line =
        "\\cite{a} \\Eqref x\\\\ \\ref $^_&#~ \\usepackage \\textbf \\UsePackage % c \\x";
    StringTextBuffer b(line + "\nnext\n");
    ColourTexLines(b, 0, 1);
    EXPECT_EQ(StyleDigits(b, 0, static_cast<TextPos>(line.size()) + 1),
              "55555404055555500110555504444440555555555550111111101111111111103333333");
    EXPECT_EQ(b.EndStyled(), static_cast<TextPos>(line.size()) + 1);  // line end included

    // A trailing backslash styles itself and the line end.
    StringTextBuffer t("a\\\nb");
    ColourTexLines(t, 0, 2);
    EXPECT_EQ(StyleDigits(t, 0, t.Length()), "0110");
    EXPECT_TRUE(IsClickableCommand("\\includegraphics"));
    EXPECT_FALSE(IsClickableCommand("\\Includegraphics"));
    EXPECT_TRUE(IsClickableCommand("\\nocite"));
    EXPECT_FALSE(ShouldColourDocument("/tmp/paper.log"));
    EXPECT_FALSE(ShouldColourDocument("/tmp/x.logs/a.tex"));
    EXPECT_TRUE(ShouldColourDocument("/tmp/paper.tex"));
}

TEST(TexColouring, StyleNeededWalksOnlyTheRequestedLinesAndKeepsIndicatorBit) {
    StringTextBuffer b("% one\n\\two\nthree\n$four\n");
    b.StartStyling(0, 0xFF);
    b.SetStyling(b.Length(), 0x20);  // every byte marked misspelled
    b.StartStyling(0, 0xFF);         // nothing styled yet
    ColourStyleNeeded(b, b.LineStart(2) + 1);
    // Lines 0 and 1 coloured, the line holding the end position not.
    EXPECT_EQ(b.StyleAt(0), 0x23);
    EXPECT_EQ(b.StyleAt(6), 0x21);
    EXPECT_EQ(b.EndStyled(), b.LineStart(2));
    EXPECT_EQ(b.StyleAt(b.LineStart(2)), 0x20);
    // The next request continues from the first unstyled line; without a position it
    // stops before the last line.
    ColourStyleNeeded(b, std::nullopt);
    EXPECT_EQ(b.StyleAt(b.LineStart(3)), 0x24);
    EXPECT_EQ(b.EndStyled(), b.LineStart(4));
}

}  // namespace
}  // namespace quirn

#include "editor/string_text_buffer.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace quirn {
namespace {

// Line starts computed from scratch: after "\n", after "\r" not followed by "\n".
std::vector<TextPos> NaiveLineStarts(const std::string& s) {
    std::vector<TextPos> starts{0};
    for (std::size_t p = 1; p <= s.size(); ++p) {
        if (s[p - 1] == '\n' || (s[p - 1] == '\r' && (p == s.size() || s[p] != '\n'))) {
            starts.push_back(static_cast<TextPos>(p));
        }
    }
    return starts;
}

void ExpectLinesMatch(const StringTextBuffer& b) {
    const std::vector<TextPos> starts = NaiveLineStarts(b.Text());
    ASSERT_EQ(b.LineCount(), static_cast<int64_t>(starts.size())) << b.Text();
    for (std::size_t line = 0; line < starts.size(); ++line) {
        ASSERT_EQ(b.LineStart(static_cast<int64_t>(line)), starts[line]);
        ASSERT_EQ(b.LineFromPosition(starts[line]), static_cast<int64_t>(line));
    }
}

TEST(StringTextBuffer, LineIndexFollowsEditsIncludingSplitAndJoinedLineEnds) {
    StringTextBuffer b("a\r\nb\rc\n");
    EXPECT_EQ(b.LineCount(), 4);
    EXPECT_EQ(b.LineEnd(0), 1);  // before "\r\n"
    EXPECT_EQ(b.LineEnd(1), 4);  // before "\r"
    EXPECT_EQ(b.LineEnd(3), b.Length());
    EXPECT_FALSE(b.IsModified());

    // Inserting between "\r" and "\n" splits one line end into two.
    b.Insert(2, "x");
    EXPECT_EQ(b.Text(), "a\rx\nb\rc\n");
    ExpectLinesMatch(b);
    // Deleting the byte between them joins them back into one.
    b.Delete(2, 3);
    ExpectLinesMatch(b);
    EXPECT_EQ(b.LineCount(), 4);
    EXPECT_TRUE(b.IsModified());

    // Random edits with line-end bytes against the index computed from scratch.
    std::mt19937 rng(7);
    const std::string alphabet = "ab\r\n\n";
    for (int round = 0; round < 2000; ++round) {
        const TextPos len = b.Length();
        const TextPos s = len ? static_cast<TextPos>(rng() % (len + 1)) : 0;
        const TextPos e =
            s + (len > s ? static_cast<TextPos>(rng() % std::min<TextPos>(4, len - s + 1)) : 0);
        std::string ins;
        for (unsigned n = rng() % 4; n > 0; --n) {
            ins += alphabet[rng() % alphabet.size()];
        }
        b.Replace(s, e, ins);
        ExpectLinesMatch(b);
    }
}

TEST(StringTextBuffer, StylingKeepsBitsOutsideTheMaskAndEditsResetEndStyled) {
    StringTextBuffer b("abcdef");
    b.StartStyling(0, 0xFF);
    b.SetStyling(6, 0x20);  // e.g. a misspelling indicator bit
    b.StartStyling(1, 0xDF);
    b.SetStyling(2, 3);
    b.SetStyling(1, 0xFF);  // bits outside the mask are not written
    EXPECT_EQ(b.StyleAt(0), 0x20);
    EXPECT_EQ(b.StyleAt(1), 0x23);
    EXPECT_EQ(b.StyleAt(3), 0xFF);
    EXPECT_EQ(b.EndStyled(), 4);
    b.Insert(2, "zz");
    EXPECT_EQ(b.EndStyled(), 2);
    EXPECT_EQ(b.StyleAt(2), 0);
    EXPECT_EQ(b.StyleAt(4), 0x23);  // the styles moved with their bytes
}

}  // namespace
}  // namespace quirn

#include "editor/find_replace.h"

#include <gtest/gtest.h>

#include "editor/string_text_buffer.h"

namespace quirn {
namespace {

TEST(FindReplace, FindsDownAndUpWithoutWrapAndReportsMisses) {
    StringTextBuffer b("Word word sword word_x WORD");
    FindReplaceState s;
    s.search = "word";
    EditOutcome o = FindNext(b, TextRange{0, 0}, s);
    EXPECT_EQ(o.selection, (TextRange{0, 4}));  // case-insensitive by default
    s.matchCase = true;
    EXPECT_EQ(FindNext(b, TextRange{0, 4}, s).selection, (TextRange{5, 9}));
    s.wholeWord = true;
    EXPECT_EQ(FindNext(b, TextRange{5, 9}, s).beep, true);  // "sword", "word_x" are not words
    s.matchCase = false;
    EXPECT_EQ(FindNext(b, TextRange{5, 9}, s).selection, (TextRange{23, 27}));

    // Up: from one before the selection start, no wrap; from 0 nothing at all.
    s = FindReplaceState{};
    s.search = "word";
    s.searchDown = false;
    EXPECT_EQ(FindNext(b, TextRange{23, 27}, s).selection, (TextRange{16, 20}));
    EXPECT_EQ(FindNext(b, TextRange{5, 9}, s).selection, (TextRange{0, 4}));  // adjacent
    o = FindNext(b, TextRange{0, 0}, s);
    EXPECT_TRUE(o.beep);
    EXPECT_FALSE(o.selection);
    EXPECT_EQ(o.message, "Could not find string 'word'");

    // Matches across the search windows are found in both directions.
    std::string big(200000, 'a');
    big.replace(65535, 6, "needle");
    big.replace(131070, 6, "needle");
    StringTextBuffer large(big);
    EXPECT_EQ(FindInText(large, "needle", 0, large.Length(), {}), (TextRange{65535, 65541}));
    EXPECT_EQ(FindInText(large, "needle", 65536, large.Length(), {}), (TextRange{131070, 131076}));
    EXPECT_EQ(FindInText(large, "needle", large.Length(), 0, {}), (TextRange{131070, 131076}));
    EXPECT_EQ(FindInText(large, "needle", 131075, 0, {}), (TextRange{65535, 65541}));
    EXPECT_FALSE(FindInText(large, "", 0, large.Length(), {}));

    EXPECT_EQ(InitialSearchText(b, TextRange{5, 9}, s), "word");
    EXPECT_EQ(InitialSearchText(b, TextRange{3, 3}, s), "word");
}

TEST(FindReplace, ReplaceAndReplaceAllFromTheSelectionOnwards) {
    StringTextBuffer b("a cat, a Cat, a cat");
    FindReplaceState s;
    s.search = "cat";
    s.replacement = "dog";
    // The selection is not the search string: just find.
    EditOutcome o = ReplaceNext(b, TextRange{0, 0}, s);
    EXPECT_EQ(o.selection, (TextRange{2, 5}));
    EXPECT_EQ(b.Text(), "a cat, a Cat, a cat");
    o = ReplaceNext(b, *o.selection, s);
    EXPECT_EQ(b.Text(), "a dog, a Cat, a cat");
    EXPECT_EQ(o.selection, (TextRange{9, 12}));

    // Replace All from the selection: the earlier text stays; a replacement holding the
    // search string is not replaced again.
    s.replacement = "catcat";
    o = ReplaceAll(b, TextRange{9, 12}, s);
    EXPECT_EQ(b.Text(), "a dog, a catcat, a catcat");
    EXPECT_EQ(s.replacedCount, 2);
    EXPECT_EQ(o.message, "Replaced 2 occurrences");
    s.searchDown = false;
    s.replacement = "xcat";
    o = ReplaceAll(b, TextRange{b.Length(), b.Length()}, s);
    EXPECT_EQ(b.Text(), "a dog, a xcatxcat, a xcatxcat");
    EXPECT_EQ(s.replacedCount, 4);

    StringTextBuffer none("nothing here");
    s.search = "cat";
    o = ReplaceAll(none, TextRange{0, 0}, s);
    EXPECT_EQ(o.message, "Replaced 0 occurrences");
    EXPECT_EQ(s.replacedCount, 0);
    EXPECT_FALSE(o.beep);
}

}  // namespace
}  // namespace quirn

#include "editor/tex_commands.h"

#include <gtest/gtest.h>

#include "editor/line_tracker.h"
#include "editor/string_text_buffer.h"
#include "platform/output_sink.h"

namespace quirn {
namespace {

TEST(BlockComment, AddsToAllUnlessAllCommentedAndSkipsLineAfterSelection) {
    StringTextBuffer b("%a\n%b\nc\nd\n");
    // The selection ends at the start of line 4 ("d"), which stays alone.
    TextRange sel = BlockCommentUncomment(b, TextRange{0, 7});
    EXPECT_EQ(b.Text(), "%%a\n%%b\n%c\nd\n");
    EXPECT_EQ(sel, (TextRange{0, 11}));
    sel = BlockCommentUncomment(b, sel);
    EXPECT_EQ(b.Text(), "%a\n%b\nc\nd\n");
    EXPECT_EQ(sel, (TextRange{0, 8}));
    // A caret alone works on its line; an empty line is not commented.
    StringTextBuffer empty("x\n\ny");
    BlockCommentUncomment(empty, TextRange{2, 2});
    EXPECT_EQ(empty.Text(), "x\n%\ny");
    sel = BlockCommentUncomment(empty, TextRange{4, 5});
    EXPECT_EQ(empty.Text(), "x\n%\n%y");
    EXPECT_EQ(sel, (TextRange{4, 6}));  // the last line: up to the text end
}

TEST(DeleteLine, SelectionLineOrCaretToEndAndJoinAtLineEnd) {
    StringTextBuffer b("one two\r\nthree\nfour");
    EXPECT_EQ(DeleteLine(b, TextRange{4, 4}, true), 4);
    EXPECT_EQ(b.Text(), "one \r\nthree\nfour");
    // At the line end an Emacs kill joins the lines ("\r\n" goes as one).
    EXPECT_EQ(DeleteLine(b, TextRange{4, 4}, true), 4);
    EXPECT_EQ(b.Text(), "one three\nfour");
    EXPECT_EQ(DeleteLine(b, TextRange{6, 6}, false), 0);
    EXPECT_EQ(b.Text(), "\nfour");
    EXPECT_EQ(DeleteLine(b, TextRange{1, 3}, false), 1);
    EXPECT_EQ(b.Text(), "\nur");
    EXPECT_EQ(DeleteLine(b, TextRange{3, 3}, true), 3);  // at the text end: nothing
    EXPECT_EQ(b.Text(), "\nur");
}

TEST(Lists, InsertListsItemsAndEnterContinuation) {
    StringTextBuffer b("x\n");
    TextPos caret = InsertList(b, TextRange{2, 2}, ListKind::Itemized);
    EXPECT_EQ(b.Text(), "x\n\\begin{itemize}\n  \\item \n\\end{itemize}\n");
    EXPECT_EQ(caret, 26);  // after "\item "
    StringTextBuffer d("");
    caret = InsertList(d, TextRange{0, 0}, ListKind::Description);
    EXPECT_EQ(d.Text(), "\\begin{description}\n  \\item[] \n\\end{description}\n");
    EXPECT_EQ(d.Text().substr(0, static_cast<std::size_t>(caret)),
              "\\begin{description}\n  \\item[");

    // Enter after "  \item[foo] bar": two spaces, \item[] and a space, caret in brackets.
    StringTextBuffer e("  \\item[foo] bar\n");
    std::optional<TextPos> next = ContinueListOnEnter(e, e.Length());
    EXPECT_EQ(e.Text(), "  \\item[foo] bar\n  \\item[] ");
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, 17 + 8);
    StringTextBuffer en("\t\\begin{enumerate}\n");
    next = ContinueListOnEnter(en, en.Length());
    EXPECT_EQ(en.Text(), "\t\\begin{enumerate}\n   \\item ");
    StringTextBuffer plain("\\itemsep\nx\n");
    EXPECT_EQ(ContinueListOnEnter(plain, 9), std::optional<TextPos>(9 + 6));  // "\item" prefix
    StringTextBuffer none("text\n");
    EXPECT_FALSE(ContinueListOnEnter(none, 5));
    EXPECT_EQ(none.Text(), "text\n");
}

TEST(InsertTemplateMarker, WrapsSelectionOrPlacesCaretAtMarker) {
    StringTextBuffer b("see word here");
    TextPos caret = InsertTemplate(b, TextRange{4, 8}, "\\emph{\xA4}");
    EXPECT_EQ(b.Text(), "see \\emph{word} here");
    EXPECT_EQ(caret, 15);  // after the inserted "}"
    StringTextBuffer e("ab");
    caret = InsertTemplate(e, TextRange{1, 1}, "\\frac{\xA4}{}");
    EXPECT_EQ(e.Text(), "a\\frac{}{}b");
    EXPECT_EQ(caret, 7);
    StringTextBuffer r("old");
    EXPECT_EQ(InsertTemplate(r, TextRange{0, 3}, "\\LaTeX"), 6);
    EXPECT_EQ(r.Text(), "\\LaTeX");
}

TEST(CaretAndLines, CaretTextGoToLineStatusAndBookmark) {
    StringTextBuffer b("ab\n\tcd\n");
    EXPECT_EQ(GetCaretText(5), "5");
    EXPECT_EQ(CaretFromText(b, " 4 rest"), std::optional<TextPos>(4));
    EXPECT_EQ(CaretFromText(b, "999"), std::optional<TextPos>(7));
    EXPECT_FALSE(CaretFromText(b, "x"));

    EXPECT_EQ(GoToLinePosition(b, 2), std::optional<TextPos>(3));
    EXPECT_EQ(GoToLinePosition(b, 3), std::optional<TextPos>(7));
    EXPECT_FALSE(GoToLinePosition(b, 0));
    EXPECT_FALSE(GoToLinePosition(b, 4));
    EXPECT_EQ(GoToLineScroll(100, 10, 40), 70);
    EXPECT_EQ(GoToLineScroll(5, 10, 40), -10);  // never above the first line

    EXPECT_EQ(CaretStatusText(b, 5), "Line:2 Col:3");  // the tab counts as one
    EXPECT_EQ(CaretStatusText(b, 0), "Line:1 Col:1");

    Bookmark mark;
    Bookmark::MarkerChange change = mark.Toggle(1, 5, -1);
    EXPECT_EQ(change.addToLine, 1);
    EXPECT_EQ(mark.JumpPosition(b, 1), std::optional<TextPos>(6));  // column cut to the line
    change = mark.Toggle(1, 0, 1);                                  // same line again: cleared
    EXPECT_EQ(change.removeFromLine, 1);
    EXPECT_EQ(change.addToLine, -1);
    EXPECT_FALSE(mark.IsSet());
    EXPECT_FALSE(mark.JumpPosition(b, 1));
    mark.Toggle(0, 1, -1);
    change = mark.Toggle(1, 1, 0);  // another line moves it
    EXPECT_EQ(change.removeFromLine, 0);
    EXPECT_EQ(change.addToLine, 1);
}

TEST(CaretCommands, TypedCharactersHelpKeywordAndControlWordAtAPosition) {
    EXPECT_FALSE(AcceptTypedCharacter(1));  // Ctrl+A
    EXPECT_TRUE(AcceptTypedCharacter('\t'));
    EXPECT_TRUE(AcceptTypedCharacter('\r'));
    EXPECT_TRUE(AcceptTypedCharacter('a'));

    StringTextBuffer b("see \\section{x} and \\\\ or \\ x");
    EXPECT_EQ(HelpKeywordRange(b, 9), (std::optional<TextRange>{TextRange{4, 12}}));
    EXPECT_EQ(HelpKeywordRange(b, 4), (std::optional<TextRange>{TextRange{4, 12}}));
    EXPECT_EQ(HelpKeywordRange(b, 14), (std::optional<TextRange>{TextRange{4, 12}}));  // in "{x}"
    EXPECT_FALSE(HelpKeywordRange(b, 2));
    EXPECT_FALSE(HelpKeywordRange(b, 17));  // "and": white space before any backslash
    EXPECT_EQ(HelpKeywordRange(b, 21), (std::optional<TextRange>{TextRange{21, 23}}));
    EXPECT_EQ(HelpKeywordRange(b, 26), (std::optional<TextRange>{TextRange{26, 28}}));  // "\\ "

    TextPos start = -1;
    StringTextBuffer c("x \\includegraphics[width=2cm]{a.png}");
    EXPECT_EQ(ControlWordAt(c, 10, &start), "\\includegraphics");
    EXPECT_EQ(start, 2);
    EXPECT_EQ(ControlWordAt(c, 2), "\\includegraphics");
    EXPECT_EQ(ControlWordAt(c, 0), "");
    EXPECT_EQ(ControlWordAt(c, 25), "");
}

TEST(LineTracker, FollowsInsertedAndDeletedLinesAndReportsBadNotifications) {
    StringSink out;
    LineTracker tracker;
    tracker.OnTextChanged(0, 3, &out);  // empty: ignored
    EXPECT_EQ(tracker.Size(), 0);
    tracker.Resize(5);
    for (int64_t i = 0; i < 5; ++i) {
        tracker.SetChecked(i, true);
    }
    tracker.OnTextChanged(1, 2, &out);
    EXPECT_EQ(tracker.Size(), 7);
    EXPECT_FALSE(tracker.IsChecked(1));
    EXPECT_FALSE(tracker.IsChecked(2));
    EXPECT_TRUE(tracker.IsChecked(4));
    tracker.OnTextChanged(3, -3, &out);  // lines 4..6 go
    EXPECT_EQ(tracker.Size(), 4);
    EXPECT_EQ(out.Text(), "");
    tracker.OnTextChanged(2, -5, &out);
    tracker.OnTextChanged(9, 1, &out);
    EXPECT_EQ(out.Text(),
              "bad linetracker notify, recovering...\nbad linetracker notify, recovering...\n");
    tracker.Resize(6);
    EXPECT_EQ(tracker.Size(), 6);
    tracker.ResetAll();
    EXPECT_FALSE(tracker.IsChecked(0));
}

}  // namespace
}  // namespace quirn

// The TeX editor's text commands that need no window: block comments, Delete Line,
// list environments and \item continuation, templates, the caret as text, Go To Line
// arithmetic, the bookmark and the status text. Commands that edit apply their edits
// to the TextBuffer and return the selection (or caret) the window should set.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "editor/text_buffer.h"

namespace quirn {

// Block Comment/Uncomment (Ctrl+%): when every line of the selection starts with '%'
// one '%' is removed from each, otherwise "%" is put before each. Returns the selection
// from the first line's start to the start of the line after the last.
TextRange BlockCommentUncomment(TextBuffer& text, TextRange selection);

// Delete Line (Ctrl+K): deletes a non-empty selection, otherwise from the line start
// (or, with emacsLineKill, from the caret) to the line end; an empty range deletes the
// next character (so at a line end the lines join). Returns the caret position.
TextPos DeleteLine(TextBuffer& text, TextRange selection, bool emacsLineKill);

enum class ListKind { Itemized, Enumerated, Description };

// Insert Lists: replaces the selection with the environment and puts an item with
// indentation 2 inside it. Returns the caret position.
TextPos InsertList(TextBuffer& text, TextRange selection, ListKind kind);

// Replaces the selection with `indent` spaces, "\item", argument ("" or "[]") and a
// space. Returns the caret position: after "\item " for an empty argument, between the
// brackets for "[]".
TextPos InsertItem(TextBuffer& text, TextRange selection, int indent, std::string_view argument);

// After Enter inserted a new line with the caret at `caret`: continues an itemize,
// enumerate or description list from the previous line. Returns the new caret, or
// nothing when the previous line does not ask for an item.
std::optional<TextPos> ContinueListOnEnter(TextBuffer& text, TextPos caret);

// InsertTemplate: text without the marker byte 0xA4 replaces the selection; with it,
// the text after the first marker goes to the selection end and the text before it to
// the selection start, wrapping the selection. Returns the caret position.
constexpr char kTemplateMarker = '\xA4';
TextPos InsertTemplate(TextBuffer& text, TextRange selection, std::string_view templ);

// The caret as kept in project files: the selection start with "%d", and back (one
// integer read with "%d", clamped to the text; nothing when there is none).
std::string GetCaretText(TextPos selectionStart);
std::optional<TextPos> CaretFromText(const TextBuffer& text, const std::string& caretText);

// GoToLine(line, 1-based): the start of line - 1, or nothing (the window beeps) when
// that line does not exist.
std::optional<TextPos> GoToLinePosition(const TextBuffer& text, int64_t line);
// The number of display lines to scroll so that the target display line sits in the
// middle of the window, never scrolling above the first line.
int64_t GoToLineScroll(int64_t targetVisibleLine, int64_t firstVisibleLine, int64_t linesOnScreen);

// One bookmark per view (the window shows it as marker 1 in margin 1; the marker
// follows edits, so the window reports the line that carries it).
class Bookmark {
  public:
    struct MarkerChange {
        int64_t removeFromLine = -1;  // -1: no marker to remove
        int64_t addToLine = -1;       // -1: no marker to add
    };
    // Set Bookmark at the caret; markerLine is the line carrying the marker now (-1 =
    // none). The same line again clears the bookmark.
    MarkerChange Toggle(int64_t caretLine, int64_t caretColumn, int64_t markerLine);
    bool IsSet() const { return bookmarkLine_ >= 0; }
    // Jump to Bookmark: the caret position on the marker's line, or nothing when no
    // bookmark is set or the marker is gone.
    std::optional<TextPos> JumpPosition(const TextBuffer& text, int64_t markerLine) const;

    int64_t Line() const { return bookmarkLine_; }
    int64_t Column() const { return bookmarkColumn_; }

  private:
    int64_t bookmarkLine_ = -1;
    int64_t bookmarkColumn_ = 0;
};

// Typed characters: control characters below 32 other than tab, line feed and carriage
// return are dropped before they reach the text.
bool AcceptTypedCharacter(int c);

// Help on the command at the caret (F1): from `pos` back to the nearest '\' of the same
// word (white space ends the search), then forward over letters; the range runs from
// the backslash to at least two bytes after it. Nothing without a backslash.
std::optional<TextRange> HelpKeywordRange(const TextBuffer& text, TextPos pos);

// The control word ('\' and its letters) that covers pos, e.g. for a click on clickable
// text; empty when there is none.
std::string ControlWordAt(const TextBuffer& text, TextPos pos, TextPos* start = nullptr);

// "Line:%i Col:%i" for the caret (line from 1, column = byte offset in its line + 1).
std::string CaretStatusText(const TextBuffer& text, TextPos caret);

}  // namespace quirn

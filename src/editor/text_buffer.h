// The text of an editor document as the editing algorithms see it: raw bytes addressed
// by byte offsets, with lines, edits and a styling sink. The window side adapts the
// editing component to it; StringTextBuffer (string_text_buffer.h) keeps the text in
// memory for the headless command, tests and benchmarks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quirn {

using TextPos = int64_t;

// A byte range [start, end); for a selection, start is the anchor side nearer the text
// start and end the other side.
struct TextRange {
    TextPos start = 0;
    TextPos end = 0;
    bool Empty() const { return start == end; }
    bool operator==(const TextRange&) const = default;
};

class TextBuffer {
  public:
    virtual ~TextBuffer() = default;

    // --- reading
    virtual TextPos Length() const = 0;
    // Copies the bytes [start, end) to `out` (which holds at least end - start bytes).
    // Requires 0 <= start <= end <= Length().
    virtual void GetRange(TextPos start, TextPos end, char* out) const = 0;
    // The byte at pos, or 0 outside the text.
    virtual char CharAt(TextPos pos) const = 0;

    // --- lines (0-based). A line ends with "\r\n", "\n" or "\r"; the text always has at
    // least one line, and text ending in a line end has an empty last line.
    virtual int64_t LineCount() const = 0;
    // The line holding pos (positions past the end give the last line).
    virtual int64_t LineFromPosition(TextPos pos) const = 0;
    // The first byte of the line; LineCount() and beyond give Length().
    virtual TextPos LineStart(int64_t line) const = 0;
    // The position before the line's line-end bytes.
    virtual TextPos LineEnd(int64_t line) const = 0;

    // --- editing
    // Replaces [start, end) with text; an ordinary, undoable edit that marks the text
    // modified.
    virtual void Replace(TextPos start, TextPos end, std::string_view text) = 0;
    void Insert(TextPos pos, std::string_view text) { Replace(pos, pos, text); }
    void Delete(TextPos start, TextPos end) { Replace(start, end, {}); }

    // --- load state (the editing component's undo buffer and save point)
    virtual void EmptyUndoBuffer() = 0;
    virtual void SetSavePoint() = 0;
    virtual bool IsModified() const = 0;

    // --- styling
    // Styling starts at pos; each following SetStyling call styles `length` bytes and
    // advances. Only the style bits in `mask` are written: a byte's style becomes
    // (old & ~mask) | (style & mask). (A component that keeps indicators apart from
    // styles may ignore the mask.)
    virtual void StartStyling(TextPos pos, int mask) = 0;
    virtual void SetStyling(TextPos length, int style) = 0;
    // The first position not yet styled.
    virtual TextPos EndStyled() const = 0;
};

// The bytes [start, end) clamped to the text, as a string.
inline std::string TextOf(const TextBuffer& text, TextPos start, TextPos end) {
    const TextPos length = text.Length();
    start = start < 0 ? 0 : (start > length ? length : start);
    end = end < start ? start : (end > length ? length : end);
    std::string out(static_cast<std::size_t>(end - start), '\0');
    if (end > start) {
        text.GetRange(start, end, out.data());
    }
    return out;
}

}  // namespace quirn

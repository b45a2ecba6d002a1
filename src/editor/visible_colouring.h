// Colouring that walks only what the window shows. TeX colouring is line-local (a comment
// ends at its line end, nothing carries over to the next line), so every line can be
// coloured on its own. The component asks for styling from its first unstyled position
// on; after a jump into a long unstyled text that would walk everything above the shown
// lines. VisibleColouring answers such a request by colouring only the shown lines and
// moving the component's styled end past the rest, and remembers per line whether it
// holds its current styles; lines passed over are styled when they are shown.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "editor/text_buffer.h"

namespace quirn {

class VisibleColouring {
  public:
    // Lines styled beyond each end of the shown range, so that a short scroll finds them
    // ready.
    static constexpr int64_t kMargin = 8;

    // TeX colouring (true) or plain text (false: logs, see ShouldColourDocument). A change
    // forgets which lines are styled.
    void SetColourText(bool colour);
    bool ColourText() const { return colour_; }

    // The component's request for styling (SCN_STYLENEEDED), with the shown document
    // lines [firstShown, lastShown). The requested lines run from the line of the first
    // unstyled position up to, not including, the line holding endPos (the last line when
    // no position is given). Only the requested lines within the shown range (plus the
    // margin) are walked; the component's styled end then moves to the end of the request
    // in one step, and the lines passed over stay "not styled" until ColourShown meets
    // them.
    void StyleNeeded(TextBuffer& text, std::optional<TextPos> endPos, int64_t firstShown,
                     int64_t lastShown);

    // Styles the lines of [firstShown, lastShown) (plus the margin) that are not styled
    // yet, for a window scrolled onto lines passed over. The component's styled end never
    // moves back, so a later request does not walk these lines again.
    void ColourShown(TextBuffer& text, int64_t firstShown, int64_t lastShown);

    // A text change at `line` that added (linesAdded > 0) or removed (< 0) lines: the line
    // and the inserted ones need styling again, the later marks move with their lines. An
    // inconsistent change forgets all marks (the next request starts afresh).
    void OnTextChanged(int64_t line, int64_t linesAdded);

    // Whether the line holds its current styles.
    bool IsStyled(int64_t line) const;

  private:
    // One mark per line of the text; a count that disagrees means notifications were
    // missed, and every line is treated as not styled.
    void MatchLineCount(int64_t lineCount);
    // Styles the lines of [first, end) that are not styled, in runs of adjacent lines.
    void StyleLines(TextBuffer& text, int64_t first, int64_t end);

    std::vector<uint8_t> styled_;
    bool colour_ = true;
};

}  // namespace quirn

// What an editing command asks of the window, returned as a value: the selection to
// set (then the caret is scrolled into view), a beep, and a message box text. When
// both are present the beep sounds first, then the message is shown.
#pragma once

#include <optional>
#include <string>

#include "editor/text_buffer.h"

namespace quirn {

struct EditOutcome {
    std::optional<TextRange> selection;
    bool beep = false;
    std::string message;

    static EditOutcome Select(TextPos start, TextPos end) {
        EditOutcome o;
        o.selection = TextRange{start, end};
        return o;
    }
    static EditOutcome Beep() {
        EditOutcome o;
        o.beep = true;
        return o;
    }
    static EditOutcome Message(std::string text) {
        EditOutcome o;
        o.message = std::move(text);
        return o;
    }
};

}  // namespace quirn

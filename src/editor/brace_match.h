// Brace and dollar matching of the TeX editor: Match Brace or $ (Ctrl+]) and Find
// Mismatched Brace or $ (Ctrl+}). Both read the text in 1024-byte chunks and skip
// delimiters escaped by a backslash and the \big family's delimiters; comments are
// not skipped.
#pragma once

#include "editor/edit_outcome.h"
#include "editor/text_buffer.h"

namespace quirn {

// Per-view state of dollar matching, so that repeated Ctrl+] presses hop between a
// dollar and its partner.
struct DollarState {
    bool dollarForward = true;
    TextPos lastDollarPos = -1;
};

// The delimiter at q is one of ( ) [ ] preceded by \big, \bigl/\bigg/\bigm/\bigr or
// \biggl/\biggm/\biggr (compared case-insensitively, so \Bigl[ and \Biggr) count).
bool IsBigDelimiter(const TextBuffer& text, TextPos q);

// Ctrl+]: the partner of the delimiter at selection.start is selected; a failure
// beeps. A single dollar that finds a double one also carries "$ and $$ mismatch!".
EditOutcome MatchBraceOrDollar(const TextBuffer& text, TextRange selection, DollarState& dollar);

// Ctrl+}: one forward scan from `from`; selects the first mismatched delimiter (or the
// range from an opener to a wrong closer), or reports "No mismatches found!".
EditOutcome FindMismatchedBraceOrDollar(const TextBuffer& text, TextPos from);

}  // namespace quirn

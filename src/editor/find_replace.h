// The Find/Replace engine of the editor views: the shared state of the one Find/Replace
// dialog and the find, replace and replace-all actions over a TextBuffer. No wrap
// around: searching down covers the selection end to the text end, searching up one
// position before the selection start back to the text start.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "editor/edit_outcome.h"
#include "editor/text_buffer.h"

namespace quirn {

// Shared by all editor views (owned by the application, passed in).
struct FindReplaceState {
    std::string search;
    std::string replacement;
    bool matchCase = false;
    bool wholeWord = false;
    bool searchDown = true;
    bool findOnly = true;   // the dialog was opened for finding only
    int replacedCount = 0;  // of the last Replace All
};

struct FindOptions {
    bool matchCase = false;
    bool wholeWord = false;  // word characters: letters, digits, '_' and bytes >= 0x80
};

// The first occurrence lying inside [from, to) when from <= to; searching backwards
// (from > to) the occurrence inside [to, from) that starts last.
std::optional<TextRange> FindInText(const TextBuffer& text, std::string_view what, TextPos from,
                                    TextPos to, FindOptions options);

// The initial search text of the dialog: the selection, or the last search string.
std::string InitialSearchText(const TextBuffer& text, TextRange selection,
                              const FindReplaceState& state);

// Find Next: selects the next occurrence, or beeps with "Could not find string '%s'".
EditOutcome FindNext(const TextBuffer& text, TextRange selection, const FindReplaceState& state);

// Replace: replaces the selection when it is the search string, then finds the next one.
EditOutcome ReplaceNext(TextBuffer& text, TextRange selection, const FindReplaceState& state);

// Replace All from the selection onwards in the chosen direction; sets
// state.replacedCount and answers with "Replaced %i occurrences".
EditOutcome ReplaceAll(TextBuffer& text, TextRange selection, FindReplaceState& state);

}  // namespace quirn

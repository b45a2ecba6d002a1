#include "editor/find_replace.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace quirn {
namespace {

// Bytes read per window; windows overlap by the search string's length - 1.
constexpr TextPos kWindow = 64 * 1024;

bool IsWordChar(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return std::isalnum(u) || c == '_' || u >= 0x80;
}

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::string Lowered(std::string s) {
    for (char& c : s) {
        c = Lower(c);
    }
    return s;
}

bool IsWholeWord(const TextBuffer& text, TextPos start, TextPos end) {
    const bool startOk =
        start == 0 || !IsWordChar(text.CharAt(start - 1)) || !IsWordChar(text.CharAt(start));
    const bool endOk =
        end >= text.Length() || !IsWordChar(text.CharAt(end)) || !IsWordChar(text.CharAt(end - 1));
    return startOk && endOk;
}

bool SelectionIsSearch(const TextBuffer& text, TextRange selection, const FindReplaceState& s) {
    if (s.search.empty() ||
        selection.end - selection.start != static_cast<TextPos>(s.search.size())) {
        return false;
    }
    const std::string selected = TextOf(text, selection.start, selection.end);
    return s.matchCase ? selected == s.search : Lowered(selected) == Lowered(s.search);
}

std::optional<TextRange> FindFrom(const TextBuffer& text, const FindReplaceState& state,
                                  TextRange selection) {
    const FindOptions options{state.matchCase, state.wholeWord};
    if (state.searchDown) {
        return FindInText(text, state.search, selection.end, text.Length(), options);
    }
    // Up: occurrences starting at one before the selection start or earlier (so one that
    // ends right where the selection starts is found); from the text start nothing.
    if (selection.start <= 0) {
        return std::nullopt;
    }
    const TextPos lastStart = selection.start - 1;
    return FindInText(text, state.search, lastStart + static_cast<TextPos>(state.search.size()), 0,
                      options);
}

EditOutcome NotFound(const std::string& search) {
    EditOutcome outcome = EditOutcome::Beep();
    outcome.message = "Could not find string '" + search + "'";
    return outcome;
}

TextRange Normalised(TextRange r) {
    return TextRange{std::min(r.start, r.end), std::max(r.start, r.end)};
}

// Replaces the found text; the next search starts after the replacement when searching
// down and before it when searching up, so a replacement holding the search string is
// never found again.
TextRange ReplaceFound(TextBuffer& text, TextRange found, const FindReplaceState& state) {
    text.Replace(found.start, found.end, state.replacement);
    const TextPos end = found.start + static_cast<TextPos>(state.replacement.size());
    return state.searchDown ? TextRange{end, end} : TextRange{found.start, found.start};
}

}  // namespace

std::optional<TextRange> FindInText(const TextBuffer& text, std::string_view what, TextPos from,
                                    TextPos to, FindOptions options) {
    const TextPos length = text.Length();
    from = std::clamp<TextPos>(from, 0, length);
    to = std::clamp<TextPos>(to, 0, length);
    const TextPos n = static_cast<TextPos>(what.size());
    if (n == 0) {
        return std::nullopt;
    }
    const std::string needle = options.matchCase ? std::string(what) : Lowered(std::string(what));
    auto window = [&](TextPos lo, TextPos hi) {
        std::string bytes = TextOf(text, lo, hi);
        return options.matchCase ? bytes : Lowered(std::move(bytes));
    };
    auto accept = [&](TextPos start) {
        return !options.wholeWord || IsWholeWord(text, start, start + n);
    };

    if (from <= to) {
        for (TextPos lo = from; to - lo >= n;) {
            const TextPos hi = std::min(to, lo + kWindow + n - 1);
            const std::string bytes = window(lo, hi);
            for (std::size_t at = bytes.find(needle); at != std::string::npos;
                 at = bytes.find(needle, at + 1)) {
                if (accept(lo + static_cast<TextPos>(at))) {
                    return TextRange{lo + static_cast<TextPos>(at),
                                     lo + static_cast<TextPos>(at) + n};
                }
            }
            if (hi == to) {
                break;
            }
            lo = hi - (n - 1);
        }
        return std::nullopt;
    }
    for (TextPos hi = from; hi - to >= n;) {
        const TextPos lo = std::max(to, hi - kWindow - (n - 1));
        const std::string bytes = window(lo, hi);
        for (std::size_t at = bytes.rfind(needle); at != std::string::npos;
             at = at == 0 ? std::string::npos : bytes.rfind(needle, at - 1)) {
            if (accept(lo + static_cast<TextPos>(at))) {
                return TextRange{lo + static_cast<TextPos>(at), lo + static_cast<TextPos>(at) + n};
            }
        }
        if (lo == to) {
            break;
        }
        hi = lo + (n - 1);
    }
    return std::nullopt;
}

std::string InitialSearchText(const TextBuffer& text, TextRange selection,
                              const FindReplaceState& state) {
    selection = Normalised(selection);
    return selection.Empty() ? state.search : TextOf(text, selection.start, selection.end);
}

EditOutcome FindNext(const TextBuffer& text, TextRange selection, const FindReplaceState& state) {
    if (std::optional<TextRange> found = FindFrom(text, state, Normalised(selection))) {
        return EditOutcome::Select(found->start, found->end);
    }
    return NotFound(state.search);
}

EditOutcome ReplaceNext(TextBuffer& text, TextRange selection, const FindReplaceState& state) {
    selection = Normalised(selection);
    if (!SelectionIsSearch(text, selection, state)) {
        return FindNext(text, selection, state);
    }
    const TextRange after = ReplaceFound(text, selection, state);
    if (std::optional<TextRange> found = FindFrom(text, state, after)) {
        return EditOutcome::Select(found->start, found->end);
    }
    EditOutcome outcome = NotFound(state.search);
    const TextPos caret = selection.start + static_cast<TextPos>(state.replacement.size());
    outcome.selection = TextRange{caret, caret};
    return outcome;
}

EditOutcome ReplaceAll(TextBuffer& text, TextRange selection, FindReplaceState& state) {
    selection = Normalised(selection);
    state.replacedCount = 0;
    EditOutcome outcome;
    std::optional<TextRange> current;
    if (SelectionIsSearch(text, selection, state)) {
        current = selection;
    } else {
        current = FindFrom(text, state, selection);
    }
    while (current) {
        ReplaceFound(text, *current, state);
        ++state.replacedCount;
        const TextPos caret = current->start + static_cast<TextPos>(state.replacement.size());
        outcome.selection = TextRange{caret, caret};
        current = FindFrom(
            text, state,
            state.searchDown ? TextRange{caret, caret} : TextRange{current->start, current->start});
    }
    char message[64];
    std::snprintf(message, sizeof message, "Replaced %i occurrences", state.replacedCount);
    outcome.message = message;
    return outcome;
}

}  // namespace quirn

#include "editor/tex_commands.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <string>

namespace quirn {
namespace {

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

TextRange BlockCommentUncomment(TextBuffer& text, TextRange selection) {
    const TextPos s = std::min(selection.start, selection.end);
    TextPos e = std::max(selection.start, selection.end);
    if (e > s) {
        --e;  // a selection ending at a line start leaves that line alone
    }
    const int64_t first = text.LineFromPosition(s);
    const int64_t last = text.LineFromPosition(e);
    bool allCommented = true;
    for (int64_t line = first; line <= last && allCommented; ++line) {
        const TextPos start = text.LineStart(line);
        allCommented = start < text.LineEnd(line) && text.CharAt(start) == '%';
    }
    // Line starts move with each edit, so every line's start is asked for afresh.
    for (int64_t line = first; line <= last; ++line) {
        const TextPos start = text.LineStart(line);
        if (allCommented) {
            text.Delete(start, start + 1);
        } else {
            text.Insert(start, "%");
        }
    }
    return TextRange{text.LineStart(first), text.LineStart(last + 1)};
}

TextPos DeleteLine(TextBuffer& text, TextRange selection, bool emacsLineKill) {
    TextPos from = std::min(selection.start, selection.end);
    TextPos to = std::max(selection.start, selection.end);
    if (from == to) {
        const int64_t line = text.LineFromPosition(from);
        if (!emacsLineKill) {
            from = text.LineStart(line);
        }
        to = text.LineEnd(line);
    }
    if (from == to) {
        // Like the Delete key: the next character, a "\r\n" line end as a whole.
        if (from >= text.Length()) {
            return from;
        }
        to = from + 1;
        if (text.CharAt(from) == '\r' && text.CharAt(from + 1) == '\n') {
            to = from + 2;
        }
    }
    text.Delete(from, to);
    return from;
}

TextPos InsertItem(TextBuffer& text, TextRange selection, int indent, std::string_view argument) {
    const TextPos at = std::min(selection.start, selection.end);
    std::string item(static_cast<std::size_t>(std::max(0, indent)), ' ');
    item += "\\item";
    item += argument;
    item += ' ';
    text.Replace(at, std::max(selection.start, selection.end), item);
    return at + std::max(0, indent) + 6;
}

TextPos InsertList(TextBuffer& text, TextRange selection, ListKind kind) {
    const char* env = kind == ListKind::Itemized     ? "itemize"
                      : kind == ListKind::Enumerated ? "enumerate"
                                                     : "description";
    const TextPos at = std::min(selection.start, selection.end);
    const std::string block = std::string("\\begin{") + env + "}\n" + "\\end{" + env + "}\n";
    text.Replace(at, std::max(selection.start, selection.end), block);
    const TextPos lineEnd = text.LineEnd(text.LineFromPosition(at));
    text.Insert(lineEnd, "\n");
    const TextPos caret = lineEnd + 1;
    return InsertItem(text, TextRange{caret, caret}, 2, kind == ListKind::Description ? "[]" : "");
}

std::optional<TextPos> ContinueListOnEnter(TextBuffer& text, TextPos caret) {
    const int64_t line = text.LineFromPosition(caret);
    if (line == 0) {
        return std::nullopt;
    }
    const std::string previous = TextOf(text, text.LineStart(line - 1), text.LineEnd(line - 1));
    std::size_t k = 0;
    while (k < previous.size() && (previous[k] == ' ' || previous[k] == '\t')) {
        ++k;
    }
    const std::string_view rest = std::string_view(previous).substr(k);
    const int indent = static_cast<int>(std::min<std::size_t>(k, 1000));
    const TextRange at{caret, caret};
    if (rest.starts_with("\\begin{itemize}") || rest.starts_with("\\begin{enumerate}")) {
        return InsertItem(text, at, indent + 2, "");
    }
    if (rest.starts_with("\\begin{description}")) {
        return InsertItem(text, at, indent + 2, "[]");
    }
    if (rest.starts_with("\\item")) {
        const bool bracket = rest.size() > 5 && rest[5] == '[';
        return InsertItem(text, at, indent, bracket ? "[]" : "");
    }
    return std::nullopt;
}

TextPos InsertTemplate(TextBuffer& text, TextRange selection, std::string_view templ) {
    const TextPos s = std::min(selection.start, selection.end);
    const TextPos e = std::max(selection.start, selection.end);
    const std::size_t marker = templ.find(kTemplateMarker);
    if (marker == std::string_view::npos) {
        text.Replace(s, e, templ);
        return s + static_cast<TextPos>(templ.size());
    }
    const std::string_view before = templ.substr(0, marker);
    const std::string_view after = templ.substr(marker + 1);
    text.Insert(e, after);
    text.Insert(s, before);
    const TextPos markerPos = s + static_cast<TextPos>(before.size());
    if (s == e) {
        return markerPos;
    }
    return markerPos + (e - s) + static_cast<TextPos>(after.size());
}

std::string GetCaretText(TextPos selectionStart) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(selectionStart));
    return buffer;
}

std::optional<TextPos> CaretFromText(const TextBuffer& text, const std::string& caretText) {
    int value = 0;
    if (std::sscanf(caretText.c_str(), "%d", &value) != 1) {
        return std::nullopt;
    }
    return std::clamp<TextPos>(value, 0, text.Length());
}

std::optional<TextPos> GoToLinePosition(const TextBuffer& text, int64_t line) {
    if (line < 1 || line > text.LineCount()) {
        return std::nullopt;
    }
    return text.LineStart(line - 1);
}

int64_t GoToLineScroll(int64_t targetVisibleLine, int64_t firstVisibleLine, int64_t linesOnScreen) {
    const int64_t scroll = targetVisibleLine - (firstVisibleLine + linesOnScreen / 2);
    return std::max(scroll, -firstVisibleLine);
}

Bookmark::MarkerChange Bookmark::Toggle(int64_t caretLine, int64_t caretColumn,
                                        int64_t markerLine) {
    MarkerChange change;
    change.removeFromLine = markerLine;
    if (markerLine >= 0 && markerLine == caretLine) {
        bookmarkLine_ = -1;
        bookmarkColumn_ = 0;
        return change;
    }
    bookmarkLine_ = caretLine;
    bookmarkColumn_ = caretColumn;
    change.addToLine = caretLine;
    return change;
}

std::optional<TextPos> Bookmark::JumpPosition(const TextBuffer& text, int64_t markerLine) const {
    if (!IsSet() || markerLine < 0 || markerLine >= text.LineCount()) {
        return std::nullopt;
    }
    const TextPos start = text.LineStart(markerLine);
    // The line's length counts its line end, so the caret stays before it.
    const TextPos length = text.LineStart(markerLine + 1) - start;
    return start + std::max<TextPos>(0, std::min(bookmarkColumn_, length - 1));
}

bool AcceptTypedCharacter(int c) {
    return c >= 32 || c == '\t' || c == '\n' || c == '\r' || c < 0;
}

std::optional<TextRange> HelpKeywordRange(const TextBuffer& text, TextPos pos) {
    pos = std::clamp<TextPos>(pos, 0, text.Length());
    // A caret just before the backslash counts; otherwise look back from the caret.
    TextPos backslash = pos < text.Length() && text.CharAt(pos) == '\\' ? pos : -1;
    for (TextPos q = pos - 1; backslash < 0 && q >= 0; --q) {
        const char c = text.CharAt(q);
        if (c == '\\') {
            backslash = q;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            return std::nullopt;
        }
    }
    if (backslash < 0) {
        return std::nullopt;
    }
    TextPos end = backslash + 1;
    while (end < text.Length() && IsAsciiLetter(text.CharAt(end))) {
        ++end;
    }
    return TextRange{backslash, std::min(text.Length(), std::max(end, backslash + 2))};
}

std::string ControlWordAt(const TextBuffer& text, TextPos pos, TextPos* start) {
    TextPos p = std::min(pos, text.Length() - 1);
    while (p >= 0 && IsAsciiLetter(text.CharAt(p))) {
        --p;
    }
    if (p < 0 || text.CharAt(p) != '\\') {
        return {};
    }
    TextPos end = p + 1;
    while (end < text.Length() && IsAsciiLetter(text.CharAt(end))) {
        ++end;
    }
    if (end == p + 1) {
        return {};
    }
    if (start) {
        *start = p;
    }
    return TextOf(text, p, end);
}

std::string CaretStatusText(const TextBuffer& text, TextPos caret) {
    const int64_t line = text.LineFromPosition(caret);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "Line:%i Col:%i", static_cast<int>(line + 1),
                  static_cast<int>(caret - text.LineStart(line) + 1));
    return buffer;
}

}  // namespace quirn

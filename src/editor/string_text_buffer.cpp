#include "editor/string_text_buffer.h"

#include <algorithm>
#include <cstring>

namespace quirn {

StringTextBuffer::StringTextBuffer(std::string_view text) {
    Replace(0, 0, text);
    modified_ = false;
}

void StringTextBuffer::GetRange(TextPos start, TextPos end, char* out) const {
    start = std::clamp<TextPos>(start, 0, Length());
    end = std::clamp<TextPos>(end, start, Length());
    std::memcpy(out, text_.data() + start, static_cast<std::size_t>(end - start));
}

char StringTextBuffer::CharAt(TextPos pos) const {
    if (pos < 0 || pos >= Length()) {
        return 0;
    }
    return text_[static_cast<std::size_t>(pos)];
}

int64_t StringTextBuffer::LineFromPosition(TextPos pos) const {
    auto it = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), pos);
    return std::max<int64_t>(0, (it - lineStarts_.begin()) - 1);
}

TextPos StringTextBuffer::LineStart(int64_t line) const {
    if (line <= 0) {
        return 0;
    }
    if (line >= LineCount()) {
        return Length();
    }
    return lineStarts_[static_cast<std::size_t>(line)];
}

TextPos StringTextBuffer::LineEnd(int64_t line) const {
    if (line < 0) {
        line = 0;
    }
    if (line >= LineCount() - 1) {
        return Length();
    }
    TextPos end = lineStarts_[static_cast<std::size_t>(line) + 1];
    // A line start follows "\n", "\r\n" or a lone "\r".
    if (end > 0 && text_[static_cast<std::size_t>(end - 1)] == '\n') {
        --end;
        if (end > 0 && text_[static_cast<std::size_t>(end - 1)] == '\r') {
            --end;
        }
    } else if (end > 0) {
        --end;
    }
    return end;
}

// Appends the line starts p with from <= p <= to (p > 0) of the current text: p starts
// a line when the byte before it is "\n", or "\r" not followed by "\n".
void StringTextBuffer::IndexLines(TextPos from, TextPos to, std::vector<TextPos>& out) const {
    const TextPos length = Length();
    for (TextPos p = std::max<TextPos>(from, 1); p <= to && p <= length; ++p) {
        const char before = text_[static_cast<std::size_t>(p - 1)];
        if (before == '\n' || (before == '\r' && (p == length || text_[p] != '\n'))) {
            out.push_back(p);
        }
    }
}

void StringTextBuffer::Replace(TextPos start, TextPos end, std::string_view text) {
    start = std::clamp<TextPos>(start, 0, Length());
    end = std::clamp<TextPos>(end, start, Length());
    if (start == end && text.empty()) {
        return;
    }
    const TextPos inserted = static_cast<TextPos>(text.size());
    const TextPos delta = inserted - (end - start);
    text_.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start), text);
    styles_.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start),
                    text.size(), '\0');
    modified_ = true;
    endStyled_ = std::min(endStyled_, start);

    // Line starts in [start, end] of the old text depend on changed bytes; those in
    // [start, start + inserted] of the new text are found again, the later ones move.
    auto first = std::lower_bound(lineStarts_.begin() + 1, lineStarts_.end(), start);
    auto last = std::upper_bound(first, lineStarts_.end(), end);
    std::vector<TextPos> fresh;
    IndexLines(start, start + inserted, fresh);
    for (auto it = last; it != lineStarts_.end(); ++it) {
        *it += delta;
    }
    auto at = lineStarts_.erase(first, last);
    lineStarts_.insert(at, fresh.begin(), fresh.end());
}

void StringTextBuffer::StartStyling(TextPos pos, int mask) {
    stylingPos_ = std::clamp<TextPos>(pos, 0, Length());
    stylingMask_ = mask & 0xFF;
    endStyled_ = stylingPos_;
}

void StringTextBuffer::SetStyling(TextPos length, int style) {
    const TextPos end = std::min(Length(), stylingPos_ + std::max<TextPos>(0, length));
    for (TextPos p = stylingPos_; p < end; ++p) {
        char& s = styles_[static_cast<std::size_t>(p)];
        s = static_cast<char>((s & ~stylingMask_) | (style & stylingMask_));
    }
    stylingPos_ = end;
    endStyled_ = end;
}

int StringTextBuffer::StyleAt(TextPos pos) const {
    if (pos < 0 || pos >= Length()) {
        return 0;
    }
    return static_cast<unsigned char>(styles_[static_cast<std::size_t>(pos)]);
}

}  // namespace quirn

#include "editor/visible_colouring.h"

#include <algorithm>

#include "editor/tex_colouring.h"

namespace quirn {

void VisibleColouring::SetColourText(bool colour) {
    if (colour != colour_) {
        colour_ = colour;
        styled_.clear();
    }
}

void VisibleColouring::MatchLineCount(int64_t lineCount) {
    const auto count = static_cast<std::size_t>(std::max<int64_t>(0, lineCount));
    if (styled_.size() != count) {
        styled_.assign(count, 0);
    }
}

void VisibleColouring::StyleLines(TextBuffer& text, int64_t first, int64_t end) {
    first = std::max<int64_t>(0, first);
    end = std::min<int64_t>(end, static_cast<int64_t>(styled_.size()));
    int64_t line = first;
    while (line < end) {
        if (styled_[static_cast<std::size_t>(line)] != 0) {
            ++line;
            continue;
        }
        int64_t runEnd = line + 1;
        while (runEnd < end && styled_[static_cast<std::size_t>(runEnd)] == 0) {
            ++runEnd;
        }
        if (colour_) {
            ColourTexLines(text, line, runEnd);
        } else {
            const TextPos start = text.LineStart(line);
            text.StartStyling(start, kTexStyleMask);
            text.SetStyling(text.LineStart(runEnd) - start, kStylePlain);
        }
        std::fill(styled_.begin() + line, styled_.begin() + runEnd, 1);
        line = runEnd;
    }
}

void VisibleColouring::StyleNeeded(TextBuffer& text, std::optional<TextPos> endPos,
                                   int64_t firstShown, int64_t lastShown) {
    const int64_t lineCount = text.LineCount();
    MatchLineCount(lineCount);
    const int64_t first = text.LineFromPosition(text.EndStyled());
    const int64_t end =
        endPos ? text.LineFromPosition(*endPos) : std::max<int64_t>(0, lineCount - 1);
    if (end <= first) {
        return;
    }
    const int64_t shownFirst = std::clamp<int64_t>(firstShown, 0, lineCount);
    const int64_t shownEnd = std::clamp<int64_t>(lastShown, 0, lineCount);
    StyleLines(text, std::max(first, shownFirst - kMargin), std::min(end, shownEnd + kMargin));
    // The rest of the request is passed over: its lines keep their marks, and those not
    // styled are styled when shown.
    const TextPos requestEnd = text.LineStart(end);
    if (text.EndStyled() != requestEnd) {
        text.StartStyling(requestEnd, kTexStyleMask);
    }
}

void VisibleColouring::ColourShown(TextBuffer& text, int64_t firstShown, int64_t lastShown) {
    const int64_t lineCount = text.LineCount();
    MatchLineCount(lineCount);
    const TextPos endStyled = text.EndStyled();
    StyleLines(text, std::clamp<int64_t>(firstShown, 0, lineCount) - kMargin,
               std::clamp<int64_t>(lastShown, 0, lineCount) + kMargin);
    if (text.EndStyled() < endStyled) {
        text.StartStyling(endStyled, kTexStyleMask);
    }
}

void VisibleColouring::OnTextChanged(int64_t line, int64_t linesAdded) {
    const auto size = static_cast<int64_t>(styled_.size());
    if (size == 0) {
        return;  // nothing styled yet; the next request sizes the marks
    }
    const int64_t removed = -linesAdded;
    if (line < 0 || line >= size || (linesAdded < 0 && line + removed + 1 > size)) {
        styled_.clear();
        return;
    }
    styled_[static_cast<std::size_t>(line)] = 0;
    const auto after = styled_.begin() + line + 1;
    if (linesAdded > 0) {
        styled_.insert(after, static_cast<std::size_t>(linesAdded), 0);
    } else if (linesAdded < 0) {
        styled_.erase(after, after + removed);
    }
}

bool VisibleColouring::IsStyled(int64_t line) const {
    return line >= 0 && line < static_cast<int64_t>(styled_.size()) &&
           styled_[static_cast<std::size_t>(line)] != 0;
}

}  // namespace quirn

#include "gui/stc_text_buffer.h"

#include <cstring>

namespace quirn::gui {

void StcTextBuffer::GetRange(TextPos start, TextPos end, char* out) const {
    if (end <= start)
        return;
    wxCharBuffer bytes = stc_.GetTextRangeRaw(static_cast<int>(start), static_cast<int>(end));
    std::size_t n = static_cast<std::size_t>(end - start);
    std::memcpy(out, bytes.data(), std::min(n, bytes.length()));
    if (bytes.length() < n)
        std::memset(out + bytes.length(), 0, n - bytes.length());
}

char StcTextBuffer::CharAt(TextPos pos) const {
    if (pos < 0 || pos >= Length())
        return 0;
    return static_cast<char>(stc_.GetCharAt(static_cast<int>(pos)));
}

int64_t StcTextBuffer::LineFromPosition(TextPos pos) const {
    TextPos length = Length();
    return stc_.LineFromPosition(static_cast<int>(pos > length ? length : pos));
}

TextPos StcTextBuffer::LineStart(int64_t line) const {
    if (line >= LineCount())
        return Length();
    return stc_.PositionFromLine(static_cast<int>(line));
}

TextPos StcTextBuffer::LineEnd(int64_t line) const {
    if (line >= LineCount())
        return Length();
    return stc_.GetLineEndPosition(static_cast<int>(line));
}

void StcTextBuffer::Replace(TextPos start, TextPos end, std::string_view text) {
    stc_.SetTargetStart(static_cast<int>(start));
    stc_.SetTargetEnd(static_cast<int>(end));
    stc_.ReplaceTargetRaw(text.data(), static_cast<int>(text.size()));
}

void StcTextBuffer::StartStyling(TextPos pos, int mask) {
    // Indicators live apart from styles in this component, so styling never touches
    // the spelling marks; the mask keeps only the style bits in range.
    mask_ = mask;
    stc_.StartStyling(static_cast<int>(pos));
}

void StcTextBuffer::SetStyling(TextPos length, int style) {
    stc_.SetStyling(static_cast<int>(length), style & mask_ & 0x1F);
}

}  // namespace quirn::gui

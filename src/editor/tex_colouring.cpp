#include "editor/tex_colouring.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace quirn {
namespace {

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsSymbol(char c) {
    switch (c) {
        case '#':
        case '$':
        case '&':
        case '^':
        case '_':
        case '{':
        case '}':
        case '~':
            return true;
        default:
            return false;
    }
}

// Collects styled runs and hands each to the buffer in one call.
class StyleWriter {
  public:
    explicit StyleWriter(TextBuffer& text) : text_(text) {}
    void Add(TextPos length, int style) {
        if (length <= 0) {
            return;
        }
        if (style != style_ && pending_ > 0) {
            Flush();
        }
        style_ = style;
        pending_ += length;
    }
    void Flush() {
        if (pending_ > 0) {
            text_.SetStyling(pending_, style_);
        }
        pending_ = 0;
    }

  private:
    TextBuffer& text_;
    TextPos pending_ = 0;
    int style_ = kStylePlain;
};

}  // namespace

bool ShouldColourDocument(std::string_view path) {
    return path.find(".log") == std::string_view::npos;
}

bool IsClickableCommand(std::string_view word) {
    if (word == "\\includegraphics" || word == "\\documentclass" || word == "\\usepackage") {
        return true;
    }
    std::string lower(word);
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower.find("ref") != std::string::npos || lower.find("cite") != std::string::npos;
}

void ColourTexLines(TextBuffer& text, int64_t firstLine, int64_t endLine) {
    firstLine = std::max<int64_t>(0, firstLine);
    endLine = std::min(endLine, text.LineCount());
    if (endLine <= firstLine) {
        return;
    }
    const TextPos start = text.LineStart(firstLine);
    text.StartStyling(start, kTexStyleMask);
    StyleWriter writer(text);
    for (int64_t line = firstLine; line < endLine; ++line) {
        // Each line with its line end.
        const TextPos lineStart = text.LineStart(line);
        const std::string bytes = TextOf(text, lineStart, text.LineStart(line + 1));
        const std::size_t n = bytes.size();
        std::size_t i = 0;
        while (i < n) {
            const char c = bytes[i];
            if (c == '%') {
                writer.Add(static_cast<TextPos>(n - i), kStyleComment);
                break;
            }
            if (c == '\\' && i + 1 < n && IsLetter(bytes[i + 1])) {
                std::size_t j = i + 1;
                while (j < n && IsLetter(bytes[j])) {
                    ++j;
                }
                const std::string_view word(bytes.data() + i, j - i);
                writer.Add(static_cast<TextPos>(j - i),
                           IsClickableCommand(word) ? kStyleClickable : kStyleCommand);
                i = j;
            } else if (c == '\\') {
                const std::size_t len = std::min<std::size_t>(2, n - i);
                writer.Add(static_cast<TextPos>(len), kStyleCommand);
                i += len;
            } else {
                writer.Add(1, IsSymbol(c) ? kStyleSymbol : kStylePlain);
                ++i;
            }
        }
    }
    writer.Flush();
}

void ColourStyleNeeded(TextBuffer& text, std::optional<TextPos> endPos) {
    const int64_t first = text.LineFromPosition(text.EndStyled());
    const int64_t end =
        endPos ? text.LineFromPosition(*endPos) : std::max<int64_t>(0, text.LineCount() - 1);
    ColourTexLines(text, first, end);
}

}  // namespace quirn

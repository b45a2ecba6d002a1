#include "editor/brace_match.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <vector>

namespace quirn {
namespace {

constexpr TextPos kChunk = 1024;

using ByteSet = std::array<bool, 256>;

ByteSet MakeSet(std::string_view bytes) {
    ByteSet set{};
    for (char c : bytes) {
        set[static_cast<unsigned char>(c)] = true;
    }
    return set;
}

// Reads the text in 1024-byte chunks through one 1025-byte buffer and finds the nearest
// byte of a set in either direction. A backward chunk is stored reversed, so both
// directions walk the buffer upwards.
class ChunkReader {
  public:
    explicit ChunkReader(const TextBuffer& text) : text_(text), length_(text.Length()) {}

    // The first position >= pos whose byte is in the set, or -1.
    TextPos NextForward(TextPos pos, const ByteSet& set) {
        while (pos < length_) {
            if (backward_ || pos < start_ || pos >= end_) {
                Load(pos, std::min(length_, pos + kChunk), false);
            }
            const unsigned char* b = reinterpret_cast<const unsigned char*>(buffer_.data());
            const TextPos n = end_ - start_;
            for (TextPos i = pos - start_; i < n; ++i) {
                if (set[b[i]]) {
                    return start_ + i;
                }
            }
            pos = end_;
        }
        return -1;
    }

    // The last position <= pos whose byte is in the set, or -1.
    TextPos NextBackward(TextPos pos, const ByteSet& set) {
        pos = std::min(pos, length_ - 1);
        while (pos >= 0) {
            if (!backward_ || pos < start_ || pos >= end_) {
                Load(std::max<TextPos>(0, pos + 1 - kChunk), pos + 1, true);
            }
            // buffer_[k] holds the byte at end_ - 1 - k.
            const unsigned char* b = reinterpret_cast<const unsigned char*>(buffer_.data());
            const TextPos n = end_ - start_;
            for (TextPos k = end_ - 1 - pos; k < n; ++k) {
                if (set[b[k]]) {
                    return end_ - 1 - k;
                }
            }
            pos = start_ - 1;
        }
        return -1;
    }

    // The byte at pos (0 outside the text), from the chunk when it holds it.
    char At(TextPos pos) const {
        if (pos >= start_ && pos < end_) {
            return backward_ ? buffer_[end_ - 1 - pos] : buffer_[pos - start_];
        }
        return text_.CharAt(pos);
    }

  private:
    void Load(TextPos start, TextPos end, bool backward) {
        text_.GetRange(start, end, buffer_.data());
        if (backward) {
            std::reverse(buffer_.begin(), buffer_.begin() + (end - start));
        }
        buffer_[end - start] = '\0';
        start_ = start;
        end_ = end;
        backward_ = backward;
    }

    const TextBuffer& text_;
    const TextPos length_;
    std::array<char, kChunk + 1> buffer_{};
    TextPos start_ = 0;
    TextPos end_ = 0;
    bool backward_ = false;
};

bool IsBigDelimiterAt(const ChunkReader& reader, TextPos q) {
    const char c = reader.At(q);
    if (c != '(' && c != ')' && c != '[' && c != ']') {
        return false;
    }
    auto lower = [&](TextPos pos) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(reader.At(pos))));
    };
    // "\big" ending at `end` (exclusive).
    auto big = [&](TextPos end) {
        return lower(end - 4) == '\\' && lower(end - 3) == 'b' && lower(end - 2) == 'i' &&
               lower(end - 1) == 'g';
    };
    if (q > 3 && big(q)) {
        return true;
    }
    const char last = lower(q - 1);
    if (q > 4 && big(q - 1) && (last == 'g' || last == 'l' || last == 'm' || last == 'r')) {
        return true;
    }
    return q > 5 && big(q - 2) && lower(q - 2) == 'g' &&
           (last == 'l' || last == 'm' || last == 'r');
}

char PartnerOf(char c) {
    switch (c) {
        case '(':
            return ')';
        case '[':
            return ']';
        case '{':
            return '}';
        case ')':
            return '(';
        case ']':
            return '[';
        case '}':
            return '{';
        default:
            return 0;
    }
}

EditOutcome MatchDelimiter(ChunkReader& reader, TextPos p, char c) {
    const char partner = PartnerOf(c);
    const bool forward = c == '(' || c == '[' || c == '{';
    const ByteSet set = MakeSet(std::string{c, partner});
    int depth = 1;
    TextPos pos = forward ? p + 1 : p - 1;
    for (;;) {
        const TextPos q = forward ? reader.NextForward(pos, set) : reader.NextBackward(pos, set);
        if (q < 0) {
            return EditOutcome::Beep();
        }
        pos = forward ? q + 1 : q - 1;
        if (reader.At(q - 1) == '\\' || IsBigDelimiterAt(reader, q)) {
            continue;
        }
        depth += reader.At(q) == c ? 1 : -1;
        if (depth == 0) {
            return EditOutcome::Select(q, q + 1);
        }
    }
}

EditOutcome MatchDollar(ChunkReader& reader, TextRange selection, DollarState& dollar) {
    const TextPos p = selection.start;
    const bool forward =
        !(!selection.Empty() && !dollar.dollarForward && p == dollar.lastDollarPos);
    const bool isDouble = reader.At(p + 1) == '$';
    const ByteSet set = MakeSet("$");
    TextPos pos = forward ? p + (isDouble ? 2 : 1) : p - 1;
    for (;;) {
        const TextPos q = forward ? reader.NextForward(pos, set) : reader.NextBackward(pos, set);
        if (q < 0) {
            dollar.dollarForward = true;
            return EditOutcome::Beep();
        }
        pos = forward ? q + 1 : q - 1;
        if (reader.At(q - 1) == '\\') {
            continue;
        }
        const bool foundDouble = reader.At(forward ? q + 1 : q - 1) == '$';
        if (isDouble && !foundDouble) {
            continue;
        }
        EditOutcome outcome;
        if (!isDouble && foundDouble) {
            outcome.message = "$ and $$ mismatch!";
        }
        if (!foundDouble) {
            outcome.selection = TextRange{q, q + 1};
        } else {
            outcome.selection = forward ? TextRange{q, q + 2} : TextRange{q - 1, q + 1};
        }
        dollar.dollarForward = !dollar.dollarForward;
        dollar.lastDollarPos = q;
        return outcome;
    }
}

}  // namespace

bool IsBigDelimiter(const TextBuffer& text, TextPos q) {
    ChunkReader reader(text);
    return IsBigDelimiterAt(reader, q);
}

EditOutcome MatchBraceOrDollar(const TextBuffer& text, TextRange selection, DollarState& dollar) {
    const TextPos p = selection.start;
    if (p < 0 || p >= text.Length()) {
        return EditOutcome::Beep();
    }
    ChunkReader reader(text);
    if (reader.At(p - 1) == '\\' || IsBigDelimiterAt(reader, p)) {
        return EditOutcome::Beep();
    }
    const char c = reader.At(p);
    if (c == '$') {
        return MatchDollar(reader, selection, dollar);
    }
    if (PartnerOf(c) != 0) {
        return MatchDelimiter(reader, p, c);
    }
    return EditOutcome::Beep();
}

EditOutcome FindMismatchedBraceOrDollar(const TextBuffer& text, TextPos from) {
    static const ByteSet kDelimiters = MakeSet("()[]{}$");
    ChunkReader reader(text);
    std::vector<char> openers;
    std::vector<TextPos> positions;
    int openDollar = 0;  // 0: none, 1: single, 2: double (also its length)
    TextPos dollarPos = 0;

    TextPos pos = std::max<TextPos>(0, from);
    for (;;) {
        const TextPos q = reader.NextForward(pos, kDelimiters);
        if (q < 0) {
            break;
        }
        pos = q + 1;
        if (reader.At(q - 1) == '\\') {
            continue;
        }
        const char c = reader.At(q);
        if (c == '$') {
            const int kind = reader.At(q + 1) == '$' ? 2 : 1;
            if (openDollar == 0) {
                openDollar = kind;
                dollarPos = q;
            } else if (openDollar == kind) {
                openDollar = 0;
            } else {
                // A single open and a double found, or the other way round: the found
                // one is the culprit.
                return EditOutcome::Select(q, q + kind);
            }
            pos = q + kind;
            continue;
        }
        if (IsBigDelimiterAt(reader, q)) {
            continue;
        }
        if (c == '(' || c == '[' || c == '{') {
            openers.push_back(c);
            positions.push_back(q);
            continue;
        }
        const char opener = PartnerOf(c);
        if (openers.empty()) {
            return EditOutcome::Select(q, q + 1);
        }
        if (openers.back() == opener) {
            openers.pop_back();
            positions.pop_back();
            continue;
        }
        const TextPos top = positions.back();
        if (openers.size() >= 2 && openers[openers.size() - 2] == opener) {
            return EditOutcome::Select(top, top + 1);
        }
        return EditOutcome::Select(top, q + 1);
    }
    if (!openers.empty() && (openDollar == 0 || positions.back() > dollarPos)) {
        return EditOutcome::Select(positions.back(), positions.back() + 1);
    }
    if (openDollar == 0) {
        return EditOutcome::Message("No mismatches found!");
    }
    return EditOutcome::Select(dollarPos, dollarPos + openDollar);
}

}  // namespace quirn

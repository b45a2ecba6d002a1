#include "editor/brace_match.h"

#include <algorithm>
#include <array>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
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

// The \big test on bytes in memory: p points at the delimiter and the 6 bytes before it
// are readable (zeros stand for positions before the text start, so "\big" can only
// match when it lies inside the text).
bool IsBigBefore(const unsigned char* p) {
    const unsigned char c = *p;
    if (c != '(' && c != ')' && c != '[' && c != ']') {
        return false;
    }
    // Every family member ends in g, l, m or r; most delimiters stop here.
    const unsigned char last = static_cast<unsigned char>(p[-1] | 0x20);
    if (last != 'g' && last != 'l' && last != 'm' && last != 'r') {
        return false;
    }
    auto big = [](const unsigned char* end) {
        return end[-4] == '\\' && (end[-3] | 0x20) == 'b' && (end[-2] | 0x20) == 'i' &&
               (end[-1] | 0x20) == 'g';
    };
    if (big(p)) {
        return true;
    }
    if (big(p - 1)) {
        return true;  // \bigg \bigl \bigm \bigr
    }
    return last != 'g' && big(p - 2) && (p[-2] | 0x20) == 'g';
}

bool IsBigDelimiterAt(const ChunkReader& reader, TextPos q) {
    unsigned char window[7];
    for (TextPos k = 0; k < 7; ++k) {
        window[k] = static_cast<unsigned char>(reader.At(q - 6 + k));
    }
    return IsBigBefore(window + 6);
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

namespace {

// Delimiter classes of the mismatch scan: openers 1-3, their closers 4-6, dollar 7.
constexpr std::array<uint8_t, 256> MakeClasses() {
    std::array<uint8_t, 256> classes{};
    classes['('] = 1;
    classes['['] = 2;
    classes['{'] = 3;
    classes[')'] = 4;
    classes[']'] = 5;
    classes['}'] = 6;
    classes['$'] = 7;
    return classes;
}
constexpr std::array<uint8_t, 256> kClasses = MakeClasses();

// One bit per byte of p[0..63] that is one of "()[]{}$". The bytes are compared sixteen
// at a time where the processor allows it.
inline uint64_t DelimiterMask(const unsigned char* p) {
    uint64_t mask = 0;
#if defined(__SSE2__)
    // ( and ) are 0x28 and 0x29; [ ] and { } differ in bit 5 only.
    const __m128i one = _mm_set1_epi8(1);
    const __m128i noBit5 = _mm_set1_epi8(static_cast<char>(0xDF));
    const __m128i paren = _mm_set1_epi8(')');
    const __m128i open = _mm_set1_epi8('[');
    const __m128i close = _mm_set1_epi8(']');
    const __m128i dollar = _mm_set1_epi8('$');
    for (int part = 0; part < 4; ++part) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * part));
        const __m128i folded = _mm_and_si128(v, noBit5);
        const __m128i hit = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi8(_mm_or_si128(v, one), paren), _mm_cmpeq_epi8(v, dollar)),
            _mm_or_si128(_mm_cmpeq_epi8(folded, open), _mm_cmpeq_epi8(folded, close)));
        mask |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(hit))) << (16 * part);
    }
#else
    for (int k = 0; k < 64; ++k) {
        mask |= static_cast<uint64_t>(kClasses[p[k]] != 0) << k;
    }
#endif
    return mask;
}

// The letters a \big-family name ends in.
constexpr std::array<uint8_t, 256> MakeBigEndings() {
    std::array<uint8_t, 256> endings{};
    for (unsigned char c : {'g', 'l', 'm', 'r', 'G', 'L', 'M', 'R'}) {
        endings[c] = 1;
    }
    return endings;
}
constexpr std::array<uint8_t, 256> kBigEnding = MakeBigEndings();

struct OpenDelimiter {
    TextPos pos;
    uint8_t kind;  // 1-3
};

}  // namespace

EditOutcome FindMismatchedBraceOrDollar(const TextBuffer& text, TextPos from) {
    // The scan runs over the whole text, so it reads chunks itself: each chunk sits behind
    // the last kLookBehind bytes before it (zeros before the text start), so the escape
    // and \big tests never leave the buffer.
    constexpr TextPos kLookBehind = 64;  // keeps the chunk on a cache-line boundary
    alignas(64) std::array<unsigned char, kLookBehind + kChunk + 64> buffer{};
    unsigned char* const chunk = buffer.data() + kLookBehind;
    // The openers in stack[1..depth]; stack[0] (kind 0) partners nothing.
    std::vector<OpenDelimiter> stack(64, OpenDelimiter{0, 0});
    TextPos depth = 0;
    int openDollar = 0;  // 0: none, 1: single, 2: double (also its length)
    TextPos dollarPos = 0;

    const TextPos length = text.Length();
    TextPos start = std::max<TextPos>(0, from);
    if (start > 0) {
        const TextPos behind = std::min(start, kLookBehind);
        text.GetRange(start - behind, start,
                      reinterpret_cast<char*>(chunk) - static_cast<std::ptrdiff_t>(behind));
    }
    TextPos skip = 0;  // 1: a double dollar ending the last chunk took this one's first byte
    for (TextPos end; start < length; start = end) {
        end = std::min(length, start + kChunk);
        const TextPos n = end - start;
        text.GetRange(start, end, reinterpret_cast<char*>(chunk));
        // Bits past the chunk's end are masked off, so stale bytes there do not count.
        TextPos resume = skip;  // bytes before it were taken by a double dollar
        for (TextPos block = 0; block < n; block += 64) {
            uint64_t mask = DelimiterMask(chunk + block);
            if (n - block < 64) {
                mask &= (uint64_t{1} << (n - block)) - 1;
            }
            for (; mask != 0; mask &= mask - 1) {
                const TextPos i = block + __builtin_ctzll(mask);
                if (i < resume) {
                    continue;
                }
                if (chunk[i - 1] == '\\') {
                    continue;
                }
                const uint8_t kind = kClasses[chunk[i]];
                const TextPos q = start + i;
                if (kind == 7) {
                    const char after =
                        i + 1 < n ? static_cast<char>(chunk[i + 1]) : text.CharAt(q + 1);
                    const int dollars = after == '$' ? 2 : 1;
                    if (openDollar != 0 && openDollar != dollars) {
                        // A single open and a double found, or the other way round: the found
                        // one is the culprit.
                        return EditOutcome::Select(q, q + dollars);
                    }
                    // Opens one of its kind, or closes the open one of the same kind.
                    const bool opening = openDollar == 0;
                    dollarPos = opening ? q : dollarPos;
                    openDollar = opening ? dollars : 0;
                    resume = i + dollars;
                    continue;
                }
                // Only ( ) [ ] after g, l, m or r can be \big delimiters; one test that
                // is almost never true keeps the full check out of the way.
                if ((static_cast<unsigned>(kBigEnding[chunk[i - 1]]) & (0x36u >> kind)) != 0 &&
                    IsBigBefore(chunk + i)) {
                    continue;
                }
                // Openers and closers share one path without branching on which they are
                // (the delimiters of real text come in no predictable order): every one is
                // written above the top, and only an opener moves the top up to it.
                if (depth + 2 > static_cast<TextPos>(stack.size())) {
                    stack.resize(stack.size() * 2);
                }
                const bool opener = kind <= 3;
                stack[depth + 1] = {q, kind};
                if (static_cast<int>(!opener) & static_cast<int>(stack[depth].kind + 3 != kind)) {
                    if (depth == 0) {
                        return EditOutcome::Select(q, q + 1);
                    }
                    const TextPos top = stack[depth].pos;
                    if (depth >= 2 && stack[depth - 1].kind + 3 == kind) {
                        return EditOutcome::Select(top, top + 1);
                    }
                    return EditOutcome::Select(top, q + 1);
                }
                depth += opener ? 1 : -1;
            }
        }
        skip = std::max<TextPos>(0, resume - n);
        std::copy(chunk + n - kLookBehind, chunk + n, buffer.data());
    }
    if (depth > 0 && (openDollar == 0 || stack[depth].pos > dollarPos)) {
        return EditOutcome::Select(stack[depth].pos, stack[depth].pos + 1);
    }
    if (openDollar == 0) {
        return EditOutcome::Message("No mismatches found!");
    }
    return EditOutcome::Select(dollarPos, dollarPos + openDollar);
}

}  // namespace quirn

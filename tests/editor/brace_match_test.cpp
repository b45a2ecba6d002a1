#include "editor/brace_match.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <vector>

#include "editor/string_text_buffer.h"

namespace quirn {
namespace {

EditOutcome Match(const std::string& text, TextPos at, DollarState& dollar, TextPos end = -1) {
    StringTextBuffer b(text);
    return MatchBraceOrDollar(b, TextRange{at, end < 0 ? at : end}, dollar);
}

EditOutcome Match(const std::string& text, TextPos at) {
    DollarState dollar;
    return Match(text, at, dollar);
}

EditOutcome Mismatch(const std::string& text, TextPos from = 0) {
    StringTextBuffer b(text);
    return FindMismatchedBraceOrDollar(b, from);
}

::testing::AssertionResult Selects(const EditOutcome& o, TextPos start, TextPos end) {
    if (o.beep || !o.selection || o.selection->start != start || o.selection->end != end) {
        return ::testing::AssertionFailure()
               << "beep=" << o.beep << " selection="
               << (o.selection
                       ? std::to_string(o.selection->start) + "," + std::to_string(o.selection->end)
                       : "none")
               << " message=" << o.message;
    }
    return ::testing::AssertionSuccess();
}

TEST(MatchBrace, SkipsEscapedAndBigDelimitersInBothDirections) {
    // Escaped delimiters do not count, so the unescaped ")" after "b" closes the first.
    EXPECT_TRUE(Selects(Match("(a \\( b) c)", 0), 7, 8));
    EXPECT_TRUE(Selects(Match("(a \\( b\\) c)", 0), 11, 12));
    EXPECT_TRUE(Selects(Match("(a \\( b\\) c)", 11), 0, 1));
    EXPECT_TRUE(Selects(Match("{[x]{}}", 0), 6, 7));
    EXPECT_TRUE(Selects(Match("{[x]{}}", 3), 1, 2));
    // The \big family is never matched, and is skipped inside a search.
    EXPECT_TRUE(Match("\\bigl( x \\bigr]", 5).beep);
    EXPECT_TRUE(Selects(Match("(\\Bigl( x \\biggr) )", 0), 18, 19));
    EXPECT_TRUE(Selects(Match("(\\left( x \\right) )", 0), 18, 19));  // \left( is not big
    // An escaped delimiter under the caret, a non-delimiter, a missing partner.
    EXPECT_TRUE(Match("\\(x)", 1).beep);
    EXPECT_TRUE(Match("abc", 1).beep);
    EXPECT_TRUE(Match("((x)", 0).beep);
    EXPECT_TRUE(Match("x)", 1).beep);
    EXPECT_TRUE(Match("", 0).beep);
}

TEST(MatchBrace, FarPartnersAcrossManyChunks) {
    // Partners several 1024-byte chunks apart, with nesting and escapes on chunk edges.
    std::string text = "{";
    for (int i = 0; i < 500; ++i) {
        text += "{\\}x}\\{ ";
    }
    text += "}";
    const TextPos last = static_cast<TextPos>(text.size()) - 1;
    EXPECT_TRUE(Selects(Match(text, 0), last, last + 1));
    EXPECT_TRUE(Selects(Match(text, last), 0, 1));
}

TEST(FindMismatched, ChunkEdgesDoNotSplitDoubleDollarsOrEscapes) {
    // Chunks are 1024 bytes: put "$$", "\\{" and "\\bigl(" across every offset of an edge.
    for (int shift = 0; shift < 8; ++shift) {
        const std::string pad(static_cast<std::size_t>(1020 + shift), 'x');
        EXPECT_EQ(Mismatch(pad + "$$y$$ z").message, "No mismatches found!") << shift;
        EXPECT_EQ(Mismatch(pad + "\\{ z").message, "No mismatches found!") << shift;
        EXPECT_EQ(Mismatch(pad + "\\bigl( z").message, "No mismatches found!") << shift;
        EXPECT_TRUE(Selects(Mismatch(pad + "$$y$ z"), 1020 + shift + 3, 1020 + shift + 4)) << shift;
        EXPECT_TRUE(Selects(Mismatch(pad + "{y) z"), 1020 + shift, 1020 + shift + 3)) << shift;
    }
    // A start inside the text still sees the byte before it.
    EXPECT_EQ(Mismatch("\\(x", 1).message, "No mismatches found!");
    EXPECT_EQ(Mismatch("\\bigr) x", 6).message, "No mismatches found!");
    // Deep nesting grows the stack.
    EXPECT_EQ(Mismatch(std::string(5000, '{') + std::string(5000, '}')).message,
              "No mismatches found!");
    EXPECT_TRUE(Selects(Mismatch(std::string(5000, '[') + std::string(4999, ']')), 0, 1));
}

// The mismatch rules one byte at a time, straight from the text, as a reference for the
// chunked scan.
EditOutcome SlowMismatch(const std::string& t) {
    auto at = [&](long p) { return p >= 0 && p < static_cast<long>(t.size()) ? t[p] : '\0'; };
    auto lower = [&](long p) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(at(p))));
    };
    auto big = [&](long end) {
        return lower(end - 4) == '\\' && lower(end - 3) == 'b' && lower(end - 2) == 'i' &&
               lower(end - 1) == 'g';
    };
    std::vector<std::pair<char, long>> stack;
    int open = 0;
    long dollarPos = 0;
    for (long q = 0; q < static_cast<long>(t.size()); ++q) {
        const char c = t[q];
        if (std::string("()[]{}$").find(c) == std::string::npos || at(q - 1) == '\\') {
            continue;
        }
        if (c == '$') {
            const int kind = at(q + 1) == '$' ? 2 : 1;
            if (open == 0) {
                open = kind;
                dollarPos = q;
            } else if (open == kind) {
                open = 0;
            } else {
                return EditOutcome::Select(q, q + kind);
            }
            q += kind - 1;
            continue;
        }
        const char l = lower(q - 1);
        if (std::string("()[]").find(c) != std::string::npos &&
            ((q > 3 && big(q)) ||
             (q > 4 && big(q - 1) && std::string("glmr").find(l) != std::string::npos) ||
             (q > 5 && big(q - 2) && lower(q - 2) == 'g' &&
              std::string("lmr").find(l) != std::string::npos))) {
            continue;
        }
        if (c == '(' || c == '[' || c == '{') {
            stack.push_back({c, q});
            continue;
        }
        const char opener = c == ')' ? '(' : c == ']' ? '[' : '{';
        if (stack.empty()) {
            return EditOutcome::Select(q, q + 1);
        }
        if (stack.back().first == opener) {
            stack.pop_back();
            continue;
        }
        const long top = stack.back().second;
        if (stack.size() >= 2 && stack[stack.size() - 2].first == opener) {
            return EditOutcome::Select(top, top + 1);
        }
        return EditOutcome::Select(top, q + 1);
    }
    if (!stack.empty() && (open == 0 || stack.back().second > dollarPos)) {
        return EditOutcome::Select(stack.back().second, stack.back().second + 1);
    }
    if (open == 0) {
        return EditOutcome::Message("No mismatches found!");
    }
    return EditOutcome::Select(dollarPos, dollarPos + open);
}

TEST(FindMismatched, AgreesWithByteAtATimeRulesOnRandomTexts) {
    std::mt19937 rng(11);
    const std::vector<std::string> pieces = {"(", ")",     "[",  "]",     "{",      "}",
                                             "$", "$$",    "\\", "\\big", "\\Bigl", "\\biggr",
                                             "x", "word ", "\n", "\\left"};
    for (int round = 0; round < 400; ++round) {
        // Every other text puts its delimiters around the first chunk edge (1024).
        std::string text(round % 2 == 0 ? 990 + rng() % 40 : 0, 'x');
        const std::size_t size = text.size() + 1 + rng() % 60;
        while (text.size() < size) {
            // Mostly balanced groups, so that scans often run long.
            const std::string& p = pieces[rng() % pieces.size()];
            text += rng() % 3 == 0 ? "{" + p + "}" : p;
        }
        const EditOutcome expected = SlowMismatch(text);
        const EditOutcome actual = Mismatch(text);
        ASSERT_EQ(actual.message, expected.message) << text;
        ASSERT_EQ(actual.selection, expected.selection) << text;
    }
}

TEST(MatchDollar, HopsBetweenPartnersAndMatchesDoubles) {
    const std::string text = "$a$ and $$b$$";
    DollarState dollar;
    EditOutcome first = Match(text, 0, dollar);
    ASSERT_TRUE(Selects(first, 2, 3));
    // Pressed again with the match selected: back to the opening dollar.
    EXPECT_TRUE(Selects(Match(text, 2, dollar, 3), 0, 1));
    // Pressed again: forward once more.
    EXPECT_TRUE(Selects(Match(text, 0, dollar, 1), 2, 3));

    DollarState fresh;
    EXPECT_TRUE(Selects(Match(text, 8, fresh), 11, 13));
    // And back from the closing double dollar to the opening one, two bytes each.
    EXPECT_TRUE(Selects(Match(text, 11, fresh, 13), 8, 10));

    // A single dollar meeting a double one: the message, and the match is taken.
    DollarState mismatch;
    EditOutcome o = Match("$x$$", 0, mismatch);
    EXPECT_EQ(o.message, "$ and $$ mismatch!");
    EXPECT_TRUE(o.selection && o.selection->start == 2 && o.selection->end == 4);

    // A double dollar skips single ones and escaped ones; nothing found beeps and resets
    // the direction.
    DollarState skip;
    EXPECT_TRUE(Selects(Match("$$ a $b$ \\$ $$", 0, skip), 12, 14));
    DollarState none;
    none.dollarForward = false;
    EXPECT_TRUE(Match("$ x", 0, none).beep);
    EXPECT_TRUE(none.dollarForward);
}

TEST(FindMismatched, CulpritsOfEachKind) {
    EXPECT_TRUE(Selects(Mismatch("(]"), 0, 2));
    EXPECT_TRUE(Selects(Mismatch("(()"), 0, 1));
    EXPECT_TRUE(Selects(Mismatch("x)"), 1, 2));
    // The entry below the top matches: the top opener is the culprit.
    EXPECT_TRUE(Selects(Mismatch("{ ( }"), 2, 3));
    EXPECT_EQ(Mismatch("\\begin{x} (a[b]) $y$ $$z$$ \\{ \\big( \\Bigr]").message,
              "No mismatches found!");
    EXPECT_FALSE(Mismatch("()").selection);
    // Dollars: kinds mixed, and an open dollar at the end.
    EXPECT_TRUE(Selects(Mismatch("$a$$"), 2, 4));
    EXPECT_TRUE(Selects(Mismatch("$$a$ "), 3, 4));
    EXPECT_TRUE(Selects(Mismatch("x $$ y"), 2, 4));
    // An opener after the open dollar wins; one before it loses to the dollar.
    EXPECT_TRUE(Selects(Mismatch("$ ( "), 2, 3));
    EXPECT_TRUE(Selects(Mismatch("( $ "), 2, 3));
    // The scan starts at the given position.
    EXPECT_EQ(Mismatch(")(x)", 1).message, "No mismatches found!");
}

TEST(BigDelimiter, FamilyMembersAndNearTextStart) {
    StringTextBuffer b("\\big( \\Bigl[ \\biggr) \\Biggm( \\left( \\bigx( {");
    EXPECT_TRUE(IsBigDelimiter(b, 4));
    EXPECT_TRUE(IsBigDelimiter(b, 11));
    EXPECT_TRUE(IsBigDelimiter(b, 19));
    EXPECT_TRUE(IsBigDelimiter(b, 27));
    EXPECT_FALSE(IsBigDelimiter(b, 34));
    EXPECT_FALSE(IsBigDelimiter(b, 42));
    EXPECT_FALSE(IsBigDelimiter(b, 44));  // braces never qualify
    StringTextBuffer start("big(");
    EXPECT_FALSE(IsBigDelimiter(start, 3));
}

}  // namespace
}  // namespace quirn

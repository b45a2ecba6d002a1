#include "editor/visible_colouring.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "editor/string_text_buffer.h"
#include "editor/tex_colouring.h"

namespace quirn {
namespace {

// A StringTextBuffer that counts the bytes read and the bytes styled, to see how much of
// the text a request walks.
class CountingBuffer : public TextBuffer {
  public:
    explicit CountingBuffer(std::string_view text) : inner_(text) {}
    TextPos Length() const override { return inner_.Length(); }
    void GetRange(TextPos start, TextPos end, char* out) const override {
        read += end - start;
        inner_.GetRange(start, end, out);
    }
    char CharAt(TextPos pos) const override {
        ++read;
        return inner_.CharAt(pos);
    }
    int64_t LineCount() const override { return inner_.LineCount(); }
    int64_t LineFromPosition(TextPos pos) const override { return inner_.LineFromPosition(pos); }
    TextPos LineStart(int64_t line) const override { return inner_.LineStart(line); }
    TextPos LineEnd(int64_t line) const override { return inner_.LineEnd(line); }
    void Replace(TextPos start, TextPos end, std::string_view text) override {
        inner_.Replace(start, end, text);
    }
    void EmptyUndoBuffer() override {}
    void SetSavePoint() override {}
    bool IsModified() const override { return inner_.IsModified(); }
    void StartStyling(TextPos pos, int mask) override { inner_.StartStyling(pos, mask); }
    void SetStyling(TextPos length, int style) override {
        styled += length;
        inner_.SetStyling(length, style);
    }
    TextPos EndStyled() const override { return inner_.EndStyled(); }

    const StringTextBuffer& Inner() const { return inner_; }
    mutable TextPos read = 0;
    TextPos styled = 0;

  private:
    StringTextBuffer inner_;
};

std::string NumberedLines(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += "\\section{" + std::to_string(i) + "} $x^2$ % note\n";
    }
    return text;
}

// What colouring the whole text gives.
std::string WholeTextStyles(const std::string& text) {
    StringTextBuffer all(text);
    ColourTexLines(all, 0, all.LineCount());
    return all.Styles();
}

TEST(VisibleColouring, JumpToTheEndWalksOnlyTheShownLinesAndLaterRequestsOnlyChangedOnes) {
    const int lines = 20000;
    CountingBuffer b(NumberedLines(lines));
    const TextPos lineLength = b.LineStart(lines) - b.LineStart(lines - 1);  // the longest
    const int64_t last = b.LineCount();  // the empty line after the final line end
    // Every byte marked misspelled: colouring keeps that bit.
    b.StartStyling(0, 0xFF);
    b.SetStyling(b.Length(), 0x20);
    b.StartStyling(0, kTexStyleMask);
    b.styled = 0;
    VisibleColouring colouring;

    // Jump to the end: the request runs from the text start to the last line.
    colouring.StyleNeeded(b, b.Length(), last - 60, last);
    EXPECT_EQ(b.EndStyled(), b.LineStart(last - 1));
    const TextPos screenBytes = (60 + VisibleColouring::kMargin) * lineLength;
    EXPECT_LE(b.read, screenBytes);
    EXPECT_LE(b.styled, screenBytes);
    EXPECT_TRUE(colouring.IsStyled(last - 2));
    EXPECT_FALSE(colouring.IsStyled(last - 60 - VisibleColouring::kMargin - 1));
    EXPECT_FALSE(colouring.IsStyled(0));
    const std::string whole = WholeTextStyles(b.Inner().Text());
    const TextPos at = b.LineStart(last - 30);
    EXPECT_EQ(b.Inner().StyleAt(at), (whole[at] & 0xFF) | 0x20);

    // Scrolling to the top: the component has nothing to ask, the window colours the
    // shown lines, and the styled end stays where it was.
    b.read = 0;
    colouring.ColourShown(b, 0, 40);
    EXPECT_LE(b.read, (40 + VisibleColouring::kMargin) * lineLength);
    EXPECT_EQ(b.EndStyled(), b.LineStart(last - 1));
    for (TextPos p = 0; p < b.LineStart(40); ++p) {
        ASSERT_EQ(b.Inner().StyleAt(p), whole[p] | 0x20) << "at " << p;
    }
    // Nothing left to do on the same screen.
    b.read = 0;
    colouring.ColourShown(b, 0, 40);
    colouring.StyleNeeded(b, b.LineStart(40), 0, 40);
    EXPECT_EQ(b.read, 0);

    // An edit on line 10 moves the styled end back to it; the next request walks that
    // line only, although the lines after it up to the shown end are requested.
    const TextPos editAt = b.LineStart(10) + 3;
    const int64_t before = b.LineCount();
    b.Replace(editAt, editAt, "x%\n");
    colouring.OnTextChanged(b.LineFromPosition(editAt), b.LineCount() - before);
    EXPECT_EQ(b.EndStyled(), editAt);
    b.read = 0;
    colouring.StyleNeeded(b, b.LineStart(41), 0, 41);
    EXPECT_EQ(b.read, b.LineStart(12) - b.LineStart(10));
    EXPECT_EQ(b.EndStyled(), b.LineStart(41));
    const std::string edited = WholeTextStyles(b.Inner().Text());
    for (TextPos p = 0; p < b.LineStart(41); ++p) {
        ASSERT_EQ(b.Inner().StyleAt(p) & 0x1F, edited[p]) << "at " << p;
    }
}

// Random TeX-like text with every kind of line end, so edits split and join "\r\n".
std::string RandomPiece(std::mt19937& rng, int tokens) {
    static const char* const kTokens[] = {
        "a", "Zq",  "\\", "\\ref", "\\cite{k}", "\\emph", "%",  "% c",  "{",   "}",
        "$", "#&_", " ",  "\n",    "\r",        "\r\n",   "\n", "\\\\", "x\n", "\\usepackage"};
    std::string out;
    for (int i = 0; i < tokens; ++i) {
        out += kTokens[rng() % (sizeof kTokens / sizeof kTokens[0])];
    }
    return out;
}

TEST(VisibleColouring, ShownLinesMatchColouringTheWholeTextThroughJumpsScrollsAndEdits) {
    for (unsigned seed = 1; seed <= 60; ++seed) {
        std::mt19937 rng(seed);
        StringTextBuffer b(RandomPiece(rng, 400 + static_cast<int>(rng() % 400)));
        VisibleColouring colouring;
        const int64_t screen = 3 + rng() % 25;
        int64_t top = 0;
        for (int step = 0; step < 120; ++step) {
            const unsigned op = rng() % 12;
            if (op < 3) {  // jump anywhere
                top = rng() % b.LineCount();
            } else if (op < 5) {  // scroll a little
                top += static_cast<int64_t>(rng() % 11) - 5;
            } else if (op < 9) {  // edit, anywhere in the text
                const TextPos start = rng() % (b.Length() + 1);
                const TextPos end = std::min<TextPos>(b.Length(), start + rng() % 12);
                // The component reports a replacement as a deletion and an insertion.
                int64_t lines = b.LineCount();
                b.Delete(start, end);
                colouring.OnTextChanged(b.LineFromPosition(start), b.LineCount() - lines);
                lines = b.LineCount();
                b.Insert(start, RandomPiece(rng, static_cast<int>(rng() % 4)));
                colouring.OnTextChanged(b.LineFromPosition(start), b.LineCount() - lines);
            } else if (op == 9) {  // the component restyles everything
                b.StartStyling(0, kTexStyleMask);
                colouring.StyleNeeded(b, b.Length(), top, top + screen);
            } else if (op == 10) {  // a request without an end position
                colouring.StyleNeeded(b, std::nullopt, top, top + screen);
            } else if (rng() % 4 == 0) {  // a log: plain text, and back
                colouring.SetColourText(!colouring.ColourText());
            }
            top = std::clamp<int64_t>(top, 0, b.LineCount() - 1);
            if (op >= 5 && op < 9 && rng() % 3 == 0) {
                continue;  // several edits before the window paints
            }
            // Painting: the component asks up to the line after the shown ones, the window
            // colours what it shows; either may come first.
            const int64_t shownEnd = top + screen;
            const TextPos paintEnd = shownEnd < b.LineCount() ? b.LineStart(shownEnd) : b.Length();
            const bool requestFirst = rng() % 2 == 0;
            if (!requestFirst) {
                colouring.ColourShown(b, top, shownEnd);
            }
            if (b.EndStyled() < paintEnd) {
                colouring.StyleNeeded(b, paintEnd, top, shownEnd);
            }
            if (requestFirst) {
                colouring.ColourShown(b, top, shownEnd);
            }
            const std::string expected = colouring.ColourText()
                                             ? WholeTextStyles(b.Text())
                                             : std::string(b.Styles().size(), '\0');
            const TextPos from = b.LineStart(top);
            const TextPos to = b.LineStart(shownEnd);
            ASSERT_EQ(b.Styles().substr(from, to - from), expected.substr(from, to - from))
                << "seed " << seed << " step " << step << " lines " << top << ".." << shownEnd;
            ASSERT_GE(b.EndStyled(), std::min(paintEnd, b.LineStart(b.LineCount() - 1)))
                << "seed " << seed << " step " << step;
        }
    }
}

TEST(VisibleColouring, InconsistentChangeOrMissedChangeForgetsAllMarks) {
    StringTextBuffer b(NumberedLines(30));
    VisibleColouring colouring;
    colouring.StyleNeeded(b, b.LineStart(20), 0, 20);
    ASSERT_TRUE(colouring.IsStyled(5));
    // Removing more lines than there are after line 25.
    colouring.OnTextChanged(25, -10);
    EXPECT_FALSE(colouring.IsStyled(5));

    colouring.ColourShown(b, 0, 20);
    ASSERT_TRUE(colouring.IsStyled(5));
    // A change the colouring never heard of: the line count disagrees.
    b.Replace(0, 0, "\\new\n");
    b.StartStyling(b.LineStart(30), kTexStyleMask);
    colouring.ColourShown(b, 0, 20);
    EXPECT_EQ(b.Styles().substr(0, b.LineStart(20)),
              WholeTextStyles(b.Text()).substr(0, b.LineStart(20)));
    EXPECT_EQ(b.EndStyled(), b.LineStart(30));
}

}  // namespace
}  // namespace quirn

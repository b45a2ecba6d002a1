// Editor core timings on a generated 5 MB LaTeX text held in a StringTextBuffer:
//
//   mismatch: Find Mismatched Brace or $ over the whole (balanced) text against a plain
//             strpbrk-style scan that reads the same bytes in the same 1024-byte chunks,
//             finds each of the same delimiters "()[]{}$" and counts it. Limit: 3 times
//             the plain scan.
//   colour:   painting one screen (60 lines) of a fresh, unstyled document: the
//             component's styling request answered by VisibleColouring plus the window's
//             call for the shown lines. After a jump to the end the request runs from the
//             text start to the last line; only the shown lines may be walked, so it costs
//             at most twice the first screen. Limit: 2.
//   (info)    the same request after the jump walking the whole text (ColourStyleNeeded).
//
// usage: bench_editor [MEGABYTES] [ROUNDS]      (defaults: 5, 15)
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "editor/brace_match.h"
#include "editor/string_text_buffer.h"
#include "editor/tex_colouring.h"
#include "editor/visible_colouring.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace quirn;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// A LaTeX article of about `bytes` bytes whose delimiters all balance: paragraphs with
// inline and displayed mathematics, commands with arguments, comments, \big delimiters.
std::string GenerateLatex(std::size_t bytes) {
    // Words of many lengths, as prose has, so that the gaps between delimiters vary.
    static const char* const kWords[] = {
        "a",          "of",         "the",         "and",     "to",          "in",       "is",
        "that",       "for",        "it",          "as",      "with",        "be",       "on",
        "not",        "this",       "but",         "by",      "from",        "which",    "or",
        "an",         "we",         "all",         "engine",  "output",      "window",   "format",
        "source",     "special",    "page",        "font",    "metric",      "document", "section",
        "paragraph",  "reference",  "contents",    "list",    "typesetting", "glyph",    "baseline",
        "kerning",    "ligature",   "hyphenation", "penalty", "boxes",       "glue",     "vertical",
        "horizontal", "mode",       "math",        "display", "equation",    "theorem",  "proof",
        "lemma",      "definition", "x",           "y"};
    constexpr unsigned kWordCount = sizeof kWords / sizeof kWords[0];
    std::string text = "\\documentclass{article}\n\\usepackage{amsmath}\n\\begin{document}\n";
    unsigned state = 12345;
    auto next = [&state](unsigned n) {
        state = state * 1103515245u + 12345u;
        return (state >> 16) % n;
    };
    int section = 0;
    while (text.size() < bytes) {
        ++section;
        text += "\\section{Part " + std::to_string(section) +
                "}\\label{sec:" + std::to_string(section) + "}\n";
        for (int para = 0; para < 6; ++para) {
            for (int line = 0; line < 8; ++line) {
                std::string l;
                while (l.size() < 60) {
                    switch (next(24)) {
                        case 0:
                            l += "$x_{" + std::to_string(next(9)) + "}^2$ ";
                            break;
                        case 1:
                            l += "\\emph{" + std::string(kWords[next(kWordCount)]) + "} ";
                            break;
                        case 2:
                            l += "(see \\ref{sec:" + std::to_string(next(50)) + "}) ";
                            break;
                        case 3:
                            l += "[" + std::string(kWords[next(kWordCount)]) + "] ";
                            break;
                        case 4:
                            l += "\\cite{key" + std::to_string(next(99)) + "} ";
                            break;
                        default:
                            l += kWords[next(kWordCount)];
                            l += ' ';
                            break;
                    }
                }
                text += l + "\n";
            }
            if (para % 2 == 1) {
                text +=
                    "\\begin{equation}\n  \\bigl( a + b \\bigr] = \\frac{c}{d} \\quad "
                    "\\{ e \\} $$ f $$\n\\end{equation}\n% a comment (with [brackets])\n";
            }
            text += "\n";
        }
    }
    text += "\\end{document}\n";
    return text;
}

long PlainScan(const TextBuffer& text) {
    std::array<bool, 256> set{};
    for (unsigned char c : std::string("()[]{}$")) {
        set[c] = true;
    }
    char buffer[1025];
    long count = 0;
    const TextPos length = text.Length();
    for (TextPos start = 0; start < length; start += 1024) {
        const TextPos end = std::min<TextPos>(length, start + 1024);
        text.GetRange(start, end, buffer);
        // strpbrk-style: find the next delimiter, count it, go on after it.
        const TextPos n = end - start;
        for (TextPos i = 0;; ++i) {
            while (i < n && !set[static_cast<unsigned char>(buffer[i])]) {
                ++i;
            }
            if (i >= n) {
                break;
            }
            ++count;
        }
    }
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 5;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 15;
    StringTextBuffer text(GenerateLatex(static_cast<std::size_t>(megabytes * 1024 * 1024)));
    std::printf("text: %lld bytes, %lld lines\n", static_cast<long long>(text.Length()),
                static_cast<long long>(text.LineCount()));

    std::vector<double> scan, plain;
    long delimiters = 0;
    for (int r = 0; r < rounds; ++r) {
        auto t0 = Clock::now();
        const EditOutcome outcome = FindMismatchedBraceOrDollar(text, 0);
        auto t1 = Clock::now();
        delimiters = PlainScan(text);
        auto t2 = Clock::now();
        if (outcome.message != "No mismatches found!") {
            std::fprintf(stderr, "the generated text should balance\n");
            return 1;
        }
        scan.push_back(Ms(t1 - t0));
        plain.push_back(Ms(t2 - t1));
    }
    const double scanRatio = Median(scan) / Median(plain);
    std::printf(
        "mismatch: scan %.2f ms, plain scan %.2f ms (%ld delimiters), ratio %.2f "
        "(limit 3) %s\n",
        Median(scan), Median(plain), delimiters, scanRatio, scanRatio <= 3 ? "ok" : "TOO SLOW");

    // A fresh document for each measurement: every style byte 0, nothing styled, and a
    // new VisibleColouring (no line marked).
    auto fresh = [&text] {
        text.StartStyling(0, 0xFF);
        text.SetStyling(text.Length(), kStylePlain);
        text.StartStyling(0, kTexStyleMask);
    };
    // One paint of the shown lines [shownFirst, shownEnd): the component's request up to
    // the line after them (the text end for the last screen), then the window's call for
    // the shown lines.
    auto paint = [&text](int64_t shownFirst, int64_t shownEnd) {
        VisibleColouring colouring;
        const TextPos end = shownEnd < text.LineCount() ? text.LineStart(shownEnd) : text.Length();
        colouring.StyleNeeded(text, end, shownFirst, shownEnd);
        colouring.ColourShown(text, shownFirst, shownEnd);
    };
    const int64_t screen = 60;
    const int64_t lines = text.LineCount();
    std::vector<double> first, last;
    for (int r = 0; r < rounds * 10; ++r) {
        fresh();
        auto t0 = Clock::now();
        paint(0, screen);
        auto t1 = Clock::now();
        fresh();
        auto t2 = Clock::now();
        paint(lines - screen, lines);
        auto t3 = Clock::now();
        first.push_back(Ms(t1 - t0));
        last.push_back(Ms(t3 - t2));
    }
    const double colourRatio = Median(last) / Median(first);
    std::printf(
        "colour: first screen %.4f ms, last screen after a jump to the end %.4f ms, ratio "
        "%.2f (limit 2) %s\n",
        Median(first), Median(last), colourRatio, colourRatio <= 2 ? "ok" : "TOO SLOW");

    // What answering that request by walking it all costs.
    fresh();
    auto t0 = Clock::now();
    ColourStyleNeeded(text, text.Length());
    std::printf("colour (info): the same request walking the whole text %.1f ms\n",
                Ms(Clock::now() - t0));
    return scanRatio <= 3 && colourRatio <= 2 ? 0 : 1;
}

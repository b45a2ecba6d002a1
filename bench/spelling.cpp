// Background spell checking of a long document, as the editor window runs it: batches
// of lines whose words go to ispell together, in slices of at most a few milliseconds
// with a pause between them, so that typing is served between the slices.
//
//   complete: the time from opening a 5,000-line document until every line has been
//             checked, pauses included. Limit: 2000 ms.
//   slice:    the longest slice, the most a keystroke can wait for the speller; the
//             median slice for comparison. Limit: 3 times the slice budget.
//   slices:   how many slices the check took.
//
// Every run starts a fresh ispell, so nothing is remembered between runs.
//
// usage: bench_spelling [LINES] [ROUNDS]      (defaults: 5000, 5)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app/data_roots.h"
#include "editor/background_spelling.h"
#include "editor/spell_check_walk.h"
#include "editor/spell_checker.h"
#include "editor/string_text_buffer.h"
#include "platform/output_sink.h"
#include "platform/user_prompt.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace quirn;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// A LaTeX document of `lines` lines: prose from a few hundred common words, made-up
// words (each new to ispell, as names and misspellings are), commands, citations,
// mathematics and comments.
std::vector<std::string> GenerateDocument(int lines) {
    static const char* const kWords[] = {
        "the",         "of",          "and",         "to",          "in",         "is",
        "that",        "for",         "it",          "as",          "with",       "be",
        "on",          "not",         "this",        "but",         "by",         "from",
        "which",       "or",          "an",          "we",          "all",        "engine",
        "output",      "window",      "format",      "source",      "special",    "page",
        "font",        "metric",      "document",    "section",     "paragraph",  "reference",
        "contents",    "list",        "typesetting", "glyph",       "baseline",   "kerning",
        "ligature",    "hyphenation", "penalty",     "boxes",       "glue",       "vertical",
        "horizontal",  "mode",        "math",        "display",     "equation",   "theorem",
        "proof",       "lemma",       "definition",  "result",      "method",     "analysis",
        "measurement", "between",     "however",     "therefore",   "although",   "experiment",
        "observed",    "function",    "value",       "structure",   "previous",   "following",
        "example",     "different",   "important",   "general",     "particular", "problem",
        "solution",    "consider",    "interesting", "approach",    "possible",   "children's",
        "doesn't",     "university",  "committee",   "environment", "necessary"};
    static const char* const kSyllables[] = {"ka",  "lo",  "mer", "tin", "qua", "zor", "ve",
                                             "nex", "bri", "sul", "dra", "pho", "gin", "tex"};
    constexpr unsigned kWordCount = sizeof kWords / sizeof kWords[0];
    constexpr unsigned kSyllableCount = sizeof kSyllables / sizeof kSyllables[0];
    unsigned state = 4711;
    auto next = [&state](unsigned n) {
        state = state * 1103515245u + 12345u;
        return (state >> 16) % n;
    };
    std::vector<std::string> doc{"\\documentclass{article}", "\\begin{document}"};
    while (static_cast<int>(doc.size()) < lines - 1) {
        std::string l;
        while (l.size() < 70) {
            switch (next(20)) {
                case 0:
                    l += "$x_{" + std::to_string(next(9)) + "}$ ";
                    break;
                case 1:
                    l += "\\cite{key" + std::to_string(next(500)) + "} ";
                    break;
                case 2:
                    l += "\\emph{" + std::string(kWords[next(kWordCount)]) + "} ";
                    break;
                case 3:
                case 4: {
                    std::string made;
                    for (unsigned n = 2 + next(3); n > 0; --n)
                        made += kSyllables[next(kSyllableCount)];
                    l += made + " ";
                    break;
                }
                case 5:
                    l += "% a remark ";
                    break;
                default:
                    l += kWords[next(kWordCount)];
                    l += ' ';
            }
        }
        doc.push_back(l);
    }
    doc.push_back("\\end{document}");
    return doc;
}

struct Round {
    double complete = 0;
    double longestSlice = 0;
    double medianSlice = 0;
    long slices = 0;
    long unknown = 0;
};

Round CheckLikeTheWindow(const std::vector<std::string>& doc) {
    DataRoots roots{"/nonexistent/", "/nonexistent/", "/nonexistent/", "/nonexistent/"};
    NullSink output;
    ScriptedPrompt prompt;
    SpellChecker checker(roots, output, prompt);
    std::string text;
    for (const std::string& line : doc)
        text += line + "\n";
    StringTextBuffer buffer;
    buffer.Replace(0, 0, text);
    LineTracker tracker;
    BackgroundSpellPass pass(buffer, tracker);
    Round r;
    const Clock::time_point open = Clock::now();
    if (!checker.Ensure("american")) {
        std::fprintf(stderr, "bench_spelling: ispell with its American dictionary is needed\n");
        std::exit(2);
    }
    std::vector<double> slices;
    bool more = true;
    while (more) {
        const Clock::time_point sliceStart = Clock::now();
        more = pass.Slice(checker, kBackgroundSliceMs, 0, 60,
                          [&](int64_t, const std::vector<SpellWord>& unknown) {
                              r.unknown += static_cast<long>(unknown.size());
                          });
        slices.push_back(Ms(Clock::now() - sliceStart));
        if (std::getenv("BENCH_SLICES"))
            std::fprintf(stderr, "slice %.2f\n", slices.back());
        if (more)
            std::this_thread::sleep_for(std::chrono::milliseconds(kBackgroundPauseMs));
    }
    r.complete = Ms(Clock::now() - open);
    r.slices = static_cast<long>(slices.size());
    std::sort(slices.begin(), slices.end());
    r.longestSlice = slices.back();
    r.medianSlice = slices[slices.size() / 2];
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    const int lines = argc > 1 ? std::atoi(argv[1]) : 5000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const std::vector<std::string> doc = GenerateDocument(lines);
    std::vector<double> complete, longest, median;
    long slices = 0;
    long unknown = 0;
    for (int i = 0; i < rounds; ++i) {
        Round r = CheckLikeTheWindow(doc);
        complete.push_back(r.complete);
        longest.push_back(r.longestSlice);
        median.push_back(r.medianSlice);
        slices = r.slices;
        unknown = r.unknown;
    }
    auto med = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const double worstSlice = med(longest);
    std::printf("document: %d lines, %ld unknown words\n", lines, unknown);
    std::printf("complete: %.0f ms (median of %d; limit 2000)\n", med(complete), rounds);
    std::printf("slice:    longest %.2f ms, median %.2f ms (budget %d ms; limit %d)\n", worstSlice,
                med(median), kBackgroundSliceMs, 3 * kBackgroundSliceMs);
    std::printf("slices:   %ld, with %d ms between them\n", slices, kBackgroundPauseMs);
    const bool ok = med(complete) <= 2000 && worstSlice <= 3 * kBackgroundSliceMs;
    std::printf("%s\n", ok ? "ok" : "TOO SLOW");
    return ok ? 0 : 1;
}

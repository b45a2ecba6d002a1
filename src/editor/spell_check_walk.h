// The walk of the Spell Check command and of background checking over TeX source:
// the scanner's words, asked of the spell checker, with repeated words found when the
// options ask for it. The walk never changes the text; the dialog (or the headless
// command) decides what to do with each finding.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/spell_scanner.h"

namespace quirn {

class SpellChecker;

struct SpellFinding {
    bool repeated = false;
    // The unknown word, or for a repeated word the previous word through this one.
    std::size_t start = 0;
    std::size_t end = 0;
    // The word; for a repeated word the previous word, a blank and the word.
    std::string text;
};

class SpellCheckWalk {
  public:
    // Walks [from, to) of `text`; the words there are asked of ispell in batches first.
    SpellCheckWalk(SpellChecker& checker, std::string_view text, std::size_t from, std::size_t to,
                   SpellScanState state = {});

    // The next finding, or none at the end of the range. Every word checked counts in
    // Scanned().
    std::optional<SpellFinding> Next();
    int Scanned() const { return scanned_; }
    // After the text was changed at a finding: go on over the new text at `from` (the
    // end of the replacement) up to `to`, keeping the scanner's mode.
    void Continue(std::string_view text, std::size_t from, std::size_t to);
    SpellScanState State() const { return scanner_.State(); }

  private:
    void Prefetch(std::size_t from, std::size_t to);

    SpellChecker& checker_;
    std::string_view text_;
    TexWordScanner scanner_;
    std::string previous_;
    std::size_t previousStart_ = 0;
    bool hasPrevious_ = false;
    int scanned_ = 0;
};

// Background checking runs on the window's thread in slices of at most this many
// milliseconds, with this pause between them (typing is served in the pauses), asking
// ispell about the words of this many lines at a time.
inline constexpr int kBackgroundSliceMs = 4;
inline constexpr int kBackgroundPauseMs = 10;
inline constexpr int kBackgroundBatchLines = 10;
// Words new to ispell are first collected over the unchecked lines, this many bytes at
// most for one list run (SpellChecker::StartListRun).
inline constexpr std::size_t kBackgroundListBytes = 24 * 1024;

// FindNextUnknownWord: the first unknown word of `text` from `from` on (background
// checking runs it over one line at a time).
std::optional<SpellWord> FindNextUnknownWord(SpellChecker& checker, std::string_view text,
                                             std::size_t from);

// Every unknown word of one line, asked of ispell in one batch.
std::vector<SpellWord> UnknownWordsOfLine(SpellChecker& checker, std::string_view line);
// The same for several lines at once (background checking's batch): the words of all
// of them go to ispell together.
std::vector<std::vector<SpellWord>> UnknownWordsOfLines(SpellChecker& checker,
                                                        const std::vector<std::string>& lines);

}  // namespace quirn

// The TeX-aware word scanner of spell checking: it walks TeX source and yields the
// words to check, passing over control words, the arguments of citation, reference
// and label commands, mathematics and (when asked) comments.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "app/settings_values.h"

namespace quirn {

// Where a word to check lies in the scanned text: [start, end), with trailing
// apostrophes and a final "'s" already dropped.
struct SpellWord {
    std::size_t start = 0;
    std::size_t end = 0;
    bool operator==(const SpellWord&) const = default;
};

// The scanner's mode at a place in the text; a walk that restarts after an edit
// carries it over.
struct SpellScanState {
    bool inMath = false;
    bool inComment = false;
};

class TexWordScanner {
  public:
    TexWordScanner(std::string_view text, const SpellOptions& options, std::size_t from = 0,
                   SpellScanState state = {});

    // The next word to check before `limit` (the end of the text by default), or none.
    std::optional<SpellWord> Next();
    void SetLimit(std::size_t limit) { limit_ = limit < text_.size() ? limit : text_.size(); }

    std::size_t Position() const { return pos_; }
    SpellScanState State() const { return state_; }

  private:
    void ControlSequence();
    void SkipBlanks(std::size_t& at) const;
    std::size_t ScanWord(std::size_t start, SpellWord& word) const;

    std::string_view text_;
    SpellOptions options_;
    std::size_t pos_;
    std::size_t limit_;
    SpellScanState state_;
};

// Letters of a word to check: ASCII letters and every byte from 128 on.
inline bool IsSpellLetter(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 128;
}

}  // namespace quirn

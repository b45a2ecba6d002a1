// Background spell checking of a document, one short slice at a time on the caller's
// thread: words new to ispell are first collected over the unchecked lines and handed
// to a list-mode ispell that answers without being waited for; then the lines are
// checked from the answers (the shown lines first) and each is handed to the caller
// to mark, and the line tracker notes it as checked.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "editor/line_tracker.h"
#include "editor/spell_scanner.h"
#include "editor/text_buffer.h"

namespace quirn {

class SpellChecker;

class BackgroundSpellPass {
  public:
    using MarkLine = std::function<void(int64_t line, const std::vector<SpellWord>& unknown)>;

    BackgroundSpellPass(const TextBuffer& text, LineTracker& tracker)
        : text_(text), tracker_(tracker) {}

    // After a change (or when every line was reset): look for new words again.
    void Restart() { gatherLine_ = 0; }

    // One slice of at most about `budgetMs` milliseconds; the lines [shownFirst,
    // shownLast) go first. True while work remains.
    bool Slice(SpellChecker& checker, int budgetMs, int64_t shownFirst, int64_t shownLast,
               const MarkLine& mark);

    bool Pending() const;

  private:
    void CheckLines(SpellChecker& checker, const std::vector<int64_t>& lines, const MarkLine& mark);

    const TextBuffer& text_;
    LineTracker& tracker_;
    int64_t gatherLine_ = 0;
};

}  // namespace quirn

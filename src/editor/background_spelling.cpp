#include "editor/background_spelling.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <string>

#include "editor/spell_check_walk.h"
#include "editor/spell_checker.h"

namespace quirn {

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

bool BackgroundSpellPass::Pending() const {
    const int64_t lines = text_.LineCount();
    if (tracker_.Size() != lines)
        return true;
    for (int64_t line = 0; line < lines; ++line) {
        if (!tracker_.IsChecked(line))
            return true;
    }
    return false;
}

bool BackgroundSpellPass::Slice(SpellChecker& checker, int budgetMs, int64_t shownFirst,
                                int64_t shownLast, const MarkLine& mark) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(budgetMs);
    if (checker.ListRunActive() && checker.PollListRun())
        return true;
    const int64_t lineCount = text_.LineCount();
    tracker_.Resize(lineCount);

    // Words new to ispell go to one list run first, so that checking asks nothing.
    std::deque<std::string> texts;
    std::vector<std::string_view> fresh;
    std::size_t bytes = 0;
    while (gatherLine_ < lineCount && bytes < kBackgroundListBytes && Clock::now() < deadline) {
        if (!tracker_.IsChecked(gatherLine_)) {
            texts.push_back(
                TextOf(text_, text_.LineStart(gatherLine_), text_.LineEnd(gatherLine_)));
            const std::string_view line = texts.back();
            TexWordScanner scanner(line, checker.Options());
            while (std::optional<SpellWord> word = scanner.Next()) {
                std::string_view w = line.substr(word->start, word->end - word->start);
                if (!checker.Answered(w)) {
                    fresh.push_back(w);
                    bytes += w.size() + 1;
                }
            }
        }
        ++gatherLine_;
    }
    if (!fresh.empty() && checker.StartListRun(fresh))
        return true;
    if (gatherLine_ < lineCount)
        return true;

    shownFirst = std::clamp<int64_t>(shownFirst, 0, lineCount);
    shownLast = std::clamp<int64_t>(shownLast, shownFirst, lineCount);
    int64_t shownCursor = shownFirst;
    int64_t cursor = 0;
    do {
        std::vector<int64_t> batch;
        while (static_cast<int>(batch.size()) < kBackgroundBatchLines && shownCursor < shownLast) {
            if (!tracker_.IsChecked(shownCursor))
                batch.push_back(shownCursor);
            ++shownCursor;
        }
        while (static_cast<int>(batch.size()) < kBackgroundBatchLines && cursor < lineCount) {
            if (!tracker_.IsChecked(cursor) &&
                std::find(batch.begin(), batch.end(), cursor) == batch.end())
                batch.push_back(cursor);
            ++cursor;
        }
        if (batch.empty())
            return false;
        CheckLines(checker, batch, mark);
    } while (Clock::now() < deadline);
    return Pending();
}

void BackgroundSpellPass::CheckLines(SpellChecker& checker, const std::vector<int64_t>& lines,
                                     const MarkLine& mark) {
    std::vector<std::string> texts;
    texts.reserve(lines.size());
    for (int64_t line : lines)
        texts.push_back(TextOf(text_, text_.LineStart(line), text_.LineEnd(line)));
    const std::vector<std::vector<SpellWord>> unknown = UnknownWordsOfLines(checker, texts);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        mark(lines[i], unknown[i]);
        tracker_.SetChecked(lines[i], true);
    }
}

}  // namespace quirn

#include "editor/spell_check_walk.h"

#include <algorithm>

#include "editor/spell_checker.h"

namespace quirn {

SpellCheckWalk::SpellCheckWalk(SpellChecker& checker, std::string_view text, std::size_t from,
                               std::size_t to, SpellScanState state)
    : checker_(checker), text_(text), scanner_(text, checker.Options(), from, state) {
    scanner_.SetLimit(to);
    Prefetch(from, to);
}

void SpellCheckWalk::Prefetch(std::size_t from, std::size_t to) {
    TexWordScanner scan(text_, checker_.Options(), from, scanner_.State());
    scan.SetLimit(to);
    std::vector<std::string_view> words;
    while (std::optional<SpellWord> word = scan.Next())
        words.push_back(text_.substr(word->start, word->end - word->start));
    checker_.Prefetch(words);
}

void SpellCheckWalk::Continue(std::string_view text, std::size_t from, std::size_t to) {
    const SpellScanState state = scanner_.State();
    text_ = text;
    scanner_ = TexWordScanner(text, checker_.Options(), from, state);
    scanner_.SetLimit(to);
    hasPrevious_ = false;
    Prefetch(from, to);
}

std::optional<SpellFinding> SpellCheckWalk::Next() {
    while (std::optional<SpellWord> word = scanner_.Next()) {
        const std::string_view text = text_.substr(word->start, word->end - word->start);
        ++scanned_;
        const bool repeated = checker_.Options().findRepeated && hasPrevious_ && previous_ == text;
        const std::size_t previousStart = previousStart_;
        const std::string previous = previous_;
        previous_.assign(text);
        previousStart_ = word->start;
        hasPrevious_ = true;
        if (repeated) {
            SpellFinding finding;
            finding.repeated = true;
            finding.start = previousStart;
            finding.end = word->end;
            finding.text = previous + " " + std::string(text);
            return finding;
        }
        if (!checker_.IsWordCorrect(text)) {
            SpellFinding finding;
            finding.start = word->start;
            finding.end = word->end;
            finding.text.assign(text);
            return finding;
        }
    }
    return std::nullopt;
}

std::optional<SpellWord> FindNextUnknownWord(SpellChecker& checker, std::string_view text,
                                             std::size_t from) {
    TexWordScanner scanner(text, checker.Options(), from);
    while (std::optional<SpellWord> word = scanner.Next()) {
        if (!checker.IsWordCorrect(text.substr(word->start, word->end - word->start)))
            return word;
    }
    return std::nullopt;
}

std::vector<SpellWord> UnknownWordsOfLine(SpellChecker& checker, std::string_view line) {
    std::vector<SpellWord> words;
    std::vector<std::string_view> texts;
    TexWordScanner scanner(line, checker.Options());
    while (std::optional<SpellWord> word = scanner.Next()) {
        words.push_back(*word);
        texts.push_back(line.substr(word->start, word->end - word->start));
    }
    checker.Prefetch(texts);
    std::vector<SpellWord> unknown;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (!checker.IsWordCorrect(texts[i]))
            unknown.push_back(words[i]);
    }
    return unknown;
}

std::vector<std::vector<SpellWord>> UnknownWordsOfLines(SpellChecker& checker,
                                                        const std::vector<std::string>& lines) {
    std::vector<std::vector<SpellWord>> words(lines.size());
    std::vector<std::string_view> all;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        TexWordScanner scanner(lines[i], checker.Options());
        while (std::optional<SpellWord> word = scanner.Next()) {
            words[i].push_back(*word);
            all.push_back(std::string_view(lines[i]).substr(word->start, word->end - word->start));
        }
    }
    checker.Prefetch(all);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        std::vector<SpellWord>& list = words[i];
        list.erase(
            std::remove_if(list.begin(), list.end(),
                           [&](const SpellWord& w) {
                               return checker.IsWordCorrect(line.substr(w.start, w.end - w.start));
                           }),
            list.end());
    }
    return words;
}

}  // namespace quirn

#include "editor/spell_scanner.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace quirn {

namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool Contains(const std::string& s, std::string_view part) {
    return s.find(part) != std::string::npos;
}

// Commands whose argument is a key rather than text: citations, references, labels.
bool TakesKeyArgument(std::string_view name) {
    const std::string lower = Lower(name);
    const std::size_t n = lower.size();
    return (n >= 4 && Contains(lower, "cite")) ||
           (n >= 3 && Contains(lower, "ef") && Contains(lower, "ref")) ||
           (n >= 5 && Contains(lower, "label"));
}

bool IsPrefixOf(std::string_view part, std::string_view whole) {
    return part.size() <= whole.size() && whole.substr(0, part.size()) == part;
}

}  // namespace

TexWordScanner::TexWordScanner(std::string_view text, const SpellOptions& options, std::size_t from,
                               SpellScanState state)
    : text_(text),
      options_(options),
      pos_(std::min(from, text.size())),
      limit_(text.size()),
      state_(state) {}

void TexWordScanner::SkipBlanks(std::size_t& at) const {
    while (at < limit_ &&
           (text_[at] == ' ' || text_[at] == '\t' || text_[at] == '\r' || text_[at] == '\n'))
        ++at;
}

std::size_t TexWordScanner::ScanWord(std::size_t start, SpellWord& word) const {
    std::size_t end = start;
    while (end < limit_ &&
           (IsSpellLetter(static_cast<unsigned char>(text_[end])) || text_[end] == '\''))
        ++end;
    std::size_t wordEnd = end;
    while (wordEnd > start && text_[wordEnd - 1] == '\'')
        --wordEnd;
    if (wordEnd - start > 2 && text_[wordEnd - 2] == '\'' &&
        (text_[wordEnd - 1] == 's' || text_[wordEnd - 1] == 'S')) {
        wordEnd -= 2;
    }
    word = {start, wordEnd};
    return end;
}

void TexWordScanner::ControlSequence() {
    const std::size_t backslash = pos_;
    std::size_t at = pos_ + 1;
    if (at >= limit_) {
        pos_ = at;
        return;
    }
    if (!IsSpellLetter(static_cast<unsigned char>(text_[at])) ||
        static_cast<unsigned char>(text_[at]) >= 128) {
        const char c = text_[at];
        if (c == '(' || c == '[')
            state_.inMath = true;
        else if (c == ')' || c == ']')
            state_.inMath = false;
        pos_ = at + 1;
        return;
    }
    std::size_t nameEnd = at;
    while (nameEnd < limit_ && std::isalpha(static_cast<unsigned char>(text_[nameEnd])))
        ++nameEnd;
    const std::string_view name = text_.substr(at, nameEnd - at);
    pos_ = nameEnd;

    if (options_.ignoreCmdArgs && !state_.inMath && TakesKeyArgument(name)) {
        std::size_t brace = nameEnd;
        SkipBlanks(brace);
        if (brace < limit_ && text_[brace] == '{') {
            std::size_t close = text_.find('}', brace);
            pos_ = close == std::string_view::npos || close >= limit_ ? limit_ : close + 1;
        }
        return;
    }
    if (IsPrefixOf(name, "begin") || IsPrefixOf(name, "end")) {
        std::size_t brace = nameEnd;
        SkipBlanks(brace);
        if (brace >= limit_ || text_[brace] != '{')
            return;
        std::size_t close = text_.find('}', brace);
        if (close == std::string_view::npos || close >= limit_)
            return;
        const std::string_view head = text_.substr(backslash, close - backslash);
        if (IsPrefixOf(head, "\\begin{eqnarray*}")) {
            state_.inMath = true;
            pos_ = close + 1;
        } else if (IsPrefixOf(head, "\\end{eqnarray*}")) {
            state_.inMath = false;
            pos_ = close + 1;
        }
        // Any other environment's name is ordinary text.
    }
}

std::optional<SpellWord> TexWordScanner::Next() {
    while (pos_ < limit_) {
        const unsigned char c = static_cast<unsigned char>(text_[pos_]);
        if (c == '\r' || c == '\n') {
            state_.inComment = false;
            ++pos_;
        } else if (c == '$') {
            while (pos_ < limit_ && text_[pos_] == '$')
                ++pos_;
            state_.inMath = !state_.inMath;
        } else if (c == '%') {
            state_.inComment = true;
            ++pos_;
        } else if (c == '\\') {
            ControlSequence();
        } else if (IsSpellLetter(c)) {
            SpellWord word;
            pos_ = ScanWord(pos_, word);
            if ((state_.inMath && options_.ignoreMath) ||
                (state_.inComment && options_.ignoreComments))
                continue;
            return word;
        } else {
            ++pos_;
        }
    }
    return std::nullopt;
}

}  // namespace quirn

#include "editor/completion.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/paths.h"

namespace quirn {
namespace {

bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsTrailingSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

}  // namespace

std::string CompletionListPath(const std::string& installDir) {
    return JoinPath(installDir, "texmf-tlv/latex.auto");
}

bool CompletionList::Load(const std::string& path) {
    entries_.clear();
    loaded_ = true;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file) {
        return false;
    }
    // Lines are read through a 1024-byte buffer: a longer line arrives in pieces.
    char line[1024];
    while (std::fgets(line, sizeof line, file.get())) {
        std::size_t n = std::strlen(line);
        while (n > 0 && IsTrailingSpace(line[n - 1])) {
            --n;
        }
        if (n == 0 || line[0] == '%') {
            continue;
        }
        entries_.emplace_back(line, n);
    }
    std::sort(entries_.begin(), entries_.end());
    return true;
}

void CompletionList::EnsureLoaded(const std::string& installDir) {
    if (!loaded_) {
        Load(CompletionListPath(installDir));
    }
}

void CompletionList::SetEntries(std::vector<std::string> entries) {
    entries_ = std::move(entries);
    std::sort(entries_.begin(), entries_.end());
    loaded_ = true;
}

std::string CompletionList::Candidates(std::string_view prefix) const {
    std::string joined;
    std::string_view previous;
    bool any = false;
    // std::string orders by byte value (char_traits compares as unsigned char).
    auto it = std::lower_bound(entries_.begin(), entries_.end(), prefix,
                               [](const std::string& a, std::string_view b) { return a < b; });
    for (; it != entries_.end() && std::string_view(*it).substr(0, prefix.size()) == prefix; ++it) {
        std::string_view candidate = *it;
        const std::size_t brace = candidate.find('{', prefix.size());
        if (brace != std::string_view::npos) {
            candidate = candidate.substr(0, brace + 1);
        }
        if (any && candidate == previous) {
            continue;
        }
        if (any) {
            joined += ' ';
        }
        joined += candidate;
        previous = candidate;
        any = true;
    }
    return joined;
}

std::optional<std::string> CompletionPrefix(const TextBuffer& text, TextPos caret) {
    if (caret > text.Length()) {
        return std::nullopt;
    }
    // The byte just typed (caret - 1) is not examined.
    for (TextPos pos = caret - 2; pos >= 0 && caret - pos <= 119; --pos) {
        const char c = text.CharAt(pos);
        if (c == '\\') {
            return TextOf(text, pos, caret);
        }
        if (!IsLetter(c) && c != '{' && c != '}') {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<CompletionOffer> OfferCompletion(const TextBuffer& text, TextPos caret,
                                               const CompletionList& words) {
    const std::optional<std::string> prefix = CompletionPrefix(text, caret);
    if (!prefix) {
        return std::nullopt;
    }
    std::string list = words.Candidates(*prefix);
    if (list.size() <= prefix->size()) {
        return std::nullopt;
    }
    return CompletionOffer{static_cast<int>(prefix->size()), std::move(list)};
}

}  // namespace quirn

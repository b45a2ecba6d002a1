// Command completion from the word list "latex.auto": the list (loaded once per run by
// its owner), the prefix before the caret and the candidates for it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/text_buffer.h"

namespace quirn {

// The completion list file of an installation: InstallDir + "texmf-tlv/latex.auto".
std::string CompletionListPath(const std::string& installDir);

class CompletionList {
  public:
    // Reads the list: lines (of up to 1023 bytes) with trailing white space removed,
    // empty lines and lines starting with '%' ignored, sorted by byte value. A missing
    // file gives an empty list and false.
    bool Load(const std::string& path);
    // Loads from CompletionListPath(installDir) on the first call only.
    void EnsureLoaded(const std::string& installDir);
    void SetEntries(std::vector<std::string> entries);  // sorts them

    const std::vector<std::string>& Entries() const { return entries_; }
    bool Loaded() const { return loaded_; }

    // The entries starting with prefix, each cut after its first '{' past the prefix,
    // repeats dropped, joined with single spaces.
    std::string Candidates(std::string_view prefix) const;

  private:
    std::vector<std::string> entries_;
    bool loaded_ = false;
};

// The command being typed: from a backslash 2 to 119 bytes before the caret, over
// letters, '{' and '}', to the caret (the byte just typed included but not examined).
std::optional<std::string> CompletionPrefix(const TextBuffer& text, TextPos caret);

// What the window shows after a typed character (with autoComplete on): the
// completion list text and the prefix length, when the list is longer than the prefix.
struct CompletionOffer {
    int prefixLength = 0;
    std::string list;  // candidates joined with spaces
};
std::optional<CompletionOffer> OfferCompletion(const TextBuffer& text, TextPos caret,
                                               const CompletionList& words);

}  // namespace quirn

// The spell checker: one ispell process in its pipe mode ("-a"), started on first
// need and restarted when it has died or the dictionary changes, and the state every
// view shares (the TeXSpell options, the personal dictionary, the words ignored for
// this run, the replace-throughout pairs and the counters of a check).
//
// Requests go one word a line; ispell answers each with some lines and an empty one.
// Answers are remembered for the life of the process, and many words can be asked at
// once (the pipe carries a batch before the answers are read), so checking a long
// document costs one round trip per batch of new words.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/data_roots.h"
#include "app/settings_values.h"
#include "platform/environment_block.h"

namespace quirn {

class ChildProcess;
class OutputSink;
class UserPrompt;

// The hash dictionary NAME: the system data root's texmf/ispell, then ispell's own
// library directory. The result is the directory joined with NAME (the "-d" argument),
// empty when no NAME.hash is found.
std::string FindSpellDictionary(const DataRoots& roots, const std::string& name,
                                const EnvironmentBlock& environment);
// ispell's library directory as "ispell -vv" reports it ("/usr/lib/ispell" when it
// says nothing).
std::string IspellLibraryDirectory(const std::string& ispell, const EnvironmentBlock& environment);

// The personal dictionary of `name` below the user data root.
std::string PersonalDictionaryPath(const DataRoots& roots, const std::string& name);

class SpellChecker {
  public:
    SpellChecker(DataRoots roots, OutputSink& output, UserPrompt& prompt);
    ~SpellChecker();
    SpellChecker(const SpellChecker&) = delete;
    SpellChecker& operator=(const SpellChecker&) = delete;

    void SetEnvironment(EnvironmentBlock environment) { environment_ = std::move(environment); }
    // The missing-file resolution asked for a dictionary that is not there ("NAME.hash");
    // true when it installed it.
    void SetMissingFileResolver(std::function<bool(const std::string&)> resolver) {
        resolveMissing_ = std::move(resolver);
    }
    // Where the options are read from and the options a check uses.
    void SetOptions(const SpellOptions& options) { options_ = options; }
    const SpellOptions& Options() const { return options_; }

    // EnsureSpellChecker for `dictionary`: the running process when it still runs with
    // that dictionary, otherwise a new one. False when spelling is not available.
    bool Ensure(const std::string& dictionary);
    bool Running() const;
    const std::string& Dictionary() const { return dictionary_; }
    // The command line of the last start, as it is shown in messages.
    const std::string& CommandLine() const { return commandLine_; }

    bool IsWordCorrect(std::string_view word);
    std::vector<std::string> Suggestions(std::string_view word);
    // Asks ispell about every word of `words` it has not answered yet, in batches.
    void Prefetch(const std::vector<std::string_view>& words);
    // True when ispell's answer for `word` is already known (or needs no asking).
    bool Answered(std::string_view word) const;

    // Background checking asks about many words at once without waiting: a second
    // ispell in its list mode ("-l": it names the unknown words and computes no
    // suggestions, which the pipe mode does for every unknown word at great cost)
    // reads them all, and its answer is collected later. False when a list run is
    // still going or nothing needed asking.
    bool StartListRun(const std::vector<std::string_view>& words);
    // Collects the list run's answer when it has ended; true while it still runs.
    bool PollListRun();
    bool ListRunActive() const { return listRun_ != nullptr; }

    // The personal dictionary ("Add"): written back at once. False when it could not
    // be written.
    bool AddWord(const std::string& word);
    bool ClearPersonalDictionary();
    const std::vector<std::string>& AddedWords() const { return added_; }
    // "Ignore All" / "Ignore throughout document": for this run.
    void IgnoreWord(const std::string& word);
    // Replace-throughout pairs, keyed by the word in lower case.
    void SetReplacement(const std::string& word, const std::string& replacement);
    const std::string* ReplacementFor(std::string_view word) const;

    int scanned = 0;
    int corrected = 0;

  private:
    struct Answer {
        bool correct = true;
        std::vector<std::string> suggestions;
    };
    bool Start(const std::string& dictionary);
    bool LoadPersonalDictionary();
    bool WritePersonalDictionary() const;
    // One request; false when the process failed (it is then dropped).
    bool Ask(std::string_view word, Answer& answer);
    bool ReadAnswer(Answer& answer);
    bool Restart();
    bool KnownToUser(std::string_view word) const;

    DataRoots roots_;
    OutputSink& output_;
    UserPrompt& prompt_;
    EnvironmentBlock environment_;
    std::function<bool(const std::string&)> resolveMissing_;
    SpellOptions options_;
    std::unique_ptr<ChildProcess> process_;
    std::string dictionary_;
    std::string commandLine_;
    std::vector<std::string> arguments_;  // of the pipe-mode process, without "-a"
    std::unique_ptr<ChildProcess> listRun_;
    std::vector<std::string> listWords_;
    std::string listOutput_;
    std::unordered_map<std::string, bool> known_;
    std::vector<std::string> added_;
    std::vector<std::string> ignored_;
    std::map<std::string, std::string> replacements_;
};

// Lower case of ASCII letters; other bytes stay.
std::string SpellLower(std::string_view word);
// "Add word to dictionary" asks whether a word with a capital first letter (or all
// capitals) needs them.
bool AddNeedsCapitalQuestion(std::string_view word);

}  // namespace quirn

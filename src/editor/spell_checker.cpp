#include "editor/spell_checker.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <unordered_set>

#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/program_resolver.h"
#include "platform/user_prompt.h"
#include "process/child_process.h"
#include "process/command_line.h"

namespace quirn {

namespace {

// How long ispell may take for its banner or one answer before it counts as hung.
constexpr int kAnswerTimeoutMs = 10000;
// Requests written before their answers are read: small enough that neither pipe fills.
constexpr std::size_t kBatchWords = 200;
// The reader of the personal dictionary takes at most this many bytes of a line.
constexpr std::size_t kDictionaryLineLimit = 47;

const char* const kNotLoaded = "Could not load spell check dictionary - ";

std::string FirstLineOfRun(const std::vector<std::string>& arguments, const std::string& match,
                           const EnvironmentBlock& environment) {
    ChildProcess child;
    child.SetErrorFile("/dev/null");
    if (!environment.empty())
        child.SetEnvironmentBlock(environment);
    if (!child.Start(arguments, {}))
        return {};
    std::string line;
    while (true) {
        line.clear();
        bool complete = child.ReadLine(line, kAnswerTimeoutMs);
        if (line.find(match) != std::string::npos)
            return line;
        if (!complete)
            return {};
    }
}

}  // namespace

std::string SpellLower(std::string_view word) {
    std::string out(word);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

bool AddNeedsCapitalQuestion(std::string_view word) {
    if (word.empty())
        return false;
    if (word[0] >= 'A' && word[0] <= 'Z')
        return true;
    bool letters = false;
    for (char c : word) {
        if (c >= 'a' && c <= 'z')
            return false;
        letters = letters || (c >= 'A' && c <= 'Z');
    }
    return letters;
}

std::string IspellLibraryDirectory(const std::string& ispell, const EnvironmentBlock& environment) {
    const std::string line = FirstLineOfRun({ispell, "-vv"}, "LIBDIR", environment);
    const std::size_t open = line.find('"');
    const std::size_t close = open == std::string::npos ? open : line.find('"', open + 1);
    if (close == std::string::npos)
        return "/usr/lib/ispell";
    return line.substr(open + 1, close - open - 1);
}

std::string FindSpellDictionary(const DataRoots& roots, const std::string& name,
                                const EnvironmentBlock& environment) {
    if (name.empty() || name.find('/') != std::string::npos)
        return {};
    const std::string own = JoinPath(roots.tdsPath, "texmf/ispell");
    if (RegularFileExists(JoinPath(own, name + ".hash")))
        return JoinPath(own, name);
    const std::string ispell = ResolveProgram(roots.installDir, "ispell");
    if (ispell.empty())
        return {};
    const std::string library = IspellLibraryDirectory(ispell, environment);
    if (RegularFileExists(JoinPath(library, name + ".hash")))
        return JoinPath(library, name);
    return {};
}

std::string PersonalDictionaryPath(const DataRoots& roots, const std::string& name) {
    return JoinPath(roots.userDataPath, "ispell/ispell_" + name + ".dic");
}

SpellChecker::SpellChecker(DataRoots roots, OutputSink& output, UserPrompt& prompt)
    : roots_(std::move(roots)), output_(output), prompt_(prompt) {}

SpellChecker::~SpellChecker() = default;

bool SpellChecker::Running() const {
    return process_ && process_->Started() && process_->ExitCode() == kStillActive;
}

bool SpellChecker::Ensure(const std::string& dictionary) {
    if (process_ && dictionary == dictionary_ && process_->ExitCode() == kStillActive)
        return true;
    process_.reset();
    known_.clear();
    return Start(dictionary);
}

bool SpellChecker::Restart() {
    process_.reset();
    known_.clear();
    return Start(dictionary_);
}

bool SpellChecker::Start(const std::string& dictionary) {
    dictionary_ = dictionary;
    std::string argument = FindSpellDictionary(roots_, dictionary, environment_);
    if (argument.empty() && resolveMissing_ && resolveMissing_(dictionary + ".hash"))
        argument = FindSpellDictionary(roots_, dictionary, environment_);
    if (argument.empty()) {
        prompt_.ShowMessage(kNotLoaded + dictionary);
        return false;
    }
    const bool latin1 = RegularFileExists(argument + ".hash-type");
    const std::string option = latin1 ? " -T latin1" : "";
    std::string program = ResolveProgram(roots_.installDir, "ispell");
    if (program.empty())
        program = "ispell";
    commandLine_ = program + " -d " + argument + option + " -a";
    std::vector<std::string> arguments{program, "-d", argument};
    if (latin1) {
        arguments.push_back("-T");
        arguments.push_back("latin1");
    }
    arguments_ = arguments;
    arguments.push_back("-a");

    auto child = std::make_unique<ChildProcess>();
    child->SetErrorFile("/dev/null");
    if (!environment_.empty())
        child->SetEnvironmentBlock(environment_);
    std::string banner;
    if (child->Start(arguments, {}))
        child->ReadLine(banner, kAnswerTimeoutMs);
    if (banner.rfind("@(#)", 0) != 0) {
        output_.AppendOutput("Could not start spell checker - " + commandLine_ + "\n");
        return false;
    }
    output_.AppendOutput("Banner = " + banner + ", option = " + option +
                         ", wordlist = " + argument + "\n");
    process_ = std::move(child);
    if (!LoadPersonalDictionary()) {
        prompt_.ShowMessage(
            "Unable to load dictionaries!\nFiles are missing or not enough memory.");
    }
    return true;
}

bool SpellChecker::LoadPersonalDictionary() {
    added_.clear();
    const std::string path = PersonalDictionaryPath(roots_, dictionary_);
    if (!RegularFileExists(path) && dictionary_ == "american") {
        for (const char* name : {"custom.dic", "CUSTOM.DIC"}) {
            const std::string custom = JoinPath(roots_.installDir, name);
            if (RegularFileExists(custom)) {
                std::error_code ec;
                std::filesystem::create_directories(DirectoryOf(path), ec);
                std::filesystem::copy_file(custom, path, ec);
                break;
            }
        }
    }
    if (!RegularFileExists(path))
        return true;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() > kDictionaryLineLimit)
            line.resize(kDictionaryLineLimit);
        if (!line.empty())
            added_.push_back(line);
    }
    return true;
}

bool SpellChecker::WritePersonalDictionary() const {
    const std::string path = PersonalDictionaryPath(roots_, dictionary_);
    std::error_code ec;
    std::filesystem::create_directories(DirectoryOf(path), ec);
    const std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        for (const std::string& word : added_)
            out << word << '\n';
        out.flush();
        if (!out)
            return false;
    }
    std::filesystem::rename(temporary, path, ec);
    return !ec;
}

bool SpellChecker::ReadAnswer(Answer& answer) {
    std::string first;
    if (!process_->ReadLine(first, kAnswerTimeoutMs))
        return false;
    answer = {};
    if (first.empty()) {
        answer.correct = false;
        return true;
    }
    answer.correct = first[0] == '*' || first[0] == '+';
    if (first[0] == '&') {
        std::size_t colon = first.find(':');
        if (colon != std::string::npos) {
            std::string_view rest = std::string_view(first).substr(colon + 1);
            if (!rest.empty() && rest[0] == ' ')
                rest.remove_prefix(1);
            while (!rest.empty()) {
                std::size_t comma = rest.find(", ");
                answer.suggestions.emplace_back(rest.substr(0, comma));
                if (comma == std::string_view::npos)
                    break;
                rest.remove_prefix(comma + 2);
            }
        }
    }
    std::string line;
    do {
        line.clear();
        if (!process_->ReadLine(line, kAnswerTimeoutMs))
            return false;
    } while (!line.empty());
    return true;
}

bool SpellChecker::Ask(std::string_view word, Answer& answer) {
    if (!process_)
        return false;
    if (process_->ExitCode() != kStillActive && !Restart())
        return false;
    std::string request(word);
    request += '\n';
    if (!process_->Write(request) || !ReadAnswer(answer)) {
        process_.reset();
        known_.clear();
        return false;
    }
    known_[std::string(word)] = answer.correct;
    return true;
}

bool SpellChecker::KnownToUser(std::string_view word) const {
    if (word.size() <= 1)
        return true;
    if (options_.ignoreTeX && word[0] == '\\')
        return true;
    const std::string lower = SpellLower(word);
    for (const std::vector<std::string>* list : {&ignored_, &added_}) {
        for (const std::string& known : *list) {
            if (known == word || known == lower)
                return true;
        }
    }
    return false;
}

bool SpellChecker::IsWordCorrect(std::string_view word) {
    if (!process_ || KnownToUser(word))
        return true;
    auto it = known_.find(std::string(word));
    if (it != known_.end())
        return it->second;
    Answer answer;
    if (!Ask(word, answer))
        return true;
    return answer.correct;
}

std::vector<std::string> SpellChecker::Suggestions(std::string_view word) {
    Answer answer;
    if (!Ask(word, answer))
        return {};
    return answer.suggestions;
}

void SpellChecker::Prefetch(const std::vector<std::string_view>& words) {
    if (!process_)
        return;
    std::vector<std::string> wanted;
    std::unordered_set<std::string_view> seen;
    for (std::string_view word : words) {
        if (word.size() <= 1 || word.find('\n') != std::string_view::npos ||
            !seen.insert(word).second || known_.count(std::string(word)))
            continue;
        wanted.emplace_back(word);
    }
    for (std::size_t at = 0; at < wanted.size(); at += kBatchWords) {
        if (!process_ || (process_->ExitCode() != kStillActive && !Restart()))
            return;
        const std::size_t end = std::min(wanted.size(), at + kBatchWords);
        std::string request;
        for (std::size_t i = at; i < end; ++i)
            request += wanted[i] + '\n';
        if (!process_->Write(request)) {
            process_.reset();
            known_.clear();
            return;
        }
        for (std::size_t i = at; i < end; ++i) {
            Answer answer;
            if (!ReadAnswer(answer)) {
                process_.reset();
                known_.clear();
                return;
            }
            known_[wanted[i]] = answer.correct;
        }
    }
}

bool SpellChecker::Answered(std::string_view word) const {
    return word.size() <= 1 || KnownToUser(word) || known_.count(std::string(word)) != 0;
}

namespace {

// Words the list mode answers exactly: ispell takes them as one word. Apostrophes and
// bytes outside ASCII may split a word there, so such words go to the pipe mode.
bool ListModeWord(std::string_view word) {
    for (char c : word) {
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
            return false;
    }
    return !word.empty();
}

// A list run reads at most this much, so that its output never fills the pipe while
// its input is still being written.
constexpr std::size_t kListRunBytes = 32 * 1024;

}  // namespace

bool SpellChecker::StartListRun(const std::vector<std::string_view>& words) {
    if (listRun_ || !process_ || arguments_.empty())
        return false;
    std::unordered_set<std::string_view> seen;
    std::string input;
    listWords_.clear();
    for (std::string_view word : words) {
        if (!ListModeWord(word) || Answered(word) || !seen.insert(word).second)
            continue;
        if (input.size() + word.size() + 1 > kListRunBytes)
            break;
        listWords_.emplace_back(word);
        input.append(word);
        input += '\n';
    }
    if (listWords_.empty())
        return false;
    std::vector<std::string> arguments = arguments_;
    arguments.push_back("-l");
    auto child = std::make_unique<ChildProcess>();
    child->SetErrorFile("/dev/null");
    if (!environment_.empty())
        child->SetEnvironmentBlock(environment_);
    if (!child->Start(arguments, {}) || !child->Write(input))
        return false;
    child->CloseInput();
    listOutput_.clear();
    listRun_ = std::move(child);
    return true;
}

bool SpellChecker::PollListRun() {
    if (!listRun_)
        return false;
    listRun_->ReadAvailable(listOutput_);
    if (!listRun_->OutputClosed() || !listRun_->HasEnded())
        return true;
    const bool ok = listRun_->ExitCode() == 0;
    listRun_.reset();
    if (!ok)
        return false;
    std::unordered_set<std::string> unknown;
    std::size_t at = 0;
    while (at < listOutput_.size()) {
        std::size_t end = listOutput_.find('\n', at);
        if (end == std::string::npos)
            end = listOutput_.size();
        unknown.insert(listOutput_.substr(at, end - at));
        at = end + 1;
    }
    for (const std::string& word : listWords_)
        known_[word] = unknown.count(word) == 0;
    listWords_.clear();
    return false;
}

bool SpellChecker::AddWord(const std::string& word) {
    if (word.empty())
        return true;
    if (std::find(added_.begin(), added_.end(), word) == added_.end())
        added_.push_back(word);
    return WritePersonalDictionary();
}

bool SpellChecker::ClearPersonalDictionary() {
    added_.clear();
    return WritePersonalDictionary();
}

void SpellChecker::IgnoreWord(const std::string& word) {
    if (std::find(ignored_.begin(), ignored_.end(), word) == ignored_.end())
        ignored_.push_back(word);
}

void SpellChecker::SetReplacement(const std::string& word, const std::string& replacement) {
    replacements_[SpellLower(word)] = replacement;
}

const std::string* SpellChecker::ReplacementFor(std::string_view word) const {
    auto it = replacements_.find(SpellLower(word));
    return it == replacements_.end() ? nullptr : &it->second;
}

}  // namespace quirn

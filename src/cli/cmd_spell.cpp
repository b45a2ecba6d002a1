// quirn-cli spell: the spelling commands of the editor without a window. "check" walks
// a whole file as the Spell Check command does (without a dialog, nothing replaced);
// "word" prints the right-button spelling menu of a word; "add" and "clear" change
// the personal dictionary.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/settings_values.h"
#include "cli/commands.h"
#include "cli/package_session.h"
#include "editor/spell_check_walk.h"
#include "editor/spell_checker.h"
#include "packages/missing_files.h"
#include "platform/paths.h"

namespace quirn::cli {
namespace {

const char* const kUsage =
    "check FILE [--answer yes|no] | word WORD | add WORD [--answer yes|no] | clear "
    "[--answer yes|no]";

// The menu shows at most this many suggestions.
constexpr std::size_t kMenuSuggestions = 10;

// Takes "--answer yes|no" out of `args`; false when its value is missing or wrong.
bool TakeAnswerOption(std::vector<std::string>& args, bool& yes) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] != "--answer")
            continue;
        if (i + 1 >= args.size() || (args[i + 1] != "yes" && args[i + 1] != "no"))
            return false;
        yes = args[i + 1] == "yes";
        args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
        --i;
    }
    return true;
}

std::string Join(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items) {
        if (!out.empty())
            out += ", ";
        out += item;
    }
    return out;
}

// 1-based line and byte column of each offset; a line ends with "\r\n", "\n" or "\r".
class LineIndex {
  public:
    explicit LineIndex(const std::string& text) {
        starts_.push_back(0);
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n' ||
                (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')))
                starts_.push_back(i + 1);
        }
    }
    std::pair<std::size_t, std::size_t> Place(std::size_t offset) const {
        auto it = std::upper_bound(starts_.begin(), starts_.end(), offset);
        const std::size_t line = static_cast<std::size_t>(it - starts_.begin());
        return {line, offset - starts_[line - 1] + 1};
    }

  private:
    std::vector<std::size_t> starts_;
};

// A dictionary that is not installed is asked of the missing-file resolution, with
// its questions.
std::function<bool(const std::string&)> MissingDictionaryResolver(AppContext& context) {
    return [&context](const std::string& file) {
        MissingFileResolver resolver(context);
        return resolver.ResolveMissingFile(file, true, true);
    };
}

std::string Counted(int n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

int Check(SpellChecker& checker, const std::string& name) {
    const std::string path = AbsolutePath(name, StartFolder());
    std::ifstream in(path, std::ios::binary);
    if (!in || !RegularFileExists(path)) {
        std::fprintf(stderr, "quirn-cli: cannot read %s\n", name.c_str());
        return 1;
    }
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string text = buffer.str();
    const LineIndex lines(text);
    SpellCheckWalk walk(checker, text, 0, text.size());
    while (std::optional<SpellFinding> finding = walk.Next()) {
        auto [line, column] = lines.Place(finding->start);
        if (finding->repeated) {
            std::printf("repeated\t%zu\t%zu\t%s\n", line, column,
                        EscapeField(finding->text).c_str());
        } else {
            std::vector<std::string> suggestions = checker.Suggestions(SpellLower(finding->text));
            std::printf("unknown\t%zu\t%zu\t%s\t%s\n", line, column,
                        EscapeField(finding->text).c_str(), EscapeField(Join(suggestions)).c_str());
        }
    }
    std::fflush(stdout);
    std::fprintf(stderr, "message: Spelling Check is complete.\n  (%s scanned, %s corrected)\n",
                 Counted(walk.Scanned(), "word").c_str(), Counted(0, "word").c_str());
    return 0;
}

int Word(SpellChecker& checker, const std::string& word) {
    std::vector<std::string> suggestions = checker.Suggestions(word);
    if (suggestions.empty() && checker.IsWordCorrect(word)) {
        std::printf("correct\n");
        return 0;
    }
    if (suggestions.empty())
        std::printf("No Suggestions\n");
    for (std::size_t i = 0; i < suggestions.size() && i < kMenuSuggestions; ++i)
        std::printf("%s\n", EscapeField(suggestions[i]).c_str());
    std::printf("-\nAdd\nIgnore All\n");
    return 0;
}

int SpellCommand(const std::vector<std::string>& arguments) {
    std::vector<std::string> args = arguments;
    bool yes = true;
    if (!TakeAnswerOption(args, yes) || args.empty())
        return WrongUsage("spell");
    const std::string& verb = args[0];
    const bool takesWord = verb == "check" || verb == "word" || verb == "add";
    if (!(takesWord && args.size() == 2) && !(verb == "clear" && args.size() == 1))
        return WrongUsage("spell");
    if (verb == "word" && arguments.size() != 2)
        return WrongUsage("spell");

    PackageSession session(stderr, yes);
    if (!session.Start())
        return 1;
    AppContext& context = session.Context();
    SpellChecker checker(context.roots, session.Output(), session.Prompt());
    checker.SetEnvironment(context.childEnvironment);
    checker.SetOptions(LoadSpellOptions(session.GetProfile()));
    checker.SetMissingFileResolver(MissingDictionaryResolver(context));
    if (!checker.Ensure(session.Record().ispellHash))
        return 1;

    if (verb == "check")
        return Check(checker, args[1]);
    if (verb == "word")
        return Word(checker, args[1]);
    if (verb == "add") {
        std::string word = args[1];
        if (AddNeedsCapitalQuestion(word) &&
            !session.Prompt().AskYesNo("Does the word require this capitalization?"))
            word = SpellLower(word);
        if (!checker.AddWord(word)) {
            std::fprintf(stderr, "quirn-cli: cannot write %s\n",
                         PersonalDictionaryPath(context.roots, checker.Dictionary()).c_str());
            return 1;
        }
        return 0;
    }
    if (!session.Prompt().AskYesNo("Are you sure you want to clear the dictionary?"))
        return 1;
    if (!checker.ClearPersonalDictionary()) {
        std::fprintf(stderr, "quirn-cli: cannot write %s\n",
                     PersonalDictionaryPath(context.roots, checker.Dictionary()).c_str());
        return 1;
    }
    return 0;
}

}  // namespace

QUIRN_CLI_COMMAND(
    "spell", kUsage, "spell checking with ispell, as the editor does it",
    "Spell checking through ispell with the dictionary \"Settings\"/IspellHash and the\n"
    "TeXSpell options of the settings. The spell checker's start-up trace and\n"
    "failures go to standard error; message boxes are printed as \"message: \"\n"
    "lines and questions as \"question: \" lines, answered by --answer (default yes).\n"
    "  check FILE   walks the whole file as the Spell Check command does, without a\n"
    "               dialog and replacing nothing; one line per finding:\n"
    "                 unknown<TAB>LINE<TAB>COL<TAB>WORD<TAB>SUGGESTIONS\n"
    "                 repeated<TAB>LINE<TAB>COL<TAB>PREVIOUS WORD\n"
    "               (1-based line and byte column; suggestions for the word in lower\n"
    "               case, joined with \", \"), then the completion message\n"
    "  word WORD    the right-button spelling menu of WORD: \"correct\", or up to 10\n"
    "               suggestions (or \"No Suggestions\"), \"-\", \"Add\", \"Ignore All\"\n"
    "  add WORD     adds WORD to the personal dictionary (a capitalised word asks\n"
    "               whether it needs its capitals; no adds it in lower case)\n"
    "  clear        empties the personal dictionary after asking\n"
    "The personal dictionary is ispell/ispell_NAME.dic below the user data root.\n"
    "Exit status: 0 done, 1 spelling not available, cancelled or failed, 2 wrong\n"
    "command line.\n",
    SpellCommand);

}  // namespace quirn::cli

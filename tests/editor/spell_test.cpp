#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "app/data_roots.h"
#include "editor/background_spelling.h"
#include "editor/spell_check_walk.h"
#include "editor/spell_checker.h"
#include "editor/spell_scanner.h"
#include "editor/string_text_buffer.h"
#include "platform/output_sink.h"
#include "platform/user_prompt.h"
#include "support/test_support.h"

namespace quirn {
namespace {

std::vector<std::string> Words(const std::string& text, SpellOptions options = {}) {
    std::vector<std::string> out;
    TexWordScanner scanner(text, options);
    while (auto word = scanner.Next())
        out.push_back(text.substr(word->start, word->end - word->start));
    return out;
}

using Strings = std::vector<std::string>;

TEST(SpellScanner, SkipsKeysMathematicsAndCommandsAsTheOptionsSay) {
    const std::string keys = "See \\cite{smithjones} and \\label{fig:xyz}, \\ref {sec} \\Cref{a}.";
    EXPECT_EQ(Words(keys), (Strings{"See", "and"}));
    SpellOptions withArguments;
    withArguments.ignoreCmdArgs = 0;
    EXPECT_EQ(Words(keys, withArguments),
              (Strings{"See", "smithjones", "and", "fig", "xyz", "sec", "a"}));

    const std::string math =
        "one $x y$ two $$zz$$ three \\(aa\\) four \\[bb\\] five\n"
        "\\begin{eqnarray*} cc \\end{eqnarray*} six \\begin{eqnarray} dd \\end{eqnarray} "
        "seven \\begin{itemize}";
    EXPECT_EQ(Words(math),
              (Strings{"one", "two", "three", "four", "five", "six", "seven", "itemize"}));
    SpellOptions withMath;
    withMath.ignoreMath = 0;
    EXPECT_EQ(Words("a $x$ b", withMath), (Strings{"a", "x", "b"}));

    // Possessives lose their 's, trailing apostrophes go, other apostrophes stay.
    EXPECT_EQ(Words("Donald's dogs' don't as's \\% 50\\%off"),
              (Strings{"Donald", "dogs", "don't", "as", "off"}));

    // A comment ends at the line end; it is checked unless the options say otherwise.
    const std::string comment = "text % a note\nmore \\% sign";
    EXPECT_EQ(Words(comment), (Strings{"text", "a", "note", "more", "sign"}));
    SpellOptions noComments;
    noComments.ignoreComments = 1;
    EXPECT_EQ(Words(comment, noComments), (Strings{"text", "more", "sign"}));
}

class SpellCheckerTest : public ::testing::Test {
  protected:
    SpellCheckerTest() : checker(Roots(), output, prompt) {}
    DataRoots Roots() {
        return DataRoots{dir.Path() + "/", dir.Path() + "/", dir.Path() + "/",
                         dir.Path() + "/user/"};
    }
    test::TempDir dir;
    StringSink output;
    ScriptedPrompt prompt;
    SpellChecker checker;
};

TEST_F(SpellCheckerTest, TalksToIspellAndKeepsThePersonalDictionary) {
    ASSERT_TRUE(checker.Ensure("american")) << output.Text();
    EXPECT_NE(output.Text().find("Banner = @(#) "), std::string::npos) << output.Text();
    EXPECT_NE(output.Text().find(", wordlist = "), std::string::npos);

    EXPECT_TRUE(checker.IsWordCorrect("house"));
    EXPECT_FALSE(checker.IsWordCorrect("hosue"));
    EXPECT_TRUE(checker.IsWordCorrect("q"));  // single letters are never reported
    std::vector<std::string> suggestions = checker.Suggestions("hosue");
    EXPECT_NE(std::find(suggestions.begin(), suggestions.end(), "house"), suggestions.end());
    EXPECT_TRUE(checker.Suggestions("xqzqxqzq").empty());

    // Ignored for the run; added words persist one a line, and a lower-case entry
    // accepts the capitalised word.
    checker.IgnoreWord("hosue");
    EXPECT_TRUE(checker.IsWordCorrect("hosue"));
    ASSERT_TRUE(checker.AddWord("quirnish"));
    EXPECT_TRUE(checker.IsWordCorrect("Quirnish"));
    EXPECT_EQ(test::ReadFile(PersonalDictionaryPath(Roots(), "american")), "quirnish\n");

    // A new checker reads the dictionary back; clearing empties it.
    StringSink output2;
    SpellChecker again(Roots(), output2, prompt);
    ASSERT_TRUE(again.Ensure("american"));
    EXPECT_EQ(again.AddedWords(), (Strings{"quirnish"}));
    EXPECT_TRUE(again.ClearPersonalDictionary());
    EXPECT_EQ(test::ReadFile(PersonalDictionaryPath(Roots(), "american")), "");

    // The walk: unknown words, a repeated word at the first word's place, the count.
    const std::string text = "the the hosue is \\emph{nicee} here.";
    SpellCheckWalk walk(again, text, 0, text.size());
    auto first = walk.Next();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->repeated);
    EXPECT_EQ(first->text, "the the");
    EXPECT_EQ(first->start, 0u);
    auto second = walk.Next();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->text, "hosue");
    auto third = walk.Next();
    ASSERT_TRUE(third);
    EXPECT_EQ(third->text, "nicee");
    EXPECT_EQ(third->start, text.find("nicee"));
    EXPECT_FALSE(walk.Next());
    EXPECT_EQ(walk.Scanned(), 6);
}

TEST_F(SpellCheckerTest, AMissingDictionaryIsAskedForThenReported) {
    std::vector<std::string> asked;
    checker.SetMissingFileResolver([&](const std::string& name) {
        asked.push_back(name);
        return false;
    });
    EXPECT_FALSE(checker.Ensure("nosuchlanguage"));
    EXPECT_EQ(asked, (Strings{"nosuchlanguage.hash"}));
    EXPECT_EQ(prompt.messages, (Strings{"Could not load spell check dictionary - nosuchlanguage"}));
    // Without a process every word counts as correct.
    EXPECT_TRUE(checker.IsWordCorrect("hosue"));

    // A dictionary in Quirn's own tree comes first, and the latin1 option follows a
    // ".hash-type" file beside it.
    dir.Write("texmf/ispell/mine.hash", "");
    dir.Write("texmf/ispell/mine.hash-type", "");
    EXPECT_EQ(FindSpellDictionary(Roots(), "mine", {}), dir.Path() + "/texmf/ispell/mine");
    EXPECT_FALSE(checker.Ensure("mine"));  // not a hash file ispell can read
    EXPECT_NE(output.Text().find("Could not start spell checker - "), std::string::npos);
    EXPECT_NE(output.Text().find("/texmf/ispell/mine -T latin1 -a\n"), std::string::npos)
        << output.Text();
}

}  // namespace
}  // namespace quirn

namespace quirn {
namespace {

TEST_F(SpellCheckerTest, TheBackgroundPassMarksEveryLineFromOneListRun) {
    ASSERT_TRUE(checker.Ensure("american"));
    StringTextBuffer text;
    text.Replace(0, 0,
                 "\\section{Intro}\nThe hosue is \\cite{kee} nicee.\n% a commment\n"
                 "don't caf\xC3\xA9 zzyqx\n");
    LineTracker tracker;
    BackgroundSpellPass pass(text, tracker);
    std::vector<std::string> marked;
    int slices = 0;
    while (pass.Slice(checker, 50, 1, 2, [&](int64_t line, const std::vector<SpellWord>& words) {
        const std::string s = TextOf(text, text.LineStart(line), text.LineEnd(line));
        for (const SpellWord& w : words)
            marked.push_back(std::to_string(line) + ":" + s.substr(w.start, w.end - w.start));
    })) {
        ASSERT_LT(++slices, 1000);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // The shown line first, then the others in order; the list run answered the plain
    // words, the pipe mode the others.
    EXPECT_EQ(marked, (Strings{"1:hosue", "1:nicee", "2:commment", "3:zzyqx"}));
    EXPECT_FALSE(pass.Pending());
    EXPECT_FALSE(checker.ListRunActive());
    EXPECT_TRUE(checker.Answered("hosue"));
}

}  // namespace
}  // namespace quirn

#include "editor/completion.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "editor/string_text_buffer.h"
#include "support/test_support.h"

namespace quirn {
namespace {

TEST(CompletionList, LoadsTrimmedSortedEntriesAndCutsCandidates) {
    test::TempDir dir;
    const std::string longLine(1500, 'x');
    const std::string path =
        dir.Write("latex.auto",
                  "\\section{title}  \t\n% a comment\n\n\\begin{itemize}\n\\Section\n"
                  "\\section*{title}\r\n\\sectionmark{left}{right}\n\\section{other}\n\\b" +
                      longLine + "\n");
    CompletionList words;
    ASSERT_TRUE(words.Load(path));
    const std::vector<std::string>& e = words.Entries();
    EXPECT_TRUE(std::is_sorted(e.begin(), e.end()));
    EXPECT_EQ(e.front(), "\\Section");  // upper case sorts first by byte value
    EXPECT_TRUE(std::find(e.begin(), e.end(), "\\section*{title}") != e.end());
    // The long line came in pieces of at most 1023 bytes.
    EXPECT_TRUE(
        std::all_of(e.begin(), e.end(), [](const std::string& s) { return s.size() <= 1023; }));
    EXPECT_EQ(std::count_if(e.begin(), e.end(), [](const std::string& s) { return s[0] == 'x'; }),
              1);

    // Cut after the first '{' past the prefix; the repeated "\section{" appears once.
    EXPECT_EQ(words.Candidates("\\sec"), "\\section*{ \\sectionmark{ \\section{");
    EXPECT_EQ(words.Candidates("\\section{t"), "\\section{title}");
    EXPECT_EQ(words.Candidates("\\begin{it"), "\\begin{itemize}");
    EXPECT_EQ(words.Candidates("\\zzz"), "");

    CompletionList missing;
    EXPECT_FALSE(missing.Load(dir.File("none.auto")));
    EXPECT_TRUE(missing.Entries().empty());
}

TEST(CompletionList, PrefixRulesAndOffer) {
    CompletionList words;
    words.SetEntries({"\\section{title}", "\\begin{itemize}", "\\begin{enumerate}"});
    StringTextBuffer b("text \\begin{it");
    EXPECT_EQ(CompletionPrefix(b, b.Length()), std::optional<std::string>("\\begin{it"));
    std::optional<CompletionOffer> offer = OfferCompletion(b, b.Length(), words);
    ASSERT_TRUE(offer);
    EXPECT_EQ(offer->prefixLength, 9);
    EXPECT_EQ(offer->list, "\\begin{itemize}");

    // The typed byte itself is not examined, the rest must be letters or braces.
    StringTextBuffer typed("\\sec ");
    EXPECT_EQ(CompletionPrefix(typed, 5), std::optional<std::string>("\\sec "));
    EXPECT_FALSE(OfferCompletion(typed, 5, words));
    StringTextBuffer digit("\\se2c");
    EXPECT_FALSE(CompletionPrefix(digit, 5));
    // The backslash must lie 2 to 119 bytes before the caret.
    StringTextBuffer two("\\s");
    EXPECT_EQ(CompletionPrefix(two, 2), std::optional<std::string>("\\s"));
    StringTextBuffer one("x\\");
    EXPECT_FALSE(CompletionPrefix(one, 2));
    const std::string far = "\\" + std::string(118, 'a');
    StringTextBuffer f119(far);
    EXPECT_TRUE(CompletionPrefix(f119, static_cast<TextPos>(far.size())));
    StringTextBuffer f120(far + "a");
    EXPECT_FALSE(CompletionPrefix(f120, static_cast<TextPos>(far.size()) + 1));
    StringTextBuffer noSlash("section");
    EXPECT_FALSE(CompletionPrefix(noSlash, 7));
}

TEST(CompletionList, InstalledListIsSortedAndOffersCommonCommands) {
    CompletionList words;
    ASSERT_TRUE(words.Load(CompletionListPath(test::SourceDir() + "/data/")));
    const std::vector<std::string>& e = words.Entries();
    EXPECT_GT(e.size(), 300u);
    EXPECT_EQ(words.Candidates("\\includegr"),
              "\\includegraphics[width=\\linewidth]{ \\includegraphics{");
    EXPECT_NE(words.Candidates("\\begin{it").find("\\begin{itemize}"), std::string::npos);
    EXPECT_NE(words.Candidates("\\sec").find("\\section{"), std::string::npos);
    // The file itself is in byte order, so the installed list reads as it is stored.
    const std::string text = test::ReadFile(test::SourceDir() + "/data/texmf-tlv/latex.auto");
    std::vector<std::string> lines;
    std::size_t at = 0;
    for (std::size_t nl; (nl = text.find('\n', at)) != std::string::npos; at = nl + 1) {
        if (nl > at && text[at] != '%') {
            lines.push_back(text.substr(at, nl - at));
        }
    }
    EXPECT_EQ(lines, e);
}

}  // namespace
}  // namespace quirn

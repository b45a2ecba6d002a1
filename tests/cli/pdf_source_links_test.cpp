#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "dvi/synctex_links.h"
#include "graphics/pdf_document.h"
#include "support/test_support.h"

namespace quirn::test {
namespace {

const char* const kSource =
    "\\documentclass{article}\n"
    "\\begin{document}\n"
    "The first paragraph has some words and\n"
    "more words on a second source line with words again.\n"
    "\n"
    "Another paragraph: words, words and \\emph{words}.\n"
    "\\begin{itemize}\n"
    "\\item An item with words\n"
    "\\end{itemize}\n"
    "\\end{document}\n";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Clicks the centre of every word of page 1 and checks that the caret would land on it:
// the line holds the word at the column printed.
void ExpectEveryWordFound(const std::string& output, const std::string& pdf,
                          const std::string& source) {
    std::string error;
    std::unique_ptr<PdfDocument> doc = PdfDocument::Open(pdf, &error);
    ASSERT_TRUE(doc) << error;
    const std::vector<std::string> lines = Lines(kSource);
    int checked = 0;
    for (const PdfWord& word : doc->Words(0)) {
        const std::string text = SourceFormOfWord(word.text);
        // The page number and the item's bullet come from no word of the source.
        if (text.empty() || text == "1" || static_cast<unsigned char>(text[0]) >= 0x80)
            continue;
        const int x = static_cast<int>((word.left + word.right) / 2);
        const int y = static_cast<int>((word.top + word.bottom) / 2);
        std::string out, err;
        ASSERT_EQ(RunCommand("'" + Program("quirn-cli") + "' inverse-search '" + output + "' 1 " +
                                 std::to_string(x) + " " + std::to_string(y) + " --dpi 72",
                             &out, &err),
                  0)
            << err;
        int line = 0, column = 0;
        const std::string prefix = "goto: " + source + ":";
        ASSERT_EQ(out.substr(0, prefix.size()), prefix) << out;
        ASSERT_EQ(std::sscanf(out.c_str() + prefix.size(), "%d\ncolumn: %d", &line, &column), 2)
            << word.text << ": " << out;
        ASSERT_GE(line, 1);
        ASSERT_LE(line, static_cast<int>(lines.size()));
        EXPECT_EQ(lines[static_cast<size_t>(line - 1)].substr(static_cast<size_t>(column - 1),
                                                              text.size()),
                  text)
            << word.text << " at " << line << ":" << column;
        ++checked;
    }
    EXPECT_GT(checked, 20);
}

TEST(SyncTexLinks, PdfAndDviRunsLeadToTheClickedWord) {
    TempDir dir;
    ScopedEnvironment env;
    env.Set("QUIRN_CONFIG_DIR", dir.Path());
    const std::string source = dir.Write("s.tex", kSource);
    std::string out, err;
    ASSERT_EQ(RunCommand("cd '" + dir.Path() +
                             "' && pdflatex -synctex=1 -interaction=nonstopmode s.tex && "
                             "latex -src-specials -synctex=1 -interaction=nonstopmode s.tex",
                         &out),
              0)
        << out;
    ExpectEveryWordFound(dir.File("s.pdf"), dir.File("s.pdf"), source);
    ExpectEveryWordFound(dir.File("s.dvi"), dir.File("s.pdf"), source);

    // Forward search on the PDF: line 6 is below line 3 on page 1.
    const std::string cli = "'" + Program("quirn-cli") + "' forward-search '" + dir.File("s.pdf") +
                            "' '" + source + "' ";
    int y3 = 0, y6 = 0, x = 0;
    ASSERT_EQ(RunCommand(cli + "3 --dpi 72", &out, &err), 0) << err;
    ASSERT_EQ(std::sscanf(out.c_str(), "page: 1\npoint: %d %d", &x, &y3), 2) << out;
    ASSERT_EQ(RunCommand(cli + "6 --dpi 72", &out, &err), 0) << err;
    ASSERT_EQ(std::sscanf(out.c_str(), "page: 1\npoint: %d %d", &x, &y6), 2) << out;
    EXPECT_GT(y6, y3);

    // Without its SyncTeX file a PDF has no links; a DVI file keeps its source specials
    // (the line, no column).
    std::remove(dir.File("s.synctex.gz").c_str());
    EXPECT_EQ(RunCommand(cli + "3", &out, &err), 1);
    EXPECT_EQ(RunCommand("'" + Program("quirn-cli") + "' inverse-search '" + dir.File("s.pdf") +
                             "' 1 200 130 --dpi 72",
                         &out, &err),
              1);
    EXPECT_EQ(err, "message: No SyncTeX information for PDF file\n");
    EXPECT_EQ(RunCommand("'" + Program("quirn-cli") + "' inverse-search '" + dir.File("s.dvi") +
                             "' 1 200 130 --dpi 72",
                         &out, &err),
              0);
    EXPECT_EQ(out, "goto: " + source + ":3\n");
}

}  // namespace
}  // namespace quirn::test

// `quirn-cli page-content` against dvitype: the plain display lists of a typeset
// document hold the characters and rules dvitype reports, at the positions it
// computes, one inch further right and down.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <sstream>

#include "dvi/dvi_test_support.h"

namespace quirn {
namespace {

constexpr long kInch = 4736286;

struct Page {
    std::vector<std::string> glyphs;  // "h v code font"
    std::vector<std::string> rules;   // "h v height width"
};

// Follows h and v through dvitype's report of every command.
std::vector<Page> DvitypePages(const std::string& dvi) {
    std::string out;
    test::RunCommand("dvitype -output-level=4 '" + dvi + "'", &out);
    static const std::regex level(R"(^level \d+:\(h=(-?\d+),v=(-?\d+),)");
    static const std::regex hSet(R"(h:=[-+0-9]+=(-?\d+))");
    static const std::regex vSet(R"(v:=[-+0-9]+=(-?\d+))");
    static const std::regex font(R"(current font is (\S+))");
    static const std::regex chr(R"(^\d+: (setchar(\d+)|set\d (\d+)|put\d (\d+)))");
    static const std::regex rule(R"(^\d+: (set|put)rule height (-?\d+), width (-?\d+))");
    std::vector<Page> pages;
    long h = 0, v = 0;
    std::string current;
    std::istringstream lines(out);
    std::string line;
    std::smatch m;
    while (std::getline(lines, line)) {
        if (line.find("beginning of page") != std::string::npos) {
            pages.emplace_back();
            h = v = 0;
            continue;
        }
        if (pages.empty()) {
            continue;
        }
        if (std::regex_search(line, m, level)) {
            h = std::stol(m[1]);
            v = std::stol(m[2]);
            continue;
        }
        if (std::regex_search(line, m, font)) {
            current = m[1];
        }
        if (std::regex_search(line, m, chr)) {
            const std::string code = m[2].matched ? m[2] : m[3].matched ? m[3] : m[4];
            pages.back().glyphs.push_back(std::to_string(h + kInch) + " " +
                                          std::to_string(v + kInch) + " " + code + " " + current);
        }
        if (std::regex_search(line, m, rule) && std::stol(m[2]) > 0 && std::stol(m[3]) > 0) {
            pages.back().rules.push_back(std::to_string(h + kInch) + " " +
                                         std::to_string(v + kInch) + " " + std::string(m[2]) + " " +
                                         std::string(m[3]));
        }
        if (std::regex_search(line, m, hSet)) {
            h = std::stol(m[1]);
        }
        if (std::regex_search(line, m, vSet)) {
            v = std::stol(m[1]);
        }
    }
    return pages;
}

struct QuirnPage {
    std::string kind;
    Page page;
    std::vector<long> glyphColours;
};

QuirnPage PageContent(const std::string& dvi, int page) {
    std::string out, err;
    EXPECT_EQ(test::RunCommand("'" + test::Program("quirn-cli") + "' page-content '" + dvi +
                                   "' --page " + std::to_string(page) + " --plain",
                               &out, &err),
              0)
        << err;
    QuirnPage result;
    std::istringstream lines(out);
    std::string word;
    while (lines >> word) {
        if (word == "kind") {
            lines >> result.kind;
        } else if (word == "glyph") {
            long h, v, colour, code;
            std::string font;
            lines >> h >> v >> colour >> code >> font;
            result.page.glyphs.push_back(std::to_string(h) + " " + std::to_string(v) + " " +
                                         std::to_string(code) + " " + font);
            result.glyphColours.push_back(colour);
        } else if (word == "rule") {
            long h, v, colour, height, width;
            lines >> h >> v >> colour >> height >> width;
            result.page.rules.push_back(std::to_string(h) + " " + std::to_string(v) + " " +
                                        std::to_string(height) + " " + std::to_string(width));
        } else {
            std::getline(lines, word);  // a special
        }
    }
    return result;
}

TEST(PageContentCommand, PositionsAgreeWithDvitype) {
    test::TempDir dir;
    setenv("QUIRN_CONFIG_DIR", dir.File("config").c_str(), 1);
    const std::string dvi = test::TypesetDvi(dir, "doc", R"(\documentclass{article}
\usepackage{amsmath,amssymb,xcolor}
\begin{document}
Text with \emph{emphasis}, $\sqrt{x^2+y^2}\le\sum_{i=1}^n a_i$ and a rule \rule{1cm}{2pt}.
\[ \begin{pmatrix} a & b \\ c & d \end{pmatrix} \cdot \overbrace{x+y}^{n} \]
\textcolor{red}{Red} words.\newpage
\begin{tabular}{|l|c|}\hline one & two \\ \hline\end{tabular}
\end{document}
)");
    ASSERT_FALSE(dvi.empty());
    const std::vector<Page> expected = DvitypePages(dvi);
    ASSERT_EQ(expected.size(), 2u);
    for (int p = 1; p <= 2; ++p) {
        SCOPED_TRACE("page " + std::to_string(p));
        const QuirnPage mine = PageContent(dvi, p);
        ASSERT_GT(expected[p - 1].glyphs.size(), 5u);
        EXPECT_EQ(mine.page.glyphs, expected[p - 1].glyphs);
        EXPECT_EQ(mine.page.rules, expected[p - 1].rules);
        ASSERT_FALSE(expected[p - 1].rules.empty());
        // The first page carries the backend's header special, a prologue of dvips's
        // own: it draws nothing, so the page needs no PostScript.
        EXPECT_EQ(mine.kind, "0");
        if (p == 1) {
            size_t red = 0;
            for (long c : mine.glyphColours) {
                red += c == 255;
            }
            EXPECT_EQ(red, 3u);  // "Red"
        }
    }
}

TEST(PageContentCommand, ReportsBadArgumentsAndPages) {
    test::TempDir dir;
    const std::string cli = "'" + test::Program("quirn-cli") + "' ";
    std::string out, err;
    EXPECT_EQ(test::RunCommand(cli + "page-content", &out, &err), 2);
    EXPECT_NE(err.find("usage: quirn-cli page-content"), std::string::npos);
    EXPECT_EQ(
        test::RunCommand(cli + "page-content " + dir.File("none.dvi") + " --page 1", &out, &err),
        1);
    EXPECT_NE(err.find("Bad/missing DVI file"), std::string::npos) << err;
    EXPECT_EQ(
        test::RunCommand(cli + "render " + dir.File("none.dvi") + " --dpi 0 -o x.png", &out, &err),
        2);
}

}  // namespace
}  // namespace quirn

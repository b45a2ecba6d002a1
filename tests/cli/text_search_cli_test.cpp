#include <gtest/gtest.h>

#include "support/test_support.h"

namespace quirn {
namespace {

using test::Program;
using test::RunCommand;

// Two pages typeset by plain TeX in Computer Modern, whose fi and ffi ligatures are
// the glyph codes 12 and 14.
class TextSearchCli : public ::testing::Test {
  protected:
    void SetUp() override {
        dir.Write("p.tex",
                  "\\hsize=4in office find fluffy TeX tex\\par ex-\\break ample stop\\par\n"
                  "\\vfill\\eject second page office\\bye\n");
        std::string out;
        ASSERT_EQ(RunCommand("cd '" + dir.Path() + "' && tex -interaction=batchmode p.tex", &out),
                  0);
    }
    std::string Cli(const std::string& args, std::string* err = nullptr) {
        std::string out;
        last = RunCommand("cd '" + dir.Path() + "' && QUIRN_CONFIG_DIR='" + config.Path() + "' " +
                              Program("quirn-cli") + " " + args,
                          &out, err);
        return out;
    }
    // The page numbers of the "found:" lines.
    static std::string Pages(const std::string& out) {
        std::string pages;
        for (size_t at = out.find("found: "); at != std::string::npos;
             at = out.find("found: ", at + 1))
            pages += out[at + 7];
        return pages;
    }
    test::TempDir dir;
    test::TempDir config;
    int last = 0;
};

TEST_F(TextSearchCli, FindMatchesLigaturesAndCaseAndWrapsAround) {
    std::string err;
    // "office" is o, ffi, c, e; a search starts only at glyphs, so "fi" misses the ffi.
    std::string out = Cli("find p.dvi OFFICE --repeat 3", &err);
    EXPECT_EQ(last, 0) << err;
    EXPECT_EQ(Pages(out), "121");
    EXPECT_NE(out.find("found: 2 "), std::string::npos);
    EXPECT_NE(out.find("status: Search wrapped around end of document\nfound: 1 "),
              std::string::npos)
        << out;
    out = Cli("find p.dvi fi --repeat 2");
    EXPECT_EQ(Pages(out), "11");
    out = Cli("find p.dvi office --up --page 2 --repeat 2");
    EXPECT_EQ(out.find("status: Search wrapped around beginning of document\n"), std::string::npos);
    EXPECT_EQ(Pages(out), "21");
    // Matching case: "tex" is only the lower-case one; without, TeX comes first.
    std::string cased = Cli("find p.dvi tex --case");
    std::string uncased = Cli("find p.dvi tex");
    EXPECT_NE(cased, uncased);
    // Interword spaces are no glyphs.
    out = Cli("find p.dvi 'office find'", &err);
    EXPECT_EQ(last, 1);
    EXPECT_EQ(err, "message: Text not found in DVI document\n");
    Cli("find p.dvi ''", &err);
    EXPECT_EQ(last, 2);
    Cli("find p.dvi x --page 3", &err);
    EXPECT_EQ(err, "page 3 is not in the document (2 pages)\n");
}

TEST_F(TextSearchCli, WordCountJoinsHyphenatedLinesAndWritesTheLog) {
    std::string err;
    std::string out = Cli("wordcount p.dvi", &err);
    EXPECT_EQ(last, 0) << err;
    const std::string log = dir.File("p.wcl");
    EXPECT_EQ(out,
              "page=1 texpage=1 words=8\npage=2 texpage=2 words=4\ntotal=12\nlog=" + log + "\n");
    EXPECT_EQ(err,
              "message: \\n\\nTotal word count = 12\\n\\nSee the log " + log + " for details.\n");
    std::string text = test::ReadFile(log);
    EXPECT_EQ(text.rfind("\nWord count for " + dir.File("p.dvi") + "  ", 0), 0u) << text;
    EXPECT_NE(text.find("\n\n\nCounting words for page 1 (TeX page 1)\n office  find  fluffy  TeX "
                        " tex  ex-ample  stop  1 \nWord count for page 1 (TeX page 1) = 8\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\n\n\nTotal word count = 12\n"), std::string::npos);

    // A selection around the first line (about 1.3 in from the top at 96 dpi).
    out = Cli("wordcount p.dvi --page 1 --area 600,0,0,130 --project p.tex", &err);
    EXPECT_EQ(out, "page=1 texpage=1 words=5\ntotal=5\nlog=" + log + "\n");
    EXPECT_NE(err.find("\\nfor selected text = 5\\n"), std::string::npos) << err;
    EXPECT_NE(test::ReadFile(dir.File("p.ptp")).find("\np.wcl\n"), std::string::npos);
    Cli("wordcount p.dvi --page 1", &err);
    EXPECT_EQ(last, 2);
}

}  // namespace
}  // namespace quirn

// List-file checksums and the rerun rule over real LaTeX logs and list files.
#include <gtest/gtest.h>

#include "platform/paths.h"
#include "support/test_support.h"
#include "typeset/engine_command.h"
#include "typeset/list_checksum.h"
#include "typeset/rerun_rule.h"

namespace quirn {
namespace {

using test::TempDir;

TEST(ListFileChecksum, FollowsTheWordSumAndSwap) {
    TempDir dir;
    // w = 0x0201: sum 0x0201 ^ 0x0102 = 0x0303; then w = 0x0003 (padded):
    // 0x0306 ^ 0x0300 = 0x0006.
    EXPECT_EQ(ListFileChecksum(dir.Write("odd", std::string("\x01\x02\x03", 3))), 0x0006);
    EXPECT_EQ(ListFileChecksum(dir.Write("empty", "")), 0);
    EXPECT_EQ(ListFileChecksum(dir.File("missing")), 0);

    // Across block boundaries the file gives the same value as its bytes in one piece.
    std::string big;
    for (int i = 0; i < 2049; ++i)
        big.push_back(static_cast<char>(i * 7 + 3));
    auto bytes = reinterpret_cast<const unsigned char*>(big.data());
    EXPECT_EQ(ListFileChecksum(dir.Write("big", big)), ListChecksumOfBytes(bytes, big.size()));

    // A changed table of contents changes the value.
    std::string toc = "\\contentsline {section}{\\numberline {1}One}{1}{}%\n";
    std::string moved = "\\contentsline {section}{\\numberline {1}One}{2}{}%\n";
    EXPECT_NE(ListFileChecksum(dir.Write("a.toc", toc)),
              ListFileChecksum(dir.Write("b.toc", moved)));
}

TEST(RerunRule, LatexLogsListFilesAndPlainTeX) {
    TempDir dir;
    std::string base = dir.File("doc");
    ListChecksums before = TakeListChecksums(base);
    EXPECT_EQ(before, ListChecksums{});

    const std::string latexLog = "This is pdfTeX\nLaTeX2e <2022-11-01> patch level 1\n";
    EXPECT_FALSE(NeedsRerun(latexLog, true, base, before));

    // The run wrote a table of contents (TeX writes the extension in lower case).
    dir.Write("doc.toc", "\\contentsline {section}{\\numberline {1}One}{1}{}%\n");
    EXPECT_TRUE(NeedsRerun(latexLog, true, base, before));
    EXPECT_FALSE(NeedsRerun(latexLog, false, base, before));  // only successful runs compare
    ListChecksums settled = TakeListChecksums(base);
    EXPECT_FALSE(NeedsRerun(latexLog, true, base, settled));
    dir.Write("doc.lof", "\\contentsline {figure}{\\numberline {1}{\\ignorespaces A}}{1}{}%\n");
    EXPECT_TRUE(NeedsRerun(latexLog, true, base, settled));

    // A plain TeX log never asks, whatever the list files did.
    EXPECT_FALSE(NeedsRerun("This is TeX, Version 3.141592653\n", true, base, before));

    // LaTeX's own request always asks, even after a failed run with unchanged lists.
    const std::string rerunLog = latexLog +
                                 "LaTeX Warning: Label(s) may have changed. Rerun to get "
                                 "cross-references right.\n";
    EXPECT_TRUE(NeedsRerun(rerunLog, false, base, TakeListChecksums(base)));
}

TEST(RunNames, ExpectedOutputAndBaseName) {
    // TeX writes its output names in lower case.
    EXPECT_EQ(ExpectedOutputName("/d/paper.tex"), "/d/paper.dvi");
    EXPECT_EQ(ExpectedOutputName("/d/readme"), "/d/readme.dvi");
    EXPECT_EQ(ExpectedOutputName("/d.x/readme"), "/d.x/readme.dvi");
    EXPECT_EQ(PdfOutputName("/d/paper.tex"), "/d/paper.pdf");
}

}  // namespace
}  // namespace quirn

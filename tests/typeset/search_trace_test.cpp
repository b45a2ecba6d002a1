// Reading kpathsea's search trace in the forms this and older kpathsea versions write.
#include "typeset/search_trace.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/output_sink.h"
#include "support/test_support.h"
#include "typeset_harness.h"

namespace quirn {
namespace {

using test::TempDir;

TEST(SearchTrace, CollectsFoundFilesOnceInOrder) {
    TempDir dir;
    std::string doc = dir.Write("doc.tex", "x");
    std::string cls = dir.Write("tex/article.cls", "x");
    std::string blank = dir.Write("my dir/chap 1.tex", "x");
    std::string lsr1 = dir.Write("a/ls-R", "x");
    std::string lsr2 = dir.Write("b/ls-R", "x");
    std::string trace =
        dir.Write("trace",
                  "kdebug:start search(xname=texmf.cnf, must_exist=1, find_all=1, path=/x).\n"
                  "kdebug:returning from generic search([ls-r ls-R]) => " +
                      lsr1 + " " + lsr2 +
                      "\n"
                      "kdebug:returning from search(aliases) =>\n"
                      "kdebug:returning from generic search([doc.tex]) => " +
                      doc +
                      "\n"
                      "kdebug:   casefold_readable_file(ls-r) in /usr/local/share/texmf => (nil)\n"
                      "kdebug:returning from generic search([article.cls]) => " +
                      cls +
                      "\n"
                      "kdebug:returning from generic search([article.cls]) => " +
                      cls +
                      "\n"
                      "kdebug:search(chap 1.tex) =>" +
                      blank +
                      "\n"
                      "kdebug:search(gone.sty) =>(nil)\n"
                      "mktextfm: `mf-nowin -progname=mf' failed to make nofont.tfm.\n"
                      "kdebug:returning from generic search([lost.sty]) => " +
                      dir.File("lost.sty") +
                      "\n"
                      "kdebug:returning from generic search([lost.sty]) => " +
                      dir.File("lost.sty") + "\n");
    StringSink out;
    std::vector<std::string> used = ReadFileSearchTrace(trace, "/", out);
    EXPECT_EQ(used, (std::vector<std::string>{lsr1, lsr2, doc, cls, blank}));
    EXPECT_EQ(out.Text(), "TeX reported that it used " + dir.File("lost.sty") +
                              ", but that file doesn't exist.\n");

    EXPECT_TRUE(ReadFileSearchTrace(dir.File("no-trace"), "/", out).empty());
}

TEST(SearchTrace, FormatBuildsAndConvertedGraphics) {
    TempDir dir;
    std::string ltx = dir.Write("base/LaTeX.ltx", "x");
    std::string eps = dir.Write("converted_graphics/pic.eps", "x");
    dir.Write("converted_graphics/pic.src", "figs/pic.png\n");
    std::string abs = dir.Write("converted_graphics/logo.eps", "x");
    dir.Write("converted_graphics/logo.src", "/home/u/logo.jpg\n");
    std::string trace = dir.Write(
        "trace",
        "kdebug:returning from generic search([pic.eps]) => " + eps +
            "\n"
            "kdebug:returning from generic search([logo.eps]) => " +
            abs +
            "\n"
            "kdebug:returning from generic search([missing-before.tex]) => /nowhere/a.tex\n"
            "kdebug:returning from generic search([latex.ltx]) => " +
            ltx +
            "\n"
            "kdebug:returning from generic search([missing-after.tex]) => /nowhere/b.tex\n");
    StringSink out;
    std::vector<std::string> used = ReadFileSearchTrace(trace, "/", out);
    EXPECT_EQ(used,
              (std::vector<std::string>{eps, "./figs/pic.png", abs, "/home/u/logo.jpg", ltx}));
    // Once latex.ltx was read the run is a format build and stops complaining.
    EXPECT_EQ(out.Text(),
              "TeX reported that it used /nowhere/a.tex, but that file doesn't exist.\n");
}

// A PDF run asks kpathsea for every debugging category: its own variable lookups then
// break into the search results, and none of that may be taken for a file name.
TEST(SearchTrace, PdfRunWithFullDebuggingReportsOnlyRealFiles) {
    test::TypesetHarness h;
    h.settings.mode = "PDF";
    std::string doc = h.dir.Write("paper/doc.tex",
                                  "\\documentclass{article}\n"
                                  "\\begin{document}\nHello.\n\\end{document}\n");
    ASSERT_EQ(h.typesetter->Typeset(doc), 0);
    ASSERT_TRUE(h.RunToEnd());
    ASSERT_EQ(h.seams.pdfs.size(), 1u) << h.Output();
    EXPECT_EQ(h.Output().find("TeX reported that it used"), std::string::npos) << h.Output();

    auto used = [&](const std::string& suffix) {
        return std::any_of(h.seams.used.begin(), h.seams.used.end(),
                           [&](const std::string& p) { return p.ends_with(suffix); });
    };
    EXPECT_TRUE(used("doc.tex"));
    EXPECT_TRUE(used("/article.cls"));
    EXPECT_TRUE(used("/cmr10.pfb"));  // a PDF embeds the outline font
    for (const std::string& p : h.seams.used) {
        EXPECT_EQ(p.find("kdebug:"), std::string::npos) << p;
        EXPECT_NE(p, "=>");
    }
}

// The interrupted result as kpathsea writes it: the arrow, its variable lookups, and
// the paths on a line of their own; an interrupted empty result ends at an empty line.
TEST(SearchTrace, ResultInterruptedByDebuggingLines) {
    TempDir dir;
    std::string a = dir.Write("a/ls-R", "x");
    std::string b = dir.Write("b/ls-R", "x");
    std::string doc = dir.Write("doc.tex", "x");
    std::string trace = dir.Write("trace",
                                  "kdebug:returning from generic search([ls-r ls-R]) =>"
                                  "kdebug:hash_lookup(TEXMFLOG.latex) => (nil)\n"
                                  "kdebug:hash_lookup(TEXMFLOG) => (nil)\n"
                                  "kdebug:variable: TEXMFLOG = (nil)\n"
                                  " " +
                                      a + " " + b +
                                      "\n"
                                      "kdebug:returning from search(aliases) =>"
                                      "kdebug:hash_lookup(TEXMFLOG.latex) => (nil)\n"
                                      "\n"
                                      " not a result\n"
                                      "kdebug:returning from generic search([doc.tex]) => " +
                                      doc + "\n");
    StringSink out;
    EXPECT_EQ(ReadFileSearchTrace(trace, "/", out), (std::vector<std::string>{a, b, doc}));
    EXPECT_EQ(out.Text(), "");
}

}  // namespace
}  // namespace quirn

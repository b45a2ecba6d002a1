// Reading kpathsea's search trace in the forms this and older kpathsea versions write.
#include "typeset/search_trace.h"

#include <gtest/gtest.h>

#include "platform/output_sink.h"
#include "support/test_support.h"

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

}  // namespace
}  // namespace quirn

// Source links: forward search from a source line to its place on a page and inverse
// search from a page point back to the source, on hand-made DVI files for the search
// rules and on a real LaTeX run with source specials end to end.
#include "dvi/source_links.h"

#include <gtest/gtest.h>

#include <cfloat>

#include "dvi/dvi_context.h"
#include "dvi/dvi_doc.h"
#include "dvi/dvi_test_support.h"
#include "dvi/interpret_page.h"
#include "platform/paths.h"

namespace quirn {
namespace {

constexpr int32_t kInch = test::kDviInch;
using Ops = test::DviOps;

struct Document {
    StringSink sink;
    DviContext context{test::BuildDir() + "/", &sink, nullptr};
    CDVIDoc doc{context};
    std::vector<uint8_t> bytes;

    explicit Document(const std::vector<Ops>& pages) {
        test::DviWriter w;
        w.Pre();
        for (size_t i = 0; i < pages.size(); ++i)
            w.Page(static_cast<int32_t>(i + 1), pages[i].bytes);
        w.Post().PostPost();
        bytes = w.Bytes();
        EXPECT_TRUE(doc.LoadDviBytes(w.Bytes()));
    }

    // Pages whose plain content the search has read.
    std::string PagesRead() {
        std::string read;
        for (size_t p = 0; p < doc.pages.size(); ++p)
            read += doc.pages[p].plain.loaded ? '+' : '.';
        return read;
    }
};

TEST(SourceLinks, SourceSpecialsAndDistances) {
    auto parsed = ParseSourceSpecial("src:42 chap1.tex");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->line, 42u);
    EXPECT_EQ(parsed->file, "chap1.tex");
    parsed = ParseSourceSpecial("src:42chap1.tex");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->line, 42u);
    EXPECT_EQ(parsed->file, "chap1.tex");
    // Only one white-space character is skipped; the number truncates.
    parsed = ParseSourceSpecial("src:7.9  two.tex");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->line, 7u);
    EXPECT_EQ(parsed->file, " two.tex");
    EXPECT_FALSE(ParseSourceSpecial("src:chap1.tex"));
    EXPECT_FALSE(ParseSourceSpecial("color push Red"));
    EXPECT_FALSE(ParseSourceSpecial("SRC:3 a.tex"));

    // A vertical offset costs twice a horizontal one.
    const SpecialRecord special{1000, 1000, "src:1 a.tex"};
    EXPECT_EQ(SourceSpecialDistance(1010, 1000, special), 100.0);
    EXPECT_EQ(SourceSpecialDistance(1000, 1010, special), 200.0);
    EXPECT_EQ(SourceSpecialDistance(0, 0, SpecialRecord{0, 0, "color pop"}), DBL_MAX);
    // Coordinates far apart still give a finite distance.
    EXPECT_GT(SourceSpecialDistance(INT32_MAX, INT32_MIN, special), 0.0);
}

TEST(SourceLinks, ForwardSearchTakesTheLastPlaceAtOrBeforeTheLine) {
    Ops first;
    first.SpecialAt(0, 100, "src:10 doc.tex")
        .SpecialAt(50, 200, "src:20 doc.tex")
        .SpecialAt(0, 300, "src:30 doc.tex");
    Ops other;
    other.SpecialAt(0, 100, "src:40 doc.tex");
    Document d({first, other, other, other, other});
    int page = -1, x = 0, y = 0;

    // Line 25: the line-20 place; the first later line arms the stop, so only the
    // next page is read as well. (A document read from memory has its names resolved
    // against the start folder.)
    ASSERT_TRUE(d.doc.ForwardSearch(JoinPath(StartFolder(), "doc.tex"), 25, 72, page, x, y));
    EXPECT_EQ(page, 0);
    const double factor = PixelsPerDviUnit(d.doc, 72);
    EXPECT_EQ(x, static_cast<int>((kInch + 50) * factor));
    EXPECT_EQ(y, static_cast<int>((kInch + 200) * factor));
    EXPECT_EQ(d.PagesRead(), "++...");

    // The same file by its bare name from another folder: the same place, found once
    // every page has shown that the name is unique.
    ASSERT_TRUE(d.doc.ForwardSearch("/home/me/doc.tex", 25, 72, page, x, y));
    EXPECT_EQ(page, 0);
    EXPECT_EQ(y, static_cast<int>((kInch + 200) * factor));
    EXPECT_EQ(d.PagesRead(), "+++++");

    // File names are compared without regard to case.
    ASSERT_TRUE(d.doc.ForwardSearch("C:\\texts\\DOC.TEX", 30, 72, page, x, y));
    EXPECT_EQ(page, 0);
    EXPECT_EQ(y, static_cast<int>((kInch + 300) * factor));

    // Before the first place of the file: nothing, after reading every page.
    Document early({other, other, first});
    EXPECT_FALSE(early.doc.ForwardSearch("doc.tex", 5, 72, page, x, y));
    EXPECT_EQ(page, -1);
    EXPECT_EQ(early.PagesRead(), "+++");
}

TEST(SourceLinks, ForwardSearchStopsAtTheExactLineAndMatchesWholeNames) {
    Ops empty;
    Ops line20;
    line20.SpecialAt(0, 100, "src:20 doc.tex");
    Ops line20b;
    line20b.SpecialAt(0, 900, "src:20 doc.tex");
    Document d({empty, empty, line20, empty, line20b, empty});
    int page = -1, x = 0, y = 0;
    ASSERT_TRUE(d.doc.ForwardSearch("doc.tex", 20, 100, page, x, y));
    EXPECT_EQ(page, 2);
    EXPECT_EQ(d.PagesRead(), "+++...");

    // A file that is not the editor's is taken by its bare name only when that name
    // leads to one file: here chap.tex and sub/chap.tex are two.
    Ops sub;
    sub.SpecialAt(0, 100, "src:3 sub/chap.tex");
    Ops top;
    top.SpecialAt(0, 100, "src:3 chap.tex");
    Document nested({sub});
    EXPECT_TRUE(nested.doc.ForwardSearch("/elsewhere/chap.tex", 3, 100, page, x, y));
    Document both({sub, top});
    EXPECT_FALSE(both.doc.ForwardSearch("/elsewhere/chap.tex", 3, 100, page, x, y));
    EXPECT_EQ(both.PagesRead(), "++");
}

TEST(SourceLinks, InverseSearchTakesTheNearestSourceSpecial) {
    Ops page;
    page.SpecialAt(1000, 1000, "src:5 a.tex")
        .SpecialAt(1000, 1000, "src:6 b.tex")     // same place: the earlier one wins
        .SpecialAt(1010, 5000, "color push Red")  // other specials are never nearest
        .SpecialAt(1010, 5000, "src:9 c.tex");
    Ops colourOnly;
    colourOnly.SpecialAt(0, 0, "color push Blue");
    Ops nothing;
    Document d({page, colourOnly, nothing});
    // Pixels at a resolution whose factor maps them back onto exact DVI units.
    const int r = 7200;
    const double factor = PixelsPerDviUnit(d.doc, r);
    auto px = [&](int32_t dvi) { return static_cast<int>((kInch + dvi) * factor + 0.5); };

    EXPECT_EQ(d.doc.InverseSearch(0, r, px(1000), px(1000)), "src:5 a.tex");
    EXPECT_EQ(d.doc.InverseSearch(0, r, px(1000), px(4990)), "src:9 c.tex");
    EXPECT_EQ(d.doc.InverseSearch(1, r, px(0), px(0)), "");
    EXPECT_EQ(d.doc.InverseSearch(2, r, px(0), px(0)), "");
    EXPECT_EQ(d.doc.InverseSearch(7, r, px(0), px(0)), "");

    // Headless, a page without source specials gives the window's message.
    test::TempDir dir;
    test::WriteBytes(dir.File("colours.dvi"), d.bytes);
    std::string out, err;
    EXPECT_EQ(test::RunCommand(test::Program("quirn-cli") + " inverse-search '" +
                                   dir.File("colours.dvi") + "' 2 10 10",
                               &out, &err),
              1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "message: No embedded source info in DVI file\n");
}

// Files of the same name in the document's folder and in a sub-folder: forward
// search tells them apart by their paths against the DVI file's folder, inverse search
// opens the one in the sub-folder, and a bare name that fits both leads nowhere.
TEST(SourceLinks, FilesInSubFoldersAreToldApartByTheirPaths) {
    test::TempDir dir;
    dir.Write("chap2.tex", "Top one.\n\nTop two.\n");
    dir.Write("sub/chap2.tex", "Sub one.\n\nSub two.\n");
    const std::string dvi = test::TypesetDvi(dir, "main",
                                             "\\documentclass{article}\\begin{document}\n"
                                             "First.\n\n\\input{chap2}\n\\newpage\n"
                                             "\\input{sub/chap2}\n\\end{document}\n",
                                             "latex -src-specials");
    ASSERT_FALSE(dvi.empty());
    StringSink sink;
    DviContext context{test::BuildDir() + "/", &sink, nullptr};
    CDVIDoc doc(context);
    ASSERT_TRUE(doc.OpenDocument(dvi));
    ASSERT_EQ(doc.GetPageCount(), 2);

    int page = -1, x = 0, y = 0;
    ASSERT_TRUE(doc.ForwardSearch(dir.File("sub/chap2.tex"), 3, 96, page, x, y));
    EXPECT_EQ(page, 1);
    std::optional<SourcePosition> back = SourceForPoint(doc, page, 96, x, y);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->file, dir.File("sub/chap2.tex"));
    EXPECT_EQ(back->line, 3u);

    ASSERT_TRUE(doc.ForwardSearch(dir.File("chap2.tex"), 3, 96, page, x, y));
    EXPECT_EQ(page, 0);
    back = SourceForPoint(doc, page, 96, x, y);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->file, dir.File("chap2.tex"));

    // The same names elsewhere: main.tex is one file, chap2.tex two.
    EXPECT_TRUE(doc.ForwardSearch("/elsewhere/main.tex", 2, 96, page, x, y));
    EXPECT_EQ(page, 0);
    EXPECT_FALSE(doc.ForwardSearch("/elsewhere/chap2.tex", 3, 96, page, x, y));

    // quirn-cli, started in another folder, finds the sub-folder's file too.
    std::string out;
    ASSERT_EQ(test::RunCommand("cd / && " + test::Program("quirn-cli") + " forward-search '" + dvi +
                                   "' '" + dir.File("sub/chap2.tex") + "' 3 --dpi 96",
                               &out),
              0)
        << out;
    EXPECT_EQ(out.rfind("page: 2\n", 0), 0u) << out;
}

// A LaTeX document with an included chapter, typeset with source specials: a line of
// the chapter leads to its page, and a click there leads back to the chapter's file
// at a line no later than the one asked for.
TEST(SourceLinks, RealRunWithSourceSpecialsLinksBothWays) {
    test::TempDir dir;
    std::string chapter;
    for (int i = 0; i < 60; ++i) {
        chapter += "Paragraph " + std::to_string(i) +
                   " of the chapter, with enough words to fill a line or two of the page "
                   "and to make several pages in all.\n\n";
    }
    dir.Write("chap1.tex", chapter);
    const std::string dvi = test::TypesetDvi(
        dir, "main",
        "\\documentclass{article}\\begin{document}\nFirst.\n\n\\input{chap1}\n\\end{document}\n",
        "latex -src-specials");
    ASSERT_FALSE(dvi.empty());

    StringSink sink;
    DviContext context{test::BuildDir() + "/", &sink, nullptr};
    CDVIDoc doc(context);
    ASSERT_TRUE(doc.OpenDocument(dvi));
    ASSERT_GE(doc.GetPageCount(), 2);

    // Paragraph 50 starts on line 101 of the chapter, well past the first page.
    int page = -1, x = 0, y = 0;
    ASSERT_TRUE(doc.ForwardSearch(dir.File("chap1.tex"), 101, 96, page, x, y));
    EXPECT_GE(page, 1);
    std::optional<SourcePosition> back = SourceForPoint(doc, page, 96, x, y);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->file, dir.File("chap1.tex"));
    EXPECT_EQ(back->line, 101u);

    // The main file's lines lead to page 1.
    ASSERT_TRUE(doc.ForwardSearch(dir.File("main.tex"), 2, 96, page, x, y));
    EXPECT_EQ(page, 0);

    // quirn-cli does the same headless.
    std::string out;
    ASSERT_EQ(test::RunCommand(test::Program("quirn-cli") + " forward-search '" + dvi + "' '" +
                                   dir.File("chap1.tex") + "' 101 --dpi 96",
                               &out),
              0)
        << out;
    int cliPage = 0, cliX = 0, cliY = 0;
    ASSERT_EQ(std::sscanf(out.c_str(), "page: %d\npoint: %d %d", &cliPage, &cliX, &cliY), 3) << out;
    doc.ForwardSearch(dir.File("chap1.tex"), 101, 96, page, x, y);
    EXPECT_EQ(cliPage, page + 1);
    EXPECT_EQ(cliX, x);
    EXPECT_EQ(cliY, y);
    ASSERT_EQ(test::RunCommand(test::Program("quirn-cli") + " inverse-search '" + dvi + "' " +
                                   std::to_string(cliPage) + " " + std::to_string(x) + " " +
                                   std::to_string(y) + " --dpi 96",
                               &out),
              0)
        << out;
    EXPECT_EQ(out, "goto: " + dir.File("chap1.tex") + ":101\n");
}

}  // namespace
}  // namespace quirn

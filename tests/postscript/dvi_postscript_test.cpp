// Copying DVI pages out of dvips output: whole, or as their graphics alone with the
// positions dvips moved to, with a stand-in dvips whose output is known to the byte.
#include "postscript/dvi_postscript.h"

#include <gtest/gtest.h>

#include "postscript/ps_test_support.h"

namespace quirn {
namespace {

using test::TempDir;

TEST(GraphicPosition, TheTokensBeforeBeginspecial) {
    const std::string a = "garbage 1234 5678 a @beginspecial 10 @llx\n";
    EXPECT_EQ(GraphicPosition(a, a.size()), "1234 5678 a\n");
    const std::string y = "1 2 3 y @beginspecial\n";
    EXPECT_EQ(GraphicPosition(y, y.size()), "2 3 a\n");
    const std::string x = "(text)9 x @beginspecial\n";
    EXPECT_EQ(GraphicPosition(x, x.size()), "9 x\n");
    const std::string w = "1 -5 p @beginspecial\n";
    EXPECT_EQ(GraphicPosition(w, w.size()), "-5 w\n");
    const std::string other = "1 2 z @beginspecial\n";
    EXPECT_EQ(GraphicPosition(other, other.size()), "");
    const std::string far = "1 2 a @beginspecial" + std::string(60, ' ') + "\n";
    EXPECT_EQ(GraphicPosition(far, far.size()), "");
}

class PageCopy : public ::testing::Test {
  protected:
    void SetUp() override {
        dvi_ = test::LatexDvi(dir_, "doc",
                              "\\documentclass{article}\\begin{document}A\\end{document}");
        ASSERT_FALSE(dvi_.empty());
        open_ = test::OpenDviDocument(dvi_);
        ASSERT_TRUE(open_);
    }
    // The document whose dvips writes `postscript`.
    std::unique_ptr<DviPostScriptDoc> WithDvipsOutput(const std::string& postscript) {
        const std::string source = install_.Write("out.ps", postscript);
        test::WriteProgram(install_.Path(), "dvips",
                           "#!/bin/sh\nfor a in \"$@\"; do case \"$a\" in -o*) cp '" + source +
                               "' \"${a#-o}\";; esac; done\n");
        auto doc = std::make_unique<DviPostScriptDoc>(*open_->doc, &messages_);
        doc->Setup().installDir = install_.Path();
        doc->Open(dvi_);
        return doc;
    }
    std::string Write(DviPostScriptDoc& doc, const std::vector<int>& pages, bool graphicsOnly) {
        std::string out;
        EXPECT_TRUE(doc.WritePages(
            pages, 300,
            [&out](std::string_view b) {
                out += b;
                return true;
            },
            graphicsOnly));
        return out;
    }

    TempDir dir_, install_;
    std::string dvi_;
    std::unique_ptr<test::OpenDvi> open_;
    StringSink messages_;
};

TEST_F(PageCopy, GraphicsOnlyKeepsTheGraphicsWithTheirPlaces) {
    const std::string prolog = "%!PS-Adobe-2.0\nTeXDict begin\n";
    const std::string page =
        "%%Page: 4 4\n4 3 bop 100 200 a (text) show\n"
        "1234 5678 a @beginspecial 10 @llx @setspecial\n"
        "%%BeginDocument: QUIRNInclusion fig.eps\nfigure body\n%%Page: 1 1\n%%EndDocument\n"
        "@endspecial (more) show\n%%EndDocument\neop\n";
    auto doc = WithDvipsOutput(prolog + page + "%%Trailer\nend\n");
    EXPECT_EQ(Write(*doc, {0}, true),
              prolog +
                  "%%Page: 4 4\n4 3 bop\n1234 5678 a\n@beginspecial @setspecial\n"
                  "%%BeginDocument: QUIRNInclusion fig.eps\nfigure body\n%%Page: 1 1\n"
                  "%%EndDocument\n\n@endspecial\n%%EndDocument\n\n@endspecial\neop\n"
                  "%%Trailer\nend\n");
    EXPECT_NE(messages_.Text().find("Stack underflow scanning PS graphics\n"), std::string::npos);

    // Copied whole, the DSC comments inside the page are left out.
    EXPECT_EQ(Write(*doc, {0}, false),
              prolog +
                  "4 3 bop 100 200 a (text) show\n1234 5678 a @beginspecial 10 @llx "
                  "@setspecial\nfigure body\n@endspecial (more) show\neop\n%%Trailer\nend\n");
}

TEST_F(PageCopy, GraphicsThatCannotBePlacedMakeThePageCopiedWhole) {
    const std::string page =
        "%%Page: 1 1\n1 0 bop\n%%BeginDocument: QUIRNInclusion a.eps\nA\n"
        "%%EndDocument\neop\n";
    auto doc = WithDvipsOutput("%!PS\n" + page + "%%Trailer\n");
    EXPECT_EQ(Write(*doc, {0}, true), "%!PS\n1 0 bop\nA\neop\n%%Trailer\n");
}

TEST_F(PageCopy, GraphicsIncludedByDvipsItselfAreDrawnWithTheirWholePage) {
    const std::string page =
        "%%Page: 1 1\n1 0 bop 5 6 a (x) show 7 8 a @beginspecial @setspecial\n"
        "%%BeginDocument: fig.eps\nF\n%%EndDocument\n@endspecial eop\n";
    auto doc = WithDvipsOutput("%!PS\n" + page + "%%Trailer\n");
    // As asked: the page's own marks only, as no graphic is bracketed for Quirn (the
    // unbalanced end of the graphic is copied and reported).
    EXPECT_EQ(Write(*doc, {0}, true),
              "%!PS\n%%Page: 1 1\n1 0 bop\n%%EndDocument\n\n@endspecial\neop\n%%Trailer\n");
    doc->SetWholePagesForForeignGraphics(true);
    EXPECT_EQ(Write(*doc, {0}, true),
              "%!PS\n1 0 bop 5 6 a (x) show 7 8 a @beginspecial @setspecial\nF\n"
              "@endspecial eop\n%%Trailer\n");
}

TEST_F(PageCopy, ExcludedSpecialsBecomePostScript) {
    dir_.Write("fig.eps", test::BoxFigure());
    const std::string page =
        "%%Page: 1 1\n1 0 bop\n"
        "%%QuirnSpecialExcluded: psfile=\"missing.eps\" llx=0\n"
        "%%QuirnSpecialExcluded: psfile=\"fig.eps\" llx=10 lly=20 urx=110 "
        "ury=70 rwi=1000\neop\n";
    auto doc = WithDvipsOutput("%!PS\n" + page + "%%Trailer\n");
    const std::string out = Write(*doc, {0}, false);
    EXPECT_NE(messages_.Text().find("Cannot find file: missing.eps"), std::string::npos);
    EXPECT_EQ(out.find("QuirnSpecialExcluded"), std::string::npos);
    EXPECT_NE(out.find("rlineto"), std::string::npos) << out << messages_.Text();
}

}  // namespace
}  // namespace quirn

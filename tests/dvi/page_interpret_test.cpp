// Page interpretation, drawing and hit tests on small hand-made DVI files whose
// fonts are real TeX fonts (cmr10 through the file search and the font map).
#include <gtest/gtest.h>

#include <set>

#include "dvi/draw_page.h"
#include "dvi/dvi_context.h"
#include "dvi/dvi_doc.h"
#include "dvi/dvi_test_support.h"
#include "dvi/interpret_page.h"
#include "dvi/point_info.h"
#include "platform/raster_canvas.h"

namespace quirn {
namespace {

constexpr int32_t kInch = test::kDviInch;
using Ops = test::DviOps;

struct Fixture {
    StringSink sink;
    DviContext context{test::BuildDir() + "/", &sink, nullptr};
    CDVIDoc doc{context};

    explicit Fixture(bool outlines = false) {
        if (outlines) {
            auto find = [this](const std::string& name, bool allowInstall) {
                return context.fileSearch.FindFile(name, allowInstall);
            };
            context.fontMap.LoadFontMap({"psfonts.map"}, find, &sink, false);
        }
    }
    bool Load(const std::vector<std::vector<uint8_t>>& pages) {
        test::DviWriter w;
        w.Pre();
        for (size_t i = 0; i < pages.size(); ++i) {
            w.Page(static_cast<int32_t>(i + 1), pages[i]);
        }
        w.Post().FontDef(0, "cmr10").FontDef(7, "cmr10", 2 * 655360).PostPost();
        return doc.LoadDviBytes(w.Bytes());
    }
    const DviFont& Cmr10() const { return *doc.fontTable.at(0); }
};

TEST(PageInterpretation, CommandsRecordsAndTheOneInchOffset) {
    Fixture f;
    Ops page;
    page.Special("src:1doc.tex")  // at TeX (0, 0): one inch from the paper's corner
        .B(171)                   // fnt_num_0
        .B('A')
        .Special("color push Red")
        .B('B')
        .Special("color pop")
        .B(132)
        .I(0, 4)
        .I(1000, 4)  // set_rule of height 0: not recorded, moves 1000
        .B(137)
        .I(100, 4)
        .I(200, 4)  // put_rule 100 x 200
        .B(243)
        .B(9)
        .I(0, 4)
        .I(655360, 4)
        .I(655360, 4)
        .B(0)
        .B(5)  // fnt_def inside a page
        .B('c')
        .B('m')
        .B('b')
        .B('x')
        .B('9')
        .B(200)  // set1 is 128; 200 is a font number: fnt_num_29
        ;
    // Replace that last byte: code 200 set through set1, outside cmr10's range.
    page.bytes.back() = 128;
    page.B(200)
        .B(141)
        .B(157 + 2)
        .I(-65536, 3)  // push, down3
        .B(142)        // pop
        .B(142)        // pop of the last register set ends the page
        .B('C');
    Ops second;
    second.B(171).B('D').Special("ps: 1 0 0 setrgbcolor");
    ASSERT_TRUE(f.Load({page.bytes, second.bytes}));

    const PageContent& c = *GetPageContent(f.doc, 0, true);
    const DviFont& cmr = f.Cmr10();
    const int32_t wA = cmr.metrics['A'].width, wB = cmr.metrics['B'].width;
    ASSERT_EQ(c.glyphs.size(), 3u);
    EXPECT_EQ(c.glyphs[0].h, kInch);
    EXPECT_EQ(c.glyphs[0].v, kInch);
    EXPECT_EQ(c.glyphs[0].colour, 0u);
    EXPECT_EQ(c.glyphs[1].h, kInch + wA);
    EXPECT_EQ(c.glyphs[1].colour, 0x0000FFu);  // red
    EXPECT_EQ(c.glyphs[2].code, 200u);
    EXPECT_EQ(c.glyphs[2].h, kInch + wA + wB + 1000);
    EXPECT_EQ(c.glyphs[2].colour, 0u);
    ASSERT_EQ(c.rules.size(), 1u);
    EXPECT_EQ(c.rules[0].h, kInch + wA + wB + 1000);
    EXPECT_EQ(c.rules[0].height, 100);
    EXPECT_EQ(c.rules[0].width, 200);
    ASSERT_EQ(c.specials.size(), 3u);
    EXPECT_EQ(c.specials[0].text, "src:1doc.tex");
    EXPECT_EQ(c.specials[0].h, kInch);
    EXPECT_EQ(c.specials[0].v, kInch);
    EXPECT_EQ(f.doc.pages[0].pageKind, kPageKindPlain);
    // The font table is untouched by the definition inside the page.
    EXPECT_EQ(f.doc.fontTable.count(9), 0u);

    EXPECT_EQ(GetPageContent(f.doc, 1, false)->glyphs.size(), 1u);
    EXPECT_EQ(f.doc.pages[1].pageKind, kPageKindPostScript);
    EXPECT_EQ(GetPageContent(f.doc, 2, true), nullptr);
}

TEST(PageInterpretation, ColourStateIsReplayedFromTheStartOfTheFile) {
    Fixture f;
    Ops p1, p2, p3;
    p1.B(171).B('a').Special("color push rgb 0 0 1").B('b');  // no pop: page 2 starts blue
    p2.B(171).B('c').Special("color pop").B('d').Special("color pop");
    p3.B(171).Special("color bogus").B('e');
    ASSERT_TRUE(f.Load({p1.bytes, p2.bytes, p3.bytes}));

    // The third page first, then the second: each starts from its own replay.
    f.sink.Clear();
    const PageContent& c3 = *GetPageContent(f.doc, 2, true);
    EXPECT_EQ(c3.glyphs[0].colour, 0u);
    EXPECT_EQ(c3.specials.size(), 0u);  // a colour that fails to parse is not kept
    EXPECT_EQ(f.sink.Text(), "color pop: color stack is empty\nunknown color name: bogus\n");
    const PageContent& c2 = *GetPageContent(f.doc, 1, true);
    EXPECT_EQ(c2.glyphs[0].colour, 0xFF0000u);
    EXPECT_EQ(c2.glyphs[1].colour, 0u);
    // The plain variant is built separately and sees the same colours.
    EXPECT_EQ(GetPageContent(f.doc, 1, false)->glyphs[0].colour, 0xFF0000u);
}

TEST(PageDrawing, RoundingSmoothingAndColours) {
    Fixture f(true);
    const double s = 150.0 * 100 / 473628672;            // pixels per DVI unit at 150 dpi
    const int32_t thin = static_cast<int32_t>(0.4 / s);  // 0.4 pixels
    Ops page;
    page.B(171)
        .B('O')
        .Special("color push rgb 1 0 0")
        .B('O')
        .Special("color pop")
        .B(137)
        .I(thin, 4)
        .I(static_cast<int32_t>(100 / s), 4);  // put_rule 0.4 x 100 px
    ASSERT_TRUE(f.Load({page.bytes}));
    ASSERT_NE(f.Cmr10().outlineFont, nullptr) << f.sink.Text();

    const PixelSize size = f.doc.GetPageSize(150);
    EXPECT_EQ(size.width, 1275);
    RasterCanvas canvas(size.width, size.height);
    DrawRequest request;
    request.dpi = 150;
    request.antiAlias = true;
    DrawPage(f.doc, canvas, request);

    // The rule: one pixel thick, its left end at the rounded position.
    const int32_t x0 = PixelPosition(kInch + 2 * f.Cmr10().metrics['O'].width, s);
    const int32_t y0 = PixelPosition(kInch, s) - 1;
    EXPECT_EQ(canvas.Pixel(x0, y0), 0u);
    EXPECT_EQ(canvas.Pixel(x0 + 99, y0), 0u);
    EXPECT_EQ(canvas.Pixel(x0 + 100, y0), 0xFFFFFFu);
    EXPECT_EQ(canvas.Pixel(x0, y0 - 1), 0xFFFFFFu);
    EXPECT_EQ(canvas.Pixel(x0, y0 + 1), 0xFFFFFFu);

    // Black text is smoothed (grey levels), and so is red text: its pixels mix red
    // with white (full red channel, equal green and blue).
    const int32_t split = PixelPosition(kInch + f.Cmr10().metrics['O'].width, s);
    std::set<uint32_t> black, red;
    for (int y = y0 - 30; y < y0 + 5; ++y) {
        for (int x = PixelPosition(kInch, s) - 2; x < x0 - 1; ++x) {
            (x < split ? black : red).insert(canvas.Pixel(x, y));
        }
    }
    EXPECT_GT(black.size(), 10u);
    EXPECT_GT(red.size(), 10u);
    EXPECT_EQ(red.count(0x0000FF), 1u);
    for (const uint32_t colour : red) {
        EXPECT_EQ(colour & 0xFF, 0xFFu) << std::hex << colour;
        EXPECT_EQ((colour >> 8) & 0xFF, colour >> 16) << std::hex << colour;
    }

    // The ink bounds hold both characters.
    const CanvasRect ink = GetInkBounds(f.doc, 0, 150);
    EXPECT_LE(ink.left, PixelPosition(kInch, s));
    EXPECT_GE(ink.right, split + 1);
    EXPECT_LT(ink.top, y0 - 5);
    EXPECT_GE(ink.bottom, y0);

    // A second drawing into an update rectangle changes nothing outside it and draws
    // the same inside.
    RasterCanvas again(size.width, size.height);
    again.FillRect(again.Bounds(), 0x00FF00);
    request.update = CanvasRect{split, 0, size.width, size.height};
    DrawPage(f.doc, again, request);
    EXPECT_EQ(again.Pixel(split - 1, y0), 0x00FF00u);
    for (int y = y0 - 30; y < y0 + 5; ++y) {
        for (int x = split; x < x0 + 101; ++x) {
            ASSERT_EQ(again.Pixel(x, y), canvas.Pixel(x, y)) << x << "," << y;
        }
    }
}

TEST(PageDrawing, PointInfoNamesTheCharacterUnderThePoint) {
    Fixture f;
    Ops page;
    page.B(171).B('A').B(178).B('g');  // fnt_num_7: cmr10 at 20pt
    ASSERT_TRUE(f.Load({page.bytes}));
    const DviFont& cmr = f.Cmr10();
    const double s = 100.0 * 100 / 473628672;
    const int px = static_cast<int>((kInch + cmr.metrics['A'].width / 2) * s);
    const int py = static_cast<int>((kInch - cmr.metrics['A'].height / 2) * s);
    EXPECT_EQ(PointInfo(f.doc, 0, 100, px, py),
              "(x,y) (1.00in,1.00in)  Font: cmr10  CharCode: 65 ('A')  designsize: 10.0pt "
              "scaled 100%");
    const int gx = static_cast<int>((kInch + cmr.metrics['A'].width + 70000) * s);
    EXPECT_EQ(PointInfo(f.doc, 0, 100, gx, static_cast<int>(kInch * s) + 1, RulerUnit{"pt", 72.27}),
              "(x,y) (79.77pt,72.27pt)  Font: cmr10  CharCode: 103 ('g')  designsize: 10.0pt "
              "scaled 200%");
    EXPECT_EQ(PointInfo(f.doc, 0, 100, 5, 5), "");
    EXPECT_EQ(PointInfo(f.doc, 0, 100, px, static_cast<int>(kInch * s) + 2), "");  // below A
}

}  // namespace
}  // namespace quirn

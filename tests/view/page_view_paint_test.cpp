// Painting: background, paper and page pictures, the kept drawings that make
// repainting a copy, greys and colours, and the rulers.
#include <gtest/gtest.h>

#include "view/page_bitmap_cache.h"
#include "view/page_view.h"
#include "view/ruler.h"
#include "view/view_fakes.h"

namespace quirn {
namespace {

struct PaintFixture {
    explicit PaintFixture(int mode = kModeContinuous) : source(4) {
        settings.pageViewMode = mode;
        view = std::make_unique<PageView>(source, host, settings, 96);
        view->SetResolution(100);
    }
    test::FakeSource source;
    test::FakeHost host;
    Settings settings;
    std::unique_ptr<PageView> view;
};

TEST(PageViewPaint, BackgroundPaperInkAndKeptDrawings) {
    PaintFixture f;
    PageView& v = *f.view;
    RasterCanvas canvas(1000, 800);
    v.Paint(canvas, canvas.Bounds());
    EXPECT_EQ(canvas.Pixel(5, 5), 0x808080u);              // background
    EXPECT_EQ(canvas.Pixel(20 + 50, 20 + 50), 0xFFFFFFu);  // paper
    EXPECT_EQ(canvas.Pixel(20 + 150, 20 + 150), 0u);       // the square at 1..2 in
    EXPECT_EQ(canvas.Pixel(20 + 99, 20 + 150), 0xFFFFFFu);
    EXPECT_EQ(canvas.Pixel(20 + 100, 20 + 100), 0u);
    EXPECT_EQ(canvas.Pixel(20 + 200, 20 + 150), 0xFFFFFFu);
    EXPECT_EQ(canvas.Pixel(900, 300), 0x808080u);  // right of the paper
    EXPECT_EQ(f.source.draws[0], 1);
    EXPECT_EQ(f.source.draws.count(1), 0u);  // page 2 starts at 1140, below the client

    // Scrolling and repainting parts copies the kept picture.
    v.SetScrollPosition(0, 1000);
    v.Paint(canvas, canvas.Bounds());
    EXPECT_EQ(canvas.Pixel(20 + 150, 1140 - 1000 + 150), 0u);
    EXPECT_EQ(canvas.Pixel(20 + 150, 1130 - 1000), 0x808080u);  // the gap
    v.SetScrollPosition(0, 0);
    v.Paint(canvas, CanvasRect{100, 100, 300, 300});
    v.Paint(canvas, canvas.Bounds());
    EXPECT_EQ(f.source.draws[0], 1);
    EXPECT_EQ(f.source.draws[1], 1);

    // A damaged part leaves the rest of the canvas alone.
    canvas.FillRect(CanvasRect{0, 0, 10, 10}, 0x0000FF);
    v.Paint(canvas, CanvasRect{500, 500, 600, 600});
    EXPECT_EQ(canvas.Pixel(5, 5), 0x0000FFu);

    // New draw options draw again; the old picture stays kept for going back.
    f.settings.viewAAThresh = 0;
    v.Paint(canvas, canvas.Bounds());
    EXPECT_EQ(f.source.draws[0], 2);
    EXPECT_FALSE(f.source.lastOptions.smoothing);
    f.settings.viewAAThresh = 10000;
    v.Paint(canvas, canvas.Bounds());
    EXPECT_EQ(f.source.draws[0], 2);

    // An invalidated page is drawn again, a reloaded document all over.
    v.PageInvalidated(0);
    EXPECT_FALSE(f.host.repaints.empty());
    v.Paint(canvas, canvas.Bounds());
    EXPECT_EQ(f.source.draws[0], 3);
    v.DocumentReloaded();
    v.Paint(canvas, canvas.Bounds());
    EXPECT_EQ(f.source.draws[0], 4);
}

TEST(PageViewPaint, ColoursOrGreysAndAColouredPageCopiedExactly) {
    PaintFixture f(kModeSingle);
    PageView& v = *f.view;
    f.source.colour = 0x0000FF;  // red
    RasterCanvas canvas(1000, 800);
    v.Paint(canvas, canvas.Bounds());
    const uint32_t grey = canvas.Pixel(20 + 150, 20 + 150);
    EXPECT_EQ(grey & 0xFF, (grey >> 8) & 0xFF);
    EXPECT_NE(grey, 0xFFFFFFu);
    EXPECT_NE(grey, 0u);
    EXPECT_TRUE(canvas.IsGrey());

    v.Execute(kCmdColours);
    EXPECT_EQ(f.settings.viewColors, 1);
    EXPECT_TRUE(v.IsChecked(kCmdColours));
    EXPECT_TRUE(f.source.lastOptions.colours == false);
    v.Paint(canvas, canvas.Bounds());
    EXPECT_TRUE(f.source.lastOptions.colours);
    EXPECT_EQ(canvas.Pixel(20 + 150, 20 + 150), 0x0000FFu);
    EXPECT_EQ(canvas.Pixel(20 + 50, 20 + 150), 0xFFFFFFu);  // paper beside it, same rows
    EXPECT_EQ(canvas.Pixel(20 + 50, 20 + 50), 0xFFFFFFu);   // paper in rows without colour

    // The picture as kept: bands of coloured rows and of plain rows.
    RasterCanvas page(40, 30);
    page.FillRect(CanvasRect{5, 2, 9, 4}, 0x00FF00);
    page.FillRect(CanvasRect{10, 10, 30, 12}, 0x404040);
    page.FillRect(CanvasRect{0, 20, 3, 29}, 0xFF0080);
    const PageRaster kept(page, false);
    EXPECT_TRUE(kept.Coloured());
    RasterCanvas copy(60, 50, -10, -10, 0x123456);
    kept.CopyTo(copy, 0, 0);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x) {
            ASSERT_EQ(copy.Pixel(x, y), page.Pixel(x, y)) << x << "," << y;
        }
    }
    EXPECT_EQ(copy.Pixel(-5, -5), 0x123456u);
    // Past 256 colours the picture keeps a plane per channel, copied just as exactly.
    RasterCanvas many(300, 4);
    for (int x = 0; x < 300; ++x) {
        many.FillRect(CanvasRect{x, 1, x + 1, 3}, static_cast<uint32_t>(x) * 0x010203u);
    }
    RasterCanvas manyCopy(300, 4);
    PageRaster(many, false).CopyTo(manyCopy, 0, 0);
    for (int x = 0; x < 300; ++x) {
        ASSERT_EQ(manyCopy.Pixel(x, 2), many.Pixel(x, 2)) << x;
    }
    const PageRaster greys(page, true);
    EXPECT_FALSE(greys.Coloured());
    EXPECT_LT(greys.Bytes(), kept.Bytes());

    // Smoothing commands set the shared threshold.
    v.Execute(kCmdSmoothNever);
    EXPECT_EQ(f.settings.viewAAThresh, 0);
    v.Execute(kCmdSmoothAuto);
    EXPECT_EQ(f.settings.viewAAThresh, 100);
    EXPECT_TRUE(v.CurrentDrawOptions().smoothing);  // 100 dpi
    v.SetResolution(101);
    EXPECT_FALSE(v.CurrentDrawOptions().smoothing);
    v.Execute(kCmdSmoothAlways);
    EXPECT_EQ(f.settings.viewAAThresh, 10000);
}

TEST(PageViewPaint, CacheKeepsWithinItsBudget) {
    RasterCanvas page(100, 100);
    PageBitmapCache cache(25000);  // room for two 10000-byte pictures
    for (int p = 0; p < 4; ++p) {
        cache.Store(PageBitmapKey{p, DrawOptions{}}, PageRaster(page, false));
    }
    EXPECT_EQ(cache.Size(), 2u);
    EXPECT_EQ(cache.Find(PageBitmapKey{0, DrawOptions{}}), nullptr);
    EXPECT_NE(cache.Find(PageBitmapKey{2, DrawOptions{}}), nullptr);
    // Page 2 was used last, so page 3 goes first.
    cache.Store(PageBitmapKey{5, DrawOptions{}}, PageRaster(page, false));
    EXPECT_NE(cache.Find(PageBitmapKey{2, DrawOptions{}}), nullptr);
    EXPECT_EQ(cache.Find(PageBitmapKey{3, DrawOptions{}}), nullptr);
    // One picture larger than the budget is still kept.
    PageBitmapCache tiny(10);
    tiny.Store(PageBitmapKey{0, DrawOptions{}}, PageRaster(page, false));
    EXPECT_EQ(tiny.Size(), 1u);
    cache.DropPage(2);
    EXPECT_EQ(cache.Find(PageBitmapKey{2, DrawOptions{}}), nullptr);
}

TEST(PageViewPaint, RulersAlongTheEdgesCountFromTheOrigin) {
    EXPECT_DOUBLE_EQ(RulerStep(100, 48), 0.5);  // inches at 100 dpi
    EXPECT_DOUBLE_EQ(RulerStep(30, 48), 2);     // inches at 30 dpi
    EXPECT_DOUBLE_EQ(RulerStep(1.38, 48), 50);  // points at 100 dpi
    EXPECT_DOUBLE_EQ(RulerStep(300 / 2.54, 48), 0.5);

    PaintFixture f(kModeSingle);
    PageView& v = *f.view;
    v.Execute(kCmdToggleRuler);
    EXPECT_TRUE(v.RulerShown());
    EXPECT_TRUE(v.RepaintsOnScroll());
    RasterCanvas canvas(1000, 800);
    v.Paint(canvas, canvas.Bounds());
    // A long tick at each labelled step: the paper's corner (x = 20) and 0.5 in on.
    EXPECT_EQ(canvas.Pixel(20, kRulerThickness - 3), 0u);
    EXPECT_EQ(canvas.Pixel(70, kRulerThickness - 3), 0u);
    EXPECT_NE(canvas.Pixel(45, 2), 0u);
    EXPECT_EQ(canvas.Pixel(kRulerThickness - 3, 20), 0u);
    EXPECT_EQ(canvas.Pixel(kRulerThickness - 3, 120), 0u);
    EXPECT_EQ(canvas.Pixel(500, kRulerThickness - 1), 0u);  // the strip's edge
    // The origin moves the ticks with it.
    v.OnMouseMove(20 + 33, 20 + 40, false);
    v.Execute(kCmdSetRulerOrigin);
    v.Paint(canvas, canvas.Bounds());
    EXPECT_EQ(canvas.Pixel(53, kRulerThickness - 3), 0u);
    EXPECT_EQ(canvas.Pixel(103, kRulerThickness - 3), 0u);
    v.Execute(kCmdToggleRuler);
    v.Paint(canvas, canvas.Bounds());
    EXPECT_EQ(canvas.Pixel(500, kRulerThickness - 1), 0x808080u);
}

}  // namespace
}  // namespace quirn

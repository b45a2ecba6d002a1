// The pointer side of the page view: position texts in the five units, the ruler
// origin, the selection and its zoom, font information and the magnifying box.
#include <gtest/gtest.h>

#include "view/page_view.h"
#include "view/view_fakes.h"

namespace quirn {
namespace {

struct PointerFixture {
    PointerFixture() : source(3) {
        settings.pageViewMode = kModeSingle;
        view = std::make_unique<PageView>(source, host, settings, 96);
        view->SetResolution(100);  // page at (20, 20), 850 x 1100
    }
    test::FakeSource source;
    test::FakeHost host;
    Settings settings;
    std::unique_ptr<PageView> view;
};

TEST(PageViewUnits, TableAndNameLookup) {
    EXPECT_STREQ(UnitByName("cm").unit.name, "cm");
    EXPECT_DOUBLE_EQ(UnitByName("pc").unit.perInch, 6.0225);
    EXPECT_DOUBLE_EQ(UnitByName("pt").unit.perInch, 72.27);
    EXPECT_EQ(UnitByName("bp").command, kCmdUnitBigPoints);
    EXPECT_EQ(UnitByName("furlong").command, kCmdUnitInches);
    EXPECT_EQ(UnitByName("").command, kCmdUnitInches);
    EXPECT_STREQ(UnitByCommand(kCmdUnitCentimeters)->menuText, "&Centimeters");
    EXPECT_EQ(UnitByCommand(kCmdNextPage), nullptr);
}

TEST(PageViewPointer, PositionTextsUnitsAndRulerOrigin) {
    PointerFixture f;
    PageView& v = *f.view;
    EXPECT_EQ(v.PointerText(20 + 150, 20 + 250), "(x,y) (1.50in,2.50in)");
    EXPECT_EQ(v.PointerText(5, 5), "");
    v.Execute(kCmdUnitCentimeters);
    EXPECT_EQ(f.settings.units, "cm");
    EXPECT_TRUE(v.IsChecked(kCmdUnitCentimeters));
    EXPECT_EQ(v.PointerText(20 + 100, 20 + 200), "(x,y) (2.54cm,5.08cm)");
    v.Execute(kCmdUnitPoints);
    EXPECT_EQ(v.PointerText(20 + 100, 20), "(x,y) (72.27pt,0.00pt)");
    v.Execute(kCmdUnitInches);

    // Origin at (1 in, 2 in) from the page's corner.
    v.OnMouseMove(20 + 100, 20 + 200, false);
    EXPECT_EQ(f.host.status[StatusField::Pointer], "(x,y) (1.00in,2.00in)");
    v.Execute(kCmdSetRulerOrigin);
    EXPECT_EQ(v.RulerOriginX(), 1000);
    EXPECT_EQ(v.RulerOriginY(), 2000);
    EXPECT_EQ(v.PointerText(20 + 100, 20 + 200), "(x,y) (0.00in,0.00in)");
    EXPECT_EQ(v.PointerText(20, 20), "(x,y) (-1.00in,-2.00in)");
    // The origin stays put in paper terms when the zoom changes.
    v.SetResolution(200);
    v.SetScrollPosition(0, 0);
    EXPECT_EQ(v.PointerText(20 + 200, 20 + 400), "(x,y) (0.00in,0.00in)");
    // Off the page the origin does not move.
    v.OnMouseMove(2, 2, false);
    v.Execute(kCmdSetRulerOrigin);
    EXPECT_EQ(v.RulerOriginX(), 1000);

    // Inverse search at the last point; nothing when it is on no page.
    v.Execute(kCmdGotoSource);
    EXPECT_EQ(f.host.beeps, 0);
    EXPECT_TRUE(f.host.sources.empty());
    v.OnMouseMove(20 + 30, 20 + 40, false);
    v.Execute(kCmdGotoSourceKey);
    ASSERT_EQ(f.host.sources.size(), 1u);
    EXPECT_EQ(f.host.sources[0], (std::vector<int>{0, 30, 40, 200}));
    v.OnLeftUp(20 + 50, 20 + 60, true);
    EXPECT_EQ(f.host.sources.size(), 2u);
}

// A forward search's place: its page in view, the place a third of the way down the
// client and the pointer on it, 20 pixels to the left, its line's box marked; near the
// top of the layout the view cannot scroll that far.
TEST(PageViewPointer, SourcePositionIsShownWithThePointerOnIt) {
    test::FakeSource source(3);
    test::FakeHost host;
    Settings settings;
    PageView v(source, host, settings, 96);
    v.SetResolution(100);
    ASSERT_EQ(v.PageMode(), kModeContinuous);
    const CanvasRect third = v.Layout().PageRect(2);
    v.ShowSourcePosition(2, 150, 400);
    EXPECT_EQ(v.CurrentPage(), 2);
    EXPECT_EQ(host.scrollX, 0);
    EXPECT_EQ(host.scrollY, third.top + 400 - host.height / 3);
    EXPECT_EQ(host.pointerX, third.left + 130);
    EXPECT_EQ(host.pointerY, host.height / 3);
    EXPECT_EQ(v.SourceMarkPage(), 2);
    EXPECT_LT(v.SourceMark().top, 400);
    EXPECT_GT(v.SourceMark().bottom, 400);
    EXPECT_GT(v.SourceMarkStrength(), 0.5);

    const CanvasRect first = v.Layout().PageRect(0);
    v.ShowSourcePosition(0, 10, 50);
    EXPECT_EQ(v.CurrentPage(), 0);
    EXPECT_EQ(host.scrollY, 0);
    EXPECT_EQ(host.pointerX, first.left - 10);
    EXPECT_EQ(host.pointerY, first.top + 50);

    // One page at a time: the page jump brings the page into the layout first.
    v.SetPageMode(kModeSingle);
    v.SetResolution(100);
    v.ShowSourcePosition(1, 200, 900);
    EXPECT_EQ(v.CurrentPage(), 1);
    const CanvasRect shown = v.Layout().PageRect(1);
    EXPECT_EQ(host.pointerX, shown.left + 180 - host.scrollX);
    EXPECT_EQ(host.pointerY, shown.top + 900 - host.scrollY);
    // A page that is not there changes nothing; a place far off the page is no fault.
    v.ShowSourcePosition(5, 0, 0);
    EXPECT_EQ(v.CurrentPage(), 1);
    v.ShowSourcePosition(1, INT32_MIN, INT32_MAX);
    EXPECT_EQ(v.CurrentPage(), 1);
}

TEST(PageViewPointer, SelectionDragTextAndZoomToSelection) {
    PointerFixture f;
    PageView& v = *f.view;
    EXPECT_TRUE(v.IsChecked(kCmdSelectionTool));
    v.OnLeftDown(20 + 100, 20 + 100, false);
    v.OnMouseMove(20 + 300, 20 + 250, true);
    EXPECT_EQ(f.host.status[StatusField::Pointer],
              "(x,y) (1.00in,1.00in) to (3.00in,2.50in) Size: 2.00in x 1.50in");
    v.OnLeftUp(20 + 300, 20 + 250, false);
    const CanvasRect sel = v.Selection();
    EXPECT_EQ(sel.left, 100);
    EXPECT_EQ(sel.top, 100);
    EXPECT_EQ(sel.right, 300);
    EXPECT_EQ(sel.bottom, 250);
    EXPECT_FALSE(f.host.repaints.empty());

    // min(960 * 100 / 200, 760 * 100 / 150) = min(480, 506), clamped to 300.
    v.SetZoom(kCmdZoomSelection);
    EXPECT_EQ(v.Resolution(), 300);
    EXPECT_EQ(v.Selection().left, 300);
    // The selection's centre (200, 175) at 100 dpi is (600, 525) at 300: at the centre.
    EXPECT_EQ(v.ScrollX(), 20 + 600 - 500);
    EXPECT_EQ(v.ScrollY(), 20 + 525 - 400);

    // Dragging past the paper stops at its edge; a drag upwards still spans.
    v.SetResolution(100);
    v.SetScrollPosition(0, 0);
    v.OnLeftDown(20 + 500, 20 + 500, false);
    v.OnMouseMove(900, 2, true);
    v.OnLeftUp(900, 2, false);
    EXPECT_EQ(v.Selection().right, 850);
    EXPECT_EQ(v.Selection().top, 0);
    EXPECT_EQ(v.Selection().bottom, 500);
}

TEST(PageViewPointer, FontInformationAndMagnifierTools) {
    PointerFixture f;
    PageView& v = *f.view;
    v.Execute(kCmdFontInfoTool);
    EXPECT_EQ(v.Tool(), kToolFontInfo);
    v.OnLeftDown(20 + 150, 20 + 160, false);
    EXPECT_EQ(f.host.status[StatusField::Pointer], "info 0 100 150,160 in");
    v.OnMouseMove(20 + 151, 20 + 160, true);
    EXPECT_EQ(f.host.status[StatusField::Pointer], "info 0 100 151,160 in");
    v.OnLeftUp(20 + 151, 20 + 160, false);

    v.Execute(kCmdMagnifierTool);
    EXPECT_EQ(v.Tool(), kToolMagnifier);
    f.settings.viewMagH = 350;
    f.settings.viewMagV = 200;
    // The page point (200, 300) under the centre at 100 dpi is (600, 900) at 300 dpi:
    // the page moves by (400, 600) so that the point stays under the pointer.
    const MagnifierBox m = v.MagnifierAt(20 + 200, 20 + 300);
    EXPECT_EQ(m.page, 0);
    EXPECT_EQ(m.box.left, 220 - 175);
    EXPECT_EQ(m.box.top, 320 - 100);
    EXPECT_EQ(m.box.Width(), 350);
    EXPECT_EQ(m.box.Height(), 200);
    EXPECT_EQ(m.pageX, 20 - 400);
    EXPECT_EQ(m.pageY, 20 - 600);
    EXPECT_EQ(m.pageX + 600, 220);

    v.OnLeftDown(220, 320, false);
    EXPECT_FALSE(f.host.pointerShown);
    // The fake's square covers (300..600, 300..600) of the 300-dpi page; the point
    // (600, 900) under the pointer lies below it, on paper.
    RasterCanvas canvas(1000, 800);
    v.Paint(canvas, canvas.Bounds());
    EXPECT_EQ(f.source.lastOptions.resolution, 300);
    EXPECT_EQ(canvas.Pixel(220, 320), 0xFFFFFFu);
    EXPECT_EQ(canvas.Pixel(m.box.left - 1, 320), 0x000000u);  // the frame
    // Over (120, 120) at 100 dpi, (360, 360) at 300 dpi: inside the square, and so is
    // a point 100 pixels to its right at 300 dpi but not at 100 dpi.
    v.OnMouseMove(140, 140, true);
    v.Paint(canvas, canvas.Bounds());
    EXPECT_EQ(canvas.Pixel(140, 140), 0x000000u);
    EXPECT_EQ(canvas.Pixel(240, 140), 0x000000u);
    v.OnLeftUp(140, 140, false);
    v.Paint(canvas, canvas.Bounds());
    EXPECT_EQ(canvas.Pixel(240, 140), 0xFFFFFFu);
    EXPECT_TRUE(f.host.pointerShown);
}

}  // namespace
}  // namespace quirn

// Zoom, layout, page moves and the state text of the page view, on a fake document
// of letter-sized pages in a 1000 x 800 client area.
#include <gtest/gtest.h>

#include "view/page_view.h"
#include "view/view_fakes.h"

namespace quirn {
namespace {

struct ViewFixture {
    explicit ViewFixture(int pages, int mode = kModeSingle) : source(pages) {
        settings.pageViewMode = mode;
        view = std::make_unique<PageView>(source, host, settings, 96);
    }
    test::FakeSource source;
    test::FakeHost host;
    Settings settings;
    std::unique_ptr<PageView> view;
};

int ZoomFrom(PageView& view, int from, int command) {
    view.SetResolution(from);
    view.SetZoom(command);
    return view.Resolution();
}

TEST(PageViewZoom, StepsUpAndDownByThirtiesWithinTheLimits) {
    ViewFixture f(3);
    PageView& v = *f.view;
    EXPECT_EQ(v.Resolution(), 90);
    EXPECT_EQ(ZoomFrom(v, 100, kCmdZoomDown), 90);
    EXPECT_EQ(ZoomFrom(v, 90, kCmdZoomDown), 60);
    EXPECT_EQ(ZoomFrom(v, 31, kCmdZoomDown), 30);
    EXPECT_EQ(ZoomFrom(v, 30, kCmdZoomDown), 30);
    EXPECT_EQ(ZoomFrom(v, 300, kCmdZoomUp), 300);
    EXPECT_EQ(ZoomFrom(v, 90, kCmdZoomUp), 120);
    EXPECT_EQ(ZoomFrom(v, 100, kCmdZoomUp), 110);
    EXPECT_EQ(ZoomFrom(v, 110, kCmdZoomUp), 130);
    v.SetResolution(1000);
    EXPECT_EQ(v.Resolution(), 300);
    v.SetResolution(-5);
    EXPECT_EQ(v.Resolution(), 30);
}

TEST(PageViewZoom, FitsPageWidthWholePageVisibleWidthAndSelection) {
    ViewFixture f(3);
    PageView& v = *f.view;
    EXPECT_EQ(ZoomFrom(v, 90, kCmdZoomPageWidth), 112);  // 960 * 100 / 850
    EXPECT_EQ(ZoomFrom(v, 90, kCmdZoomWholePage), 69);   // min(112, 760 * 100 / 1100)
    EXPECT_EQ(v.ZoomMode(), kCmdZoomWholePage);

    // Ink 1000..7500 on 8500 is already symmetric: 1000 * 1000 / (6500 + 150).
    EXPECT_EQ(ZoomFrom(v, 90, kCmdZoomVisibleWidth), 150);
    // 2000..6000 becomes 2000..6500.
    f.source.ink = CanvasRect{2000, 1000, 6000, 2000};
    EXPECT_EQ(ZoomFrom(v, 90, kCmdZoomVisibleWidth), 215);
    f.source.ink = CanvasRect{};
    EXPECT_EQ(ZoomFrom(v, 90, kCmdZoomVisibleWidth), 30);

    // Without a selection the resolution stays.
    EXPECT_EQ(ZoomFrom(v, 120, kCmdZoomSelection), 120);

    // Two pages side by side: the width holds both, and visible width is page width.
    ViewFixture two(4, kModeTwoPages);
    EXPECT_EQ(ZoomFrom(*two.view, 90, kCmdZoomPageWidth), 55);  // 940 * 100 / 1700
    EXPECT_EQ(ZoomFrom(*two.view, 90, kCmdZoomVisibleWidth), 55);
    EXPECT_EQ(two.view->ZoomMode(), kCmdZoomVisibleWidth);
}

TEST(PageViewZoom, KeepsThePagePointAtTheClientCentre) {
    ViewFixture f(3);
    PageView& v = *f.view;
    v.SetResolution(200);  // page 1700 x 2200 at (20, 20)
    v.SetScrollPosition(300, 500);
    // Centre (800, 900) is (780, 880) from the page's corner; at 100 dpi (390, 440).
    v.SetZoom(kCmdZoomDown);  // 200 -> 180
    const int dx = 780 * 180 / 200;
    const int dy = 880 * 180 / 200;
    EXPECT_EQ(v.ScrollX(), 20 + dx - 500);
    EXPECT_EQ(v.ScrollY(), 20 + dy - 400);
    EXPECT_EQ(f.host.scrollX, v.ScrollX());
    EXPECT_EQ(f.host.scrollY, v.ScrollY());
    // The scroll position never leaves the extent.
    v.SetZoom(kCmdZoomWholePage);
    EXPECT_EQ(v.ScrollX(), 0);
    EXPECT_EQ(v.ScrollY(), 0);
}

// A new view fits the page width when its window has its size, and the window may be
// resized a few times while it settles: through all of it the first page shows from its
// top edge. A reload keeps the place that was shown.
TEST(PageViewZoom, ANewViewShowsTheTopOfItsFirstPageAndAReloadKeepsItsPlace) {
    for (int mode : {kModeSingle, kModeContinuous, kModeTwoPages, kModeBook}) {
        ViewFixture f(3, mode);
        PageView& v = *f.view;
        v.SetPageMode(v.PageMode());
        EXPECT_NE(v.Resolution(), 90) << mode;  // zoomed to the width
        EXPECT_EQ(v.ScrollY(), 0) << mode;
        EXPECT_EQ(f.host.scrollY, 0) << mode;
        for (int width : {600, 1200, 900}) {
            f.host.width = width;
            v.OnClientResized();
            EXPECT_EQ(v.ScrollY(), 0) << mode << " " << width;
        }
        EXPECT_EQ(v.CurrentPage(), 0);
    }

    // Further down the pages, zooming keeps the centre and a reload keeps the place.
    ViewFixture f(3, kModeContinuous);
    PageView& v = *f.view;
    v.SetPageMode(v.PageMode());
    v.SetScrollPosition(0, 1500);
    const int page = v.CurrentPage();
    v.DocumentReloaded();
    EXPECT_EQ(v.ScrollY(), 1500);
    EXPECT_EQ(v.CurrentPage(), page);
    v.SetZoom(kCmdZoomDown);
    EXPECT_NE(v.ScrollY(), 0);
}

TEST(PageViewLayout, BookSpreadsAndTwoPageEnds) {
    ViewFixture f(4, kModeBook);
    PageView& v = *f.view;
    v.SetResolution(100);  // pages 850 x 1100
    const PageLayout& l = v.Layout();
    EXPECT_TRUE(l.PageRect(0).left == 850 + 40 && l.PageRect(0).top == 20);
    EXPECT_EQ(l.ShownPages(), std::vector<int>{0});
    EXPECT_EQ(v.PageIndicator(), "Page 1 of 4");
    EXPECT_EQ(v.TexPageIndicator(), "TeXPage 1");

    for (int current : {1, 2}) {
        v.GoToPage(current);
        EXPECT_EQ(l.ShownPages(), (std::vector<int>{1, 2})) << current;
        EXPECT_EQ(l.PageRect(1).left, 20);
        EXPECT_EQ(l.PageRect(2).left, 890);
        EXPECT_TRUE(l.PageRect(0).Empty());
        EXPECT_EQ(v.PageIndicator(), "Pages 2-3 of 4");
        EXPECT_EQ(v.TexPageIndicator(), "TeXPages 2,3");
    }
    v.GoToPage(3);
    EXPECT_EQ(l.ShownPages(), std::vector<int>{3});
    EXPECT_EQ(l.PageRect(3).left, 20);
    // The extent is measured with the spread before the lone last page.
    EXPECT_EQ(l.Extent().width, 890 + 850 + 20);

    // Book steps by two, Previous from index 1 stops at the first page.
    v.GoToPage(1);
    v.Execute(kCmdNextPage);
    EXPECT_EQ(v.CurrentPage(), 3);
    v.Execute(kCmdNextPage);
    EXPECT_EQ(v.CurrentPage(), 3);
    v.GoToPage(1);
    v.Execute(kCmdPreviousPage);
    EXPECT_EQ(v.CurrentPage(), 0);

    // Two-page mode steps by one and shows the last page alone on the left.
    v.Execute(kCmdTwoPages);
    EXPECT_EQ(v.PageMode(), kModeTwoPages);
    EXPECT_EQ(v.ZoomMode(), kCmdZoomPageWidth);
    v.Execute(kCmdNextPage);
    EXPECT_EQ(v.CurrentPage(), 1);
    v.Execute(kCmdLastPage);
    EXPECT_EQ(v.Layout().ShownPages(), std::vector<int>{3});
    EXPECT_EQ(v.Layout().PageRect(3).left, 20);
    EXPECT_EQ(v.PageIndicator(), "Page 4 of 4");
    EXPECT_TRUE(v.IsChecked(kCmdTwoPages));
    EXPECT_FALSE(v.IsChecked(kCmdBook));
}

TEST(PageViewLayout, ContinuousColumnExtentStepsAndHitTest) {
    ViewFixture f(3, kModeContinuous);
    PageView& v = *f.view;
    v.SetResolution(100);
    const PageLayout& l = v.Layout();
    EXPECT_EQ(l.PageRect(0).top, 20);
    EXPECT_EQ(l.PageRect(1).top, 1140);
    EXPECT_EQ(l.PageRect(2).top, 2260);
    EXPECT_EQ(l.PageRect(2).bottom, 3360);
    EXPECT_EQ(f.host.extent.width, 890);
    EXPECT_EQ(f.host.extent.height, 3380);
    EXPECT_EQ(f.host.extent.pageStepY, 1100 / 3);
    EXPECT_EQ(f.host.extent.lineStepX, 850 / 20);

    v.SetScrollPosition(0, 1000);
    const PagePoint p = v.HitTest(30, 150);  // layout (30, 1150)
    EXPECT_EQ(p.page, 1);
    EXPECT_EQ(p.x, 10);
    EXPECT_EQ(p.y, 10);
    EXPECT_EQ(v.HitTest(5, 150).page, -1);   // left margin
    EXPECT_EQ(v.HitTest(30, 130).page, -1);  // gap between pages
    // Scrolling makes the page at the centre current.
    EXPECT_EQ(v.CurrentPage(), 1);

    // Going to a page whose rectangle is away from the centre scrolls to it.
    v.GoToPage(2);
    EXPECT_EQ(v.ScrollY(), std::min(2260 - 20, 3380 - 800));
    v.GoToPage(0);
    EXPECT_EQ(v.ScrollX(), 0);
    EXPECT_EQ(v.ScrollY(), 0);
}

TEST(PageViewPages, GotoPagePromptClampsAndTimerMakesGraphicsReady) {
    ViewFixture f(5);
    PageView& v = *f.view;
    const std::pair<const char*, int> answers[] = {{"3", 2},   {"0", 0},   {"-4", 0},
                                                   {"999", 4}, {"abc", 0}, {" 2", 1}};
    for (const auto& [answer, page] : answers) {
        f.host.answer = answer;
        v.Execute(kCmdSelectPage);
        EXPECT_EQ(v.CurrentPage(), page) << answer;
    }
    EXPECT_EQ(f.host.title, "Goto Page");
    EXPECT_EQ(f.host.question, "Which page do you want to go to?");
    f.host.cancel = true;
    f.host.answer = "4";
    v.Execute(kCmdSelectPage);
    EXPECT_EQ(v.CurrentPage(), 1);

    // A page change clears graphics ready and (re)starts the timer.
    v.Execute(kCmdNextPage);
    EXPECT_FALSE(v.GraphicsReady());
    EXPECT_TRUE(f.host.timerRunning);
    const int repaints = f.host.repaintAll;
    v.OnGraphicsTimer();
    EXPECT_TRUE(v.GraphicsReady());
    EXPECT_FALSE(f.host.timerRunning);
    EXPECT_EQ(f.host.repaintAll, repaints + 1);
    // Every page change restarts the timer.
    const int starts = f.host.timerStarts;
    v.Execute(kCmdFirstPage);
    v.Execute(kCmdNextPage);
    EXPECT_EQ(f.host.timerStarts, starts + 2);
    EXPECT_TRUE(v.Execute(kCmdLastPage));
    EXPECT_FALSE(v.Execute(12345));
}

TEST(PageViewState, SavesAndRestoresPageAndZoom) {
    ViewFixture f(6);
    PageView& v = *f.view;
    EXPECT_EQ(v.StateText(), "0 90");
    v.GoToPage(3);
    v.SetZoom(kCmdZoomPageWidth);
    EXPECT_EQ(v.StateText(), "3 -2");
    v.SetZoom(kCmdZoomUp);
    EXPECT_EQ(v.StateText(), "3 134");  // 112 + (111 mod 30) + 1

    ViewFixture g(6);
    EXPECT_TRUE(g.view->RestoreState("3 -2"));
    EXPECT_EQ(g.view->CurrentPage(), 3);
    EXPECT_EQ(g.view->Resolution(), 112);
    EXPECT_EQ(g.view->ZoomMode(), kCmdZoomPageWidth);
    EXPECT_TRUE(g.view->RestoreState("1 150"));
    EXPECT_EQ(g.view->CurrentPage(), 1);
    EXPECT_EQ(g.view->Resolution(), 150);
    EXPECT_EQ(g.view->ZoomMode(), -1);
    EXPECT_TRUE(g.view->RestoreState("99 -1"));
    EXPECT_EQ(g.view->CurrentPage(), 5);
    EXPECT_EQ(g.view->Resolution(), 69);
    EXPECT_FALSE(g.view->RestoreState("garbage"));
    EXPECT_EQ(g.view->CurrentPage(), 5);

    // A fitting zoom follows the client area when it changes size.
    g.host.width = 500;
    g.view->OnClientResized();
    EXPECT_EQ(g.view->Resolution(), std::min(460 * 100 / 850, 760 * 100 / 1100));
}

TEST(PageViewStatus, ZoomAndActualSizeIndicators) {
    ViewFixture f(2);
    f.settings.dviUsePercent = 0;
    EXPECT_EQ(f.view->ZoomIndicator(), "120%");
    EXPECT_EQ(f.view->ActualSizeIndicator(), "93%");
    f.settings.dviUsePercent = 1;
    EXPECT_EQ(f.view->ZoomIndicator(), "90 DPI");
    f.view->UpdateStatus();
    EXPECT_EQ(f.host.status[StatusField::Page], "Page 1 of 2");
    EXPECT_EQ(f.host.status[StatusField::TexPage], "TeXPage 1");
    EXPECT_EQ(f.host.status[StatusField::ActualSize], "93%");

    test::FakeSource empty(0);
    test::FakeHost host;
    Settings settings;
    PageView none(empty, host, settings, 500);  // screen resolution clamps to 300
    none.Execute(kCmdNextPage);
    none.Execute(kCmdLastPage);
    none.SetZoom(kCmdZoomVisibleWidth);
    EXPECT_EQ(none.PageIndicator(), "Page 0 of 0");
    EXPECT_EQ(none.ActualSizeIndicator(), "10%");
}

}  // namespace
}  // namespace quirn

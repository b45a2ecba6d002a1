// The page view without a display, on a long document with colour:
//
//   redraw:  a page shown again (its picture kept by the view) against its first
//            showing (display list built, colour replayed, page drawn and kept);
//            the second showing should cost at most a quarter of the first.
//   replay:  the first showing of page 290 against the first showing of page 2 of a
//            300-page document whose colour specials span pages; the colour state at
//            a page's start is remembered, so the far page should cost at most twice
//            as much.
//
// Each round reloads the document (page contents and colour states dropped) and
// paints the client area of a single-page view at 150 dpi that holds the whole page.
//
// usage: bench_view DOC.dvi [ROUNDS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/data_roots.h"
#include "dvi/dvi_context.h"
#include "dvi/dvi_doc.h"
#include "platform/output_sink.h"
#include "platform/raster_canvas.h"
#include "view/dvi_page_source.h"
#include "view/page_view.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace quirn;

class BenchHost : public PageViewHost {
  public:
    int ClientWidth() const override { return 1320; }
    int ClientHeight() const override { return 1700; }
    void SetScrollExtent(const ScrollExtent&) override {}
    void ScrollTo(int, int) override {}
    void Repaint(const CanvasRect&) override {}
    void RepaintAll() override {}
    void StartGraphicsTimer() override {}
    void StopGraphicsTimer() override {}
    bool AskText(const std::string&, const std::string&, std::string&) override { return false; }
    void SetStatusText(StatusField, const std::string&) override {}
    void Beep() override {}
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Milliseconds one paint of the whole client area takes.
double PaintMs(PageView& view, RasterCanvas& canvas) {
    const Clock::time_point t0 = Clock::now();
    view.Paint(canvas, canvas.Bounds());
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_view DOC.dvi [ROUNDS]\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    StreamSink sink(stderr);
    DviContext context(FindInstallDir(), &sink, nullptr);
    auto find = [&context](const std::string& name, bool allowInstall) {
        return context.fileSearch.FindFile(name, allowInstall);
    };
    context.fontMap.LoadFontMap({"psfonts.map"}, find, &sink, false);
    CDVIDoc doc(context);
    if (!doc.OpenDocument(argv[1])) {
        return 1;
    }
    if (doc.GetPageCount() < 290) {
        std::fprintf(stderr, "%s has %d pages; the benchmark needs 290\n", argv[1],
                     doc.GetPageCount());
        return 1;
    }
    DviPageSource source(doc);
    BenchHost host;
    Settings settings;
    settings.pageViewMode = kModeSingle;
    settings.viewColors = 1;
    settings.viewAAThresh = 10000;
    PageView view(source, host, settings, 96);
    view.SetResolution(150);
    RasterCanvas canvas(host.ClientWidth(), host.ClientHeight());

    // One round before timing, so that glyphs are rendered once and the fonts'
    // bitmaps are there for every round (they live as long as the process).
    std::vector<double> first2, again2, first290, again290;
    for (int round = -1; round < rounds; ++round) {
        if (!doc.Reload()) {
            return 1;
        }
        view.DocumentReloaded();
        view.GoToPage(1);
        const double a = PaintMs(view, canvas);
        const double b = PaintMs(view, canvas);
        view.GoToPage(289);
        const double c = PaintMs(view, canvas);
        const double d = PaintMs(view, canvas);
        if (round >= 0) {
            first2.push_back(a);
            again2.push_back(b);
            first290.push_back(c);
            again290.push_back(d);
        }
    }
    const double f2 = Median(first2), a2 = Median(again2);
    const double f290 = Median(first290), a290 = Median(again290);
    std::printf("view: %d pages at 150 dpi, client %dx%d, %d rounds (medians)\n",
                doc.GetPageCount(), host.ClientWidth(), host.ClientHeight(), rounds);
    std::printf("redraw: page 2 first %.2f ms, again %.2f ms, ratio %.3f (limit 0.25)\n", f2, a2,
                a2 / f2);
    std::printf("redraw: page 290 first %.2f ms, again %.2f ms, ratio %.3f (limit 0.25)\n", f290,
                a290, a290 / f290);
    std::printf("replay: page 290 first %.2f ms, page 2 first %.2f ms, ratio %.3f (limit 2)\n",
                f290, f2, f290 / f2);
    const bool ok = a2 / f2 <= 0.25 && a290 / f290 <= 0.25 && f290 / f2 <= 2;
    return ok ? 0 : 1;
}

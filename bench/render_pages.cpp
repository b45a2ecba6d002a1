// Page drawing and document opening, timed inside one process:
//
//   redraw:  ten pages of DOC.dvi, each drawn first on a freshly opened document
//            (display list built, glyphs rendered, page drawn) and then drawn again
//            (both cached); the second drawing should cost less than a quarter of the
//            first.
//   open:    SMALL.dvi and LARGE.dvi (the same fonts, few and many pages) opened
//            alternately, each on a fresh context (file search, page index, every font);
//            the large one should take less than twice as long.
//   memory:  resident memory after opening LARGE.dvi, and after drawing ten of its
//            pages: it grows with the pages drawn, not with the page count.
//
// usage: bench_render_pages DOC.dvi SMALL.dvi LARGE.dvi [DPI] [ROUNDS]
// Settings are the built-in defaults; the font map is psfonts.map.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/data_roots.h"
#include "dvi/draw_page.h"
#include "dvi/dvi_context.h"
#include "dvi/dvi_doc.h"
#include "dvi/interpret_page.h"
#include "platform/output_sink.h"
#include "platform/raster_canvas.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace quirn;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

struct Opened {
    std::unique_ptr<DviContext> context;
    std::unique_ptr<CDVIDoc> doc;
};

Opened Open(const std::string& path, OutputSink& sink) {
    Opened o;
    o.context = std::make_unique<DviContext>(FindInstallDir(), &sink, nullptr);
    DviContext& context = *o.context;
    auto find = [&context](const std::string& name, bool allowInstall) {
        return context.fileSearch.FindFile(name, allowInstall);
    };
    context.fontMap.LoadFontMap({"psfonts.map"}, find, &sink, false);
    o.doc = std::make_unique<CDVIDoc>(context);
    if (!o.doc->OpenDocument(path)) {
        o.doc.reset();
    }
    return o;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr,
                     "usage: bench_render_pages DOC.dvi SMALL.dvi LARGE.dvi [DPI] [ROUNDS]\n");
        return 2;
    }
    const int dpi = argc > 4 ? std::atoi(argv[4]) : 150;
    const int rounds = argc > 5 ? std::atoi(argv[5]) : 5;
    NullSink sink;

    {
        // Memory: opening many pages costs little; drawing pages costs per page drawn.
        // The same fonts with few pages first, so that the difference is the pages.
        Opened few = Open(argv[2], sink);
        const long before = ResidentKb();
        Opened o = Open(argv[3], sink);
        const long opened = ResidentKb();
        const PixelSize size = o.doc->GetPageSize(dpi);
        RasterCanvas canvas(size.width, size.height);
        const long withCanvas = ResidentKb();
        DrawRequest request;
        request.dpi = dpi;
        request.antiAlias = true;
        for (int page = 0; page < std::min(10, o.doc->GetPageCount()); ++page) {
            request.page = page;
            DrawPage(*o.doc, canvas, request);
        }
        const long drawn10 = ResidentKb();
        for (int page = 10; page < std::min(40, o.doc->GetPageCount()); ++page) {
            request.page = page;
            DrawPage(*o.doc, canvas, request);
        }
        const long drawn40 = ResidentKb();
        std::printf(
            "memory: %d pages opened +%ld KB more than %d, canvas +%ld KB, 10 pages drawn +%ld KB, "
            "40 pages drawn +%ld KB\n",
            o.doc->GetPageCount(), opened - before, few.doc ? few.doc->GetPageCount() : 0,
            withCanvas - opened, drawn10 - withCanvas, drawn40 - withCanvas);
    }

    // Redraw against first drawing: each sampled page is the first one drawn on a
    // freshly opened document, as when a document is opened at that page.
    // Each page's best time over the rounds, so that a round preempted by another
    // process does not count.
    std::vector<double> firstTimes(10, 1e9), againTimes(10, 1e9);
    for (int round = 0; round < rounds; ++round) {
        for (int sample = 0; sample < 10; ++sample) {
            Opened o = Open(argv[1], sink);
            if (!o.doc) {
                std::fprintf(stderr, "cannot open %s\n", argv[1]);
                return 1;
            }
            const PixelSize size = o.doc->GetPageSize(dpi);
            RasterCanvas canvas(size.width, size.height);
            DrawRequest request;
            request.dpi = dpi;
            request.antiAlias = true;
            request.page = sample * o.doc->GetPageCount() / 10;
            const auto t0 = Clock::now();
            DrawPage(*o.doc, canvas, request);
            const auto t1 = Clock::now();
            DrawPage(*o.doc, canvas, request);
            const auto t2 = Clock::now();
            firstTimes[sample] = std::min(firstTimes[sample], Seconds(t1 - t0));
            againTimes[sample] = std::min(againTimes[sample], Seconds(t2 - t1));
        }
    }
    double first = 0, again = 0;
    for (int sample = 0; sample < 10; ++sample) {
        first += firstTimes[sample];
        again += againTimes[sample];
    }
    std::printf(
        "redraw: first drawing %.4f s, drawing again %.4f s (10 pages), ratio %.3f "
        "(limit 0.25)\n",
        first, again, again / first);

    // Opening a few pages against many, same fonts; alternating, fresh contexts.
    std::vector<double> small, large;
    Open(argv[2], sink);  // warm the file system caches
    for (int round = 0; round < rounds; ++round) {
        for (int which = 0; which < 2; ++which) {
            const auto t0 = Clock::now();
            Opened o = Open(argv[2 + which], sink);
            const auto t1 = Clock::now();
            if (!o.doc) {
                std::fprintf(stderr, "cannot open %s\n", argv[2 + which]);
                return 1;
            }
            (which == 0 ? small : large).push_back(Seconds(t1 - t0));
        }
    }
    const double s = Median(small), l = Median(large);
    std::printf("open: %s %.4f s, %s %.4f s, ratio %.3f (limit 2)\n", argv[2], s, argv[3], l,
                l / s);

    return 0;
}

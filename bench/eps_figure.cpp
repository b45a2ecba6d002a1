// A LaTeX page with one EPS figure, drawn at 150 dpi as the page view draws it:
//
//   complete: from opening the DVI file to the page drawn with its figure (dvips makes
//             the document's PostScript, the interpreter renders the figure, glyphs
//             and rules go on top); should be within 400 ms.
//   repaint:  the same page drawn again, its figure from the render cache; should
//             take at most a tenth of `complete`.
//
// usage: bench_eps_figure DOC.dvi [DPI] [ROUNDS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/data_roots.h"
#include "dvi/draw_page.h"
#include "dvi/dvi_context.h"
#include "dvi/dvi_doc.h"
#include "platform/output_sink.h"
#include "platform/raster_canvas.h"
#include "postscript/dvi_page_route.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace quirn;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_eps_figure DOC.dvi [DPI] [ROUNDS]\n");
        return 2;
    }
    const std::string path = argv[1];
    const int dpi = argc > 2 ? std::atoi(argv[2]) : 150;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 7;
    StringSink sink;
    Settings settings;
    std::vector<double> complete, repaint;
    for (int round = 0; round < rounds; ++round) {
        const auto start = Clock::now();
        DviContext context(FindInstallDir(), &sink, &settings);
        auto find = [&context](const std::string& name, bool allowInstall) {
            return context.fileSearch.FindFile(name, allowInstall);
        };
        context.fontMap.LoadFontMap({"psfonts.map"}, find, &sink, false);
        CDVIDoc doc(context);
        if (!doc.OpenDocument(path)) {
            std::fprintf(stderr, "cannot open %s\n%s", path.c_str(), sink.Text().c_str());
            return 1;
        }
        DviPostScriptDoc postScript(doc, &sink);
        postScript.Open(path);
        postScript.SetWholePagesForForeignGraphics(true);
        InterpreterSetup setup;
        setup.installDir = FindInstallDir();
        setup.out = &sink;
        PostScriptRenderer renderer(settings, setup);
        RenderedPictures pictures(postScript, renderer);
        DviPageRoute route(pictures, settings);
        const PixelSize size = doc.GetPageSize(dpi);
        RasterCanvas canvas(size.width, size.height);
        DrawRequest request;
        request.dpi = dpi;
        request.postScript = &route;
        DrawPage(doc, canvas, request);
        const auto drawn = Clock::now();
        DrawPage(doc, canvas, request);
        const auto again = Clock::now();
        if (route.DrewEmpty() || renderer.CacheSize() != 1) {
            std::fprintf(stderr, "the figure was not rendered\n%s", sink.Text().c_str());
            return 1;
        }
        complete.push_back(Ms(drawn - start));
        repaint.push_back(Ms(again - drawn));
    }
    const double c = Median(complete), r = Median(repaint);
    std::printf("complete %.1f ms (limit 400)\nrepaint %.1f ms, %.3f of complete (limit 0.1)\n", c,
                r, r / c);
    return c <= 400 && r <= c / 10 ? 0 : 1;
}

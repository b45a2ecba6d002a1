// Find and word count on the pages of a long document, timed inside one process:
//
//   find:   a search for a text the document does not hold, which wraps around the
//           whole document once; on a freshly loaded document (display lists built
//           on the way) and again with them built. Target: 150 ms after loading.
//   count:  the word count of every page with its log, on a freshly loaded document
//           and again. Target: 300 ms.
//
// usage: bench_text_search DOC.dvi [ROUNDS]
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
#include "dvi/text_search.h"
#include "platform/output_sink.h"

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

struct Opened {
    std::unique_ptr<DviContext> context;
    std::unique_ptr<CDVIDoc> doc;
};

Opened Open(const std::string& path, OutputSink& sink) {
    Opened o;
    o.context = std::make_unique<DviContext>(FindInstallDir(), &sink, nullptr);
    o.doc = std::make_unique<CDVIDoc>(*o.context);
    if (!o.doc->OpenDocument(path))
        o.doc.reset();
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_text_search DOC.dvi [ROUNDS]\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    NullSink sink;
    std::vector<double> findCold, findWarm, countCold, countWarm;
    int pages = 0;
    for (int round = 0; round < rounds; ++round) {
        Opened o = Open(argv[1], sink);
        if (!o.doc) {
            std::fprintf(stderr, "cannot load %s\n", argv[1]);
            return 1;
        }
        pages = o.doc->GetPageCount();
        for (int pass = 0; pass < 2; ++pass) {
            SearchState state;
            auto t0 = Clock::now();
            FindOutcome outcome = FindInDVI(*o.doc, 0, "zzqxzz", false, true, state);
            auto t1 = Clock::now();
            if (outcome.found || !outcome.wrappedAtEnd) {
                std::fprintf(stderr, "the search did not wrap around without a match\n");
                return 1;
            }
            (pass == 0 ? findCold : findWarm).push_back(Ms(t1 - t0));
        }
        Opened c = Open(argv[1], sink);
        for (int pass = 0; pass < 2; ++pass) {
            auto t0 = Clock::now();
            WordCountResult result = CountWords(*c.doc, nullptr, 0, "now");
            auto t1 = Clock::now();
            if (result.total == 0) {
                std::fprintf(stderr, "no words counted\n");
                return 1;
            }
            (pass == 0 ? countCold : countWarm).push_back(Ms(t1 - t0));
        }
    }
    std::printf(
        "find: %d pages wrapped once: %.1f ms with the display lists built on the way, "
        "%.1f ms with them built (median of %d; target 150 ms)\n",
        pages, Median(findCold), Median(findWarm), rounds);
    std::printf(
        "count: %d pages with the log: %.1f ms on a fresh document, %.1f ms again "
        "(median of %d; target 300 ms)\n",
        pages, Median(countCold), Median(countWarm), rounds);
    return Median(findCold) <= 150 && Median(countCold) <= 300 ? 0 : 1;
}

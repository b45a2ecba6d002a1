// The errors-and-warnings list of a finished run: reading the log and analysing it,
// as the window does at the end of every run. Prints the log's size, the entries found
// and the median time over the rounds. Limit: 50 ms for the log of a 300-page book.
//
// usage: bench_log_analysis FILE.log [ROUNDS]      (default 21)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "typeset/log_analysis.h"
#include "typeset/rerun_rule.h"

int main(int argc, char** argv) {
    using Clock = std::chrono::steady_clock;
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_log_analysis FILE.log [ROUNDS]\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 21;
    std::vector<double> times;
    std::size_t bytes = 0, entries = 0;
    for (int i = 0; i < rounds; ++i) {
        const Clock::time_point start = Clock::now();
        std::optional<std::string> log = quirn::ReadWholeFile(argv[1]);
        if (!log) {
            std::fprintf(stderr, "cannot read %s\n", argv[1]);
            return 1;
        }
        std::vector<quirn::LogEntry> list = quirn::AnalyseLog(*log);
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        bytes = log->size();
        entries = list.size();
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    std::printf("log: %zu bytes, %zu entries\n", bytes, entries);
    std::printf("read and analyse: %.2f ms (median of %d; limit 50 ms) %s\n", median, rounds,
                median <= 50 ? "ok" : "TOO SLOW");
    return median <= 50 ? 0 : 1;
}

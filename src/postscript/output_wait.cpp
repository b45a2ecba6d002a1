#include "postscript/output_wait.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>

#include "process/child_process.h"

namespace quirn {

namespace {

using Clock = std::chrono::steady_clock;

// The printed text kept for messages; the rest is read and dropped.
constexpr std::size_t kPrintedLimit = 64 * 1024;

int64_t FileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
}

void Drain(ChildProcess& child, std::string& printed) {
    std::string text;
    child.ReadAvailable(text);
    if (printed.size() < kPrintedLimit) {
        printed.append(text, 0, kPrintedLimit - printed.size());
    }
}

bool Cancelled(const OutputWaitLimits& limits) {
    return limits.cancel != nullptr && limits.cancel->load();
}

// Waits until the child ends or `ms` pass, reading what it prints. True when it ended.
bool WaitStep(ChildProcess& child, int ms, std::string& printed, const OutputWaitLimits& limits) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (true) {
        Drain(child, printed);
        if (child.HasEnded()) {
            Drain(child, printed);
            return true;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || Cancelled(limits)) {
            return false;
        }
        child.WaitForOutputOrExit(static_cast<int>(std::min<long long>(left, 100)));
    }
}

}  // namespace

OutputWaitResult WaitForOutputFile(ChildProcess& child, const std::string& outputPath,
                                   const OutputWaitLimits& limits) {
    OutputWaitResult result;
    bool ended = !child.Started() || WaitStep(child, limits.stepMs, result.printed, limits);
    result.size = FileSize(outputPath);
    for (int i = 0; i < limits.steps && !ended && !Cancelled(limits); ++i) {
        ended = WaitStep(child, limits.stepMs, result.printed, limits);
        const int64_t size = FileSize(outputPath);
        const bool settled = size == result.size;
        result.size = size;
        if (settled) {
            break;
        }
    }
    if (child.Started() && !child.HasEnded()) {
        child.Kill();
        result.killed = true;
    }
    return result;
}

}  // namespace quirn

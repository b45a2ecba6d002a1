#include "typeset/output_monitor.h"

namespace quirn {

namespace {

// Only the end of the output is ever read (at most 40 lines), so the kept text is
// trimmed at a line start once it grows past twice this size.
constexpr std::size_t kKeptBytes = 64 * 1024;

}  // namespace

void OutputMonitor::AppendOutput(std::string_view text) {
    if (window_)
        window_->AppendOutput(text);
    text_.append(text);
    if (text_.size() > 2 * kKeptBytes) {
        std::size_t cut = text_.find('\n', text_.size() - kKeptBytes);
        if (cut == std::string::npos)
            cut = text_.size() - kKeptBytes;
        text_.erase(0, cut + 1);
    }
    lastOutput_ = Clock::now();
}

void OutputMonitor::Clear() {
    text_.clear();
    lastOutput_ = Clock::now();
}

void OutputMonitor::RemoveLastCharacter() {
    if (!text_.empty())
        text_.pop_back();
}

long long OutputMonitor::SilentMilliseconds() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - lastOutput_)
        .count();
}

}  // namespace quirn

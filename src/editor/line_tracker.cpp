#include "editor/line_tracker.h"

#include <algorithm>

#include "platform/output_sink.h"

namespace quirn {

void LineTracker::OnTextChanged(int64_t line, int64_t linesAdded, OutputSink* output) {
    if (states_.empty()) {
        return;
    }
    const int64_t size = Size();
    const int64_t removed = -linesAdded;
    if (line >= 0 && line < size && (linesAdded >= 0 || line + removed + 1 <= size)) {
        states_[static_cast<std::size_t>(line)] = 0;
        auto after = states_.begin() + line + 1;
        if (linesAdded > 0) {
            states_.insert(after, static_cast<std::size_t>(linesAdded), 0);
        } else if (linesAdded < 0) {
            states_.erase(after, after + removed);
        }
        return;
    }
    if (output) {
        output->AppendOutput("bad linetracker notify, recovering...\n");
    }
}

void LineTracker::Resize(int64_t lineCount) {
    states_.resize(static_cast<std::size_t>(std::max<int64_t>(0, lineCount)), 0);
}

void LineTracker::ResetAll() {
    std::fill(states_.begin(), states_.end(), 0);
}

bool LineTracker::IsChecked(int64_t line) const {
    return line >= 0 && line < Size() && states_[static_cast<std::size_t>(line)] != 0;
}

void LineTracker::SetChecked(int64_t line, bool checked) {
    if (line >= 0 && line < Size()) {
        states_[static_cast<std::size_t>(line)] = checked ? 1 : 0;
    }
}

}  // namespace quirn

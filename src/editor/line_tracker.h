// The line check-state tracker of background spell checking: one byte per document
// line (0 = not yet checked, 1 = checked), kept aligned with the lines as text is
// inserted and deleted.
#pragma once

#include <cstdint>
#include <vector>

namespace quirn {

class OutputSink;

class LineTracker {
  public:
    // A text change at `line` that added (linesAdded > 0) or removed (< 0) lines. An
    // inconsistent notification writes "bad linetracker notify, recovering...\n" to
    // `output` (when given); the next Resize repairs the size.
    void OnTextChanged(int64_t line, int64_t linesAdded, OutputSink* output);
    // Before each background check: one entry per line, new entries 0.
    void Resize(int64_t lineCount);
    // After a word was added to the dictionary or ignored: everything unchecked.
    void ResetAll();

    int64_t Size() const { return static_cast<int64_t>(states_.size()); }
    bool IsChecked(int64_t line) const;
    void SetChecked(int64_t line, bool checked);

  private:
    std::vector<uint8_t> states_;
};

}  // namespace quirn

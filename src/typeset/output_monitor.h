// The output window as typesetting sees it: everything appended on its way to the
// window (the children's output and Quirn's own lines) passes through here, so that
// the last lines can be read and the time of the last output is known. The
// interactive-stop check waits for the engine to fall silent; the end-of-run analysis
// reads the error lines.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "platform/output_sink.h"

namespace quirn {

class OutputMonitor : public OutputSink {
  public:
    using Clock = std::chrono::steady_clock;

    // `window` receives everything appended (may be null).
    explicit OutputMonitor(OutputSink* window) : window_(window) {}

    // Appends to the window and to the kept text, and notes the time.
    void AppendOutput(std::string_view text) override;

    // A typeset run starts: the kept text is emptied and the last-output time reset.
    void Clear();

    // Takes back the last character shown (Backspace in the typed input).
    void RemoveLastCharacter();

    // The end of the output window's text (the last few hundred lines at least).
    const std::string& Text() const { return text_; }

    Clock::time_point LastOutputTime() const { return lastOutput_; }
    // Milliseconds since text was last appended (or since Clear).
    long long SilentMilliseconds() const;

  private:
    OutputSink* window_;
    std::string text_;
    Clock::time_point lastOutput_ = Clock::now();
};

}  // namespace quirn

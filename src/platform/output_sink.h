// The application's text sink. Every subsystem reports progress and diagnostics as
// plain text lines ending in "\n"; the output window (GUI) or standard output/error
// (quirn-cli) shows them.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace quirn {

class OutputSink {
  public:
    virtual ~OutputSink() = default;
    virtual void AppendOutput(std::string_view text) = 0;
};

// Collects everything appended; used where output must be inspected afterwards.
class StringSink : public OutputSink {
  public:
    void AppendOutput(std::string_view text) override { text_.append(text); }
    const std::string& Text() const { return text_; }
    void Clear() { text_.clear(); }

  private:
    std::string text_;
};

// Discards everything.
class NullSink : public OutputSink {
  public:
    void AppendOutput(std::string_view) override {}
};

// Writes to a C stream (standard output or standard error), flushing each piece so
// that a watching process sees output as it arrives.
class StreamSink : public OutputSink {
  public:
    explicit StreamSink(std::FILE* stream) : stream_(stream) {}
    void AppendOutput(std::string_view text) override {
        std::fwrite(text.data(), 1, text.size(), stream_);
        std::fflush(stream_);
    }

  private:
    std::FILE* stream_;
};

}  // namespace quirn

// Writes a raster canvas as a PNG file, quickly: a drawn page is mostly paper, so the
// encoder sends a row that repeats the row above as one back-reference, runs of equal
// pixels as run references, and only the inked bytes as literals (fixed-code deflate).
// The cost grows with the ink on the page rather than with its area.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/raster_canvas.h"

namespace quirn {

enum class CanvasPngFormat {
    Grey,  // 8-bit grey from the red channel (for pictures where all channels agree)
    Rgb,   // 24-bit colour
};

// Keeps its buffers from one picture to the next, so that writing many pages of the
// same size allocates nothing after the first.
class CanvasPngWriter {
  public:
    // Writes the whole canvas to `path`; `dpi` > 0 records the resolution. On failure
    // sets `error` and answers false (no partial file is left).
    bool Write(const RasterCanvas& canvas, const std::string& path, CanvasPngFormat format,
               double dpi, std::string* error);

  private:
    std::vector<uint8_t> stream_;
    std::vector<uint8_t> row_;
    std::vector<uint8_t> above_;
};

// Writes pictures on threads of their own, so that the next pages are drawn while the
// last ones are encoded: Submit takes the drawn canvas (and hands back the canvas of an
// earlier picture, to draw into), Finish waits for the last file. A failed write stops
// the rest; its message is kept.
class BackgroundPngWriter {
  public:
    // `threads` encoders (at least one) take the pictures in turn.
    explicit BackgroundPngWriter(int threads = 2);
    ~BackgroundPngWriter();  // waits for the pictures being written
    BackgroundPngWriter(const BackgroundPngWriter&) = delete;
    BackgroundPngWriter& operator=(const BackgroundPngWriter&) = delete;

    // Queues `canvas` for `path` once an encoder is free; `canvas` then holds the canvas
    // of the picture that encoder wrote before (empty at first). False when an earlier
    // write failed (nothing is queued).
    bool Submit(RasterCanvas& canvas, const std::string& path, CanvasPngFormat format, double dpi);
    // Waits until every queued picture is written; false (see Error) when one failed.
    bool Finish();
    const std::string& Error() const { return error_; }

  private:
    struct Slot {
        bool queued = false;  // a picture waits for the encoder or is being written
        RasterCanvas canvas;
        std::string path;
        CanvasPngFormat format = CanvasPngFormat::Grey;
        double dpi = 0;
        CanvasPngWriter writer;
    };
    void Run(Slot& slot);
    bool AnyQueued() const;

    std::mutex mutex_;
    std::condition_variable changed_;
    bool stopping_ = false;
    bool failed_ = false;
    std::string error_;
    std::vector<std::unique_ptr<Slot>> slots_;
    std::vector<std::thread> threads_;  // started when every slot exists
};

// The same with a writer of its own.
bool WriteCanvasPng(const RasterCanvas& canvas, const std::string& path, CanvasPngFormat format,
                    double dpi, std::string* error);

}  // namespace quirn

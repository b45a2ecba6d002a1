// Writes a raster canvas as a PNG file, quickly: a drawn page is mostly paper, so the
// encoder sends a row that repeats the row above as one back-reference, runs of equal
// pixels as run references, and only the inked bytes as literals (fixed-code deflate).
// The cost grows with the ink on the page rather than with its area.
#pragma once

#include <cstdint>
#include <string>
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

// The same with a writer of its own.
bool WriteCanvasPng(const RasterCanvas& canvas, const std::string& path, CanvasPngFormat format,
                    double dpi, std::string* error);

}  // namespace quirn

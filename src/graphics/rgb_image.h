// A decoded picture in memory: 8-bit RGB pixels, rows from top to bottom, together with
// the resolution the file declared. The graphics special library, img2eps and the
// preview pictures all work on this one form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/raster_canvas.h"

namespace quirn {

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // width * height * 3 bytes, R G B per pixel
    double dpiX = 0;              // 0 when the file gives no resolution
    double dpiY = 0;

    bool Empty() const { return width <= 0 || height <= 0 || pixels.empty(); }
    size_t Stride() const { return static_cast<size_t>(width) * 3; }
    uint8_t* Row(int y) { return pixels.data() + static_cast<size_t>(y) * Stride(); }
    const uint8_t* Row(int y) const { return pixels.data() + static_cast<size_t>(y) * Stride(); }
    const uint8_t* Pixel(int x, int y) const { return Row(y) + static_cast<size_t>(x) * 3; }

    // Sets the size and fills every pixel with white.
    void Allocate(int w, int h);
    // True when every pixel has equal red, green and blue.
    bool IsGrey() const;
};

// A copy reduced by area averaging so that it fits within maxWidth x maxHeight, keeping
// the aspect ratio; an image that already fits is copied unchanged.
RgbImage ScaleToFit(const RgbImage& image, int maxWidth, int maxHeight);

// Blends a colour value with the given alpha (0 transparent .. 255 opaque) over white,
// which is how transparent parts of a picture appear on paper.
inline uint8_t OverWhite(unsigned value, unsigned alpha) {
    return static_cast<uint8_t>((value * alpha + 255 * (255 - alpha) + 127) / 255);
}

// Copies an RGB picture onto `canvas` (logical coordinates of its top-left corner),
// limited by the canvas's clip box. The canvas is expected to hold white paper there.
void PutImage(RasterCanvas& canvas, int x, int y, const RgbImage& image);

}  // namespace quirn

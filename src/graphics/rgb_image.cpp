#include "graphics/rgb_image.h"

#include <algorithm>
#include <cmath>

namespace quirn {

void RgbImage::Allocate(int w, int h) {
    width = w;
    height = h;
    pixels.assign(static_cast<size_t>(w) * static_cast<size_t>(h) * 3, 255);
}

bool RgbImage::IsGrey() const {
    for (size_t i = 0; i + 2 < pixels.size(); i += 3) {
        if (pixels[i] != pixels[i + 1] || pixels[i] != pixels[i + 2])
            return false;
    }
    return true;
}

RgbImage ScaleToFit(const RgbImage& image, int maxWidth, int maxHeight) {
    if (image.Empty() || maxWidth <= 0 || maxHeight <= 0)
        return {};
    if (image.width <= maxWidth && image.height <= maxHeight)
        return image;
    double factor = std::min(static_cast<double>(maxWidth) / image.width,
                             static_cast<double>(maxHeight) / image.height);
    int w = std::clamp(static_cast<int>(std::lround(image.width * factor)), 1, maxWidth);
    int h = std::clamp(static_cast<int>(std::lround(image.height * factor)), 1, maxHeight);
    RgbImage out;
    out.Allocate(w, h);
    out.dpiX = image.dpiX * w / image.width;
    out.dpiY = image.dpiY * h / image.height;
    // Each output pixel averages the block of source pixels that falls into it.
    std::vector<uint32_t> sums(static_cast<size_t>(w) * 3);
    std::vector<uint32_t> counts(w);
    for (int oy = 0; oy < h; ++oy) {
        int y0 = static_cast<int>(static_cast<int64_t>(oy) * image.height / h);
        int y1 =
            std::max(y0 + 1, static_cast<int>(static_cast<int64_t>(oy + 1) * image.height / h));
        std::fill(sums.begin(), sums.end(), 0);
        std::fill(counts.begin(), counts.end(), 0);
        for (int y = y0; y < y1 && y < image.height; ++y) {
            const uint8_t* row = image.Row(y);
            for (int x = 0; x < image.width; ++x) {
                int ox = static_cast<int>(static_cast<int64_t>(x) * w / image.width);
                sums[ox * 3] += row[x * 3];
                sums[ox * 3 + 1] += row[x * 3 + 1];
                sums[ox * 3 + 2] += row[x * 3 + 2];
                ++counts[ox];
            }
        }
        uint8_t* outRow = out.Row(oy);
        for (int ox = 0; ox < w; ++ox) {
            uint32_t n = std::max<uint32_t>(counts[ox], 1);
            for (int c = 0; c < 3; ++c)
                outRow[ox * 3 + c] = (sums[ox * 3 + c] + n / 2) / n;
        }
    }
    return out;
}

}  // namespace quirn

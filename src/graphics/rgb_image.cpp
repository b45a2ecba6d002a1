#include "graphics/rgb_image.h"

#include <algorithm>
#include <array>
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

namespace {

// A bottom-up copy of one channel of `image`, for the canvas's bitmap transfer.
void ChannelRows(const RgbImage& image, int channel, std::vector<uint8_t>& rows) {
    rows.resize(static_cast<size_t>(image.width) * static_cast<size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* from = image.Row(image.height - 1 - y) + channel;
        uint8_t* to = rows.data() + static_cast<size_t>(y) * static_cast<size_t>(image.width);
        for (int x = 0; x < image.width; ++x, from += 3)
            to[x] = *from;
    }
}

}  // namespace

void PutImage(RasterCanvas& canvas, int x, int y, const RgbImage& image) {
    if (image.Empty())
        return;
    // The transfer ANDs each channel with its palette entry: on white paper, three
    // transfers that each keep two channels white put the exact colour down. A grey
    // picture needs one, with the grey ramp.
    static const std::array<std::array<uint32_t, 256>, 4> tables = [] {
        std::array<std::array<uint32_t, 256>, 4> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            t[0][i] = 0xFFFF00 | i;
            t[1][i] = 0xFF00FF | (i << 8);
            t[2][i] = 0x00FFFF | (i << 16);
            t[3][i] = i | (i << 8) | (i << 16);
        }
        return t;
    }();
    std::vector<uint8_t> rows;
    CanvasBitmap bitmap;
    bitmap.width = image.width;
    bitmap.rows = image.height;
    bitmap.stride = image.width;
    bitmap.bpp = 8;
    bitmap.paletteSize = 256;
    if (image.IsGrey()) {
        ChannelRows(image, 0, rows);
        bitmap.bits = rows.data();
        bitmap.palette = tables[3].data();
        bitmap.greyRamp = true;
        canvas.AndBitmap(x, y, bitmap);
        return;
    }
    for (int channel = 0; channel < 3; ++channel) {
        ChannelRows(image, channel, rows);
        bitmap.bits = rows.data();
        bitmap.palette = tables[static_cast<size_t>(channel)].data();
        canvas.AndBitmap(x, y, bitmap);
    }
}

}  // namespace quirn

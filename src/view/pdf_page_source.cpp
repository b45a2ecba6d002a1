#include "view/pdf_page_source.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace quirn {

namespace {

constexpr double kMilsPerPoint = 1000.0 / 72.0;

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

int PdfPageSource::PageCount() {
    return doc_ ? doc_->PageCount() : 0;
}

PageSizeMils PdfPageSource::PageSize(int page) {
    if (!doc_)
        return {};
    const BoundingBox box = doc_->MediaBox(page);
    return PageSizeMils{static_cast<int32_t>(std::lround(box.Width() * kMilsPerPoint)),
                        static_cast<int32_t>(std::lround(box.Height() * kMilsPerPoint))};
}

void PdfPageSource::DrawPage(int page, RasterCanvas& canvas, const DrawOptions& options) {
    canvas.FillBackground();
    if (!doc_)
        return;
    int width = 0, height = 0;
    doc_->PageSizePixels(page, options.resolution, width, height);
    const CanvasRect part = canvas.ClipBox().Intersect(CanvasRect{0, 0, width, height});
    if (part.Empty())
        return;
    PdfRenderOptions render;
    render.dpi = options.resolution;
    render.smoothing = true;
    render.grey = !options.colours;
    RgbImage image;
    doc_->RenderPart(page, render, part.left, part.top, part.Width(), part.Height(), image);
    PutImage(canvas, part.left, part.top, image);
}

const std::vector<PdfWord>& PdfPageSource::WordsOf(int page) {
    if (page != wordsPage_) {
        words_ = doc_->Words(page);
        wordsPage_ = page;
    }
    return words_;
}

std::string PdfPageSource::FontInfo(int page, int resolution, int x, int y, const RulerUnit&) {
    if (!doc_ || resolution <= 0)
        return {};
    const double px = x * 72.0 / resolution;
    const double py = y * 72.0 / resolution;
    for (const PdfWord& word : WordsOf(page)) {
        if (px >= word.left && px <= word.right && py >= word.top && py <= word.bottom)
            return word.text;
    }
    return {};
}

CanvasRect PdfPageSource::InkBounds(int page) {
    CanvasRect box;
    if (!doc_)
        return box;
    for (const PdfWord& word : WordsOf(page)) {
        box = box.Unite(CanvasRect{static_cast<int>(word.left * kMilsPerPoint),
                                   static_cast<int>(word.top * kMilsPerPoint),
                                   static_cast<int>(std::ceil(word.right * kMilsPerPoint)),
                                   static_cast<int>(std::ceil(word.bottom * kMilsPerPoint))});
    }
    return box;
}

}  // namespace quirn

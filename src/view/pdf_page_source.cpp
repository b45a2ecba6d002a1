#include "view/pdf_page_source.h"

#include <algorithm>
#include <cmath>

namespace quirn {

namespace {

constexpr double kMilsPerPoint = 1000.0 / 72.0;

}  // namespace

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

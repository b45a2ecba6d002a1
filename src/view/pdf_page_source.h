// A PDF document as the page view's page source: pages drawn by poppler at the view's
// resolution (only the part the canvas's clip box asks for), paper sizes from the media
// boxes, and the words of the text layer for the view's tools.
#pragma once

#include <vector>

#include "graphics/pdf_document.h"
#include "graphics/rgb_image.h"
#include "view/page_source.h"

namespace quirn {

class PdfPageSource : public PageSource {
  public:
    // The document may be replaced (a reload); null shows no pages.
    explicit PdfPageSource(const PdfDocument* doc = nullptr) : doc_(doc) {}
    void SetDocument(const PdfDocument* doc) {
        doc_ = doc;
        wordsPage_ = -1;
    }

    int PageCount() override;
    PageSizeMils PageSize(int page) override;
    // Smoothed always; in colour with `options.colours`, else in greys.
    void DrawPage(int page, RasterCanvas& canvas, const DrawOptions& options) override;
    bool HasGraphics(int) override { return false; }
    // A PDF file keeps no TeX page numbers: the page's place in the file.
    int32_t TexPageNumber(int page) override { return page + 1; }
    // The word under the point, if any.
    std::string FontInfo(int page, int resolution, int x, int y, const RulerUnit& unit) override;
    // The box of the page's words.
    CanvasRect InkBounds(int page) override;

  private:
    // The words of one page, kept while the pointer stays on it.
    const std::vector<PdfWord>& WordsOf(int page);

    const PdfDocument* doc_;
    int wordsPage_ = -1;
    std::vector<PdfWord> words_;
};

}  // namespace quirn

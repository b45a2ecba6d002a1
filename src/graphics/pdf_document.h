// A PDF file read page by page: its pages, each page's media box, pictures of pages at
// a resolution and the words of a page with their boxes. Rendering and text come from
// poppler, which draws smoothed and reads every kind of PDF the engines write.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "graphics/rgb_image.h"
#include "graphics/vector_graphic_info.h"

namespace quirn {

// A word of a page's text and its box, in points from the media box's top-left corner
// (x to the right, y down).
struct PdfWord {
    std::string text;  // UTF-8
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};

// How a page is drawn.
struct PdfRenderOptions {
    double dpi = 72;
    bool smoothing = true;  // anti-aliased graphics and text
    bool grey = false;      // grey levels only (every pixel has red = green = blue)
};

class PdfDocument {
  public:
    ~PdfDocument();
    PdfDocument(const PdfDocument&) = delete;
    PdfDocument& operator=(const PdfDocument&) = delete;

    // Opens `path`. A file that is not a readable PDF, is locked by a password or has no
    // page gives null and the message "Cannot read PDF file: PATH" in `error`.
    static std::unique_ptr<PdfDocument> Open(const std::string& path, std::string* error);

    const std::string& Path() const { return path_; }
    int PageCount() const;
    // The media box of page `page` (from 0) in points, with the page's rotation applied
    // (a page turned by 90 degrees has width and height swapped).
    BoundingBox MediaBox(int page) const;
    // The page's size in pixels at `dpi`: the media box in points x dpi / 72, truncated.
    void PageSizePixels(int page, double dpi, int& width, int& height) const;
    // Draws page `page` so that its media box fills a picture of PageSizePixels. False
    // (and `image` white at that size) when poppler draws nothing.
    bool Render(int page, const PdfRenderOptions& options, RgbImage& image) const;
    // Draws only the part [left, left + width) x [top, top + height) of that picture
    // (pixels from the media box's top-left corner) into an image of that size.
    bool RenderPart(int page, const PdfRenderOptions& options, int left, int top, int width,
                    int height, RgbImage& image) const;
    // The words of a page in reading order.
    std::vector<PdfWord> Words(int page) const;

  private:
    struct Impl;
    explicit PdfDocument(std::unique_ptr<Impl> impl, std::string path);
    std::unique_ptr<Impl> impl_;
    std::string path_;
};

// The error text for a PDF file that cannot be read.
std::string PdfReadError(const std::string& path);

}  // namespace quirn

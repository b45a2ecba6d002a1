#include "graphics/pdf_document.h"

#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-global.h>
#include <poppler/cpp/poppler-image.h>
#include <poppler/cpp/poppler-page-renderer.h>
#include <poppler/cpp/poppler-page.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace quirn {

namespace {

// poppler reports problems of damaged files on standard error by default; a file
// that cannot be read is reported once, by Open, in the program's own words.
void IgnorePopplerMessage(const std::string&, void*) {}

struct QuietPoppler {
    QuietPoppler() { poppler::set_debug_error_function(IgnorePopplerMessage, nullptr); }
};

void SilencePoppler() {
    static const QuietPoppler quiet;
}

bool QuarterTurned(const poppler::page& page) {
    const poppler::page::orientation_enum o = page.orientation();
    return o == poppler::page::landscape || o == poppler::page::seascape;
}

std::string Utf8(const poppler::ustring& text) {
    const poppler::byte_array bytes = text.to_utf8();
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

struct PdfDocument::Impl {
    std::unique_ptr<poppler::document> doc;
    std::vector<std::unique_ptr<poppler::page>> pages;

    poppler::page* Page(int index) const {
        if (index < 0 || index >= static_cast<int>(pages.size()))
            return nullptr;
        return pages[static_cast<size_t>(index)].get();
    }
};

std::string PdfReadError(const std::string& path) {
    return "Cannot read PDF file: " + path;
}

PdfDocument::PdfDocument(std::unique_ptr<Impl> impl, std::string path)
    : impl_(std::move(impl)), path_(std::move(path)) {}

PdfDocument::~PdfDocument() = default;

std::unique_ptr<PdfDocument> PdfDocument::Open(const std::string& path, std::string* error) {
    SilencePoppler();
    auto impl = std::make_unique<Impl>();
    impl->doc.reset(poppler::document::load_from_file(path));
    bool readable = impl->doc && !impl->doc->is_locked() && impl->doc->pages() > 0;
    if (readable) {
        const int count = impl->doc->pages();
        impl->pages.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            impl->pages.emplace_back(impl->doc->create_page(i));
            // A page whose dictionary is damaged has no size to lay it out with.
            const poppler::page* page = impl->pages.back().get();
            if (!page || page->page_rect(poppler::media_box).width() <= 0 ||
                page->page_rect(poppler::media_box).height() <= 0) {
                readable = false;
                break;
            }
        }
    }
    if (!readable) {
        if (error)
            *error = PdfReadError(path);
        return nullptr;
    }
    return std::unique_ptr<PdfDocument>(new PdfDocument(std::move(impl), path));
}

int PdfDocument::PageCount() const {
    return static_cast<int>(impl_->pages.size());
}

BoundingBox PdfDocument::MediaBox(int index) const {
    const poppler::page* page = impl_->Page(index);
    if (!page)
        return {};
    const poppler::rectf r = page->page_rect(poppler::media_box);
    BoundingBox box{r.left(), r.top(), r.right(), r.bottom()};
    if (QuarterTurned(*page))
        box = BoundingBox{box.lly, box.llx, box.ury, box.urx};
    return box;
}

void PdfDocument::PageSizePixels(int page, double dpi, int& width, int& height) const {
    const BoundingBox box = MediaBox(page);
    width = static_cast<int>(box.Width() * dpi / 72.0);
    height = static_cast<int>(box.Height() * dpi / 72.0);
}

bool PdfDocument::Render(int index, const PdfRenderOptions& options, RgbImage& image) const {
    int width = 0, height = 0;
    PageSizePixels(index, options.dpi, width, height);
    return RenderPart(index, options, 0, 0, width, height, image);
}

bool PdfDocument::RenderPart(int index, const PdfRenderOptions& options, int left, int top,
                             int width, int height, RgbImage& image) const {
    image.Allocate(std::max(width, 0), std::max(height, 0));
    image.dpiX = image.dpiY = options.dpi;
    const poppler::page* page = impl_->Page(index);
    if (!page || image.Empty())
        return false;

    // poppler draws the crop box; it goes where it lies within the media box (LaTeX's
    // pages have the two equal, so the picture is the crop box itself).
    int offsetX = 0, offsetY = 0;
    if (!QuarterTurned(*page) && page->orientation() != poppler::page::upside_down) {
        const poppler::rectf media = page->page_rect(poppler::media_box);
        const poppler::rectf crop = page->page_rect(poppler::crop_box);
        offsetX = static_cast<int>(std::lround((crop.left() - media.left()) * options.dpi / 72));
        // PDF's y axis points up.
        offsetY =
            static_cast<int>(std::lround((media.bottom() - crop.bottom()) * options.dpi / 72));
    }
    // The part asked for, in the crop box's pixels.
    const int fromX = std::max(left - offsetX, 0);
    const int fromY = std::max(top - offsetY, 0);
    const int toX = left + width - offsetX;
    const int toY = top + height - offsetY;
    if (toX <= fromX || toY <= fromY)
        return true;

    poppler::page_renderer renderer;
    renderer.set_render_hints(options.smoothing ? poppler::page_renderer::antialiasing |
                                                      poppler::page_renderer::text_antialiasing
                                                : 0);
    renderer.set_image_format(options.grey ? poppler::image::format_gray8
                                           : poppler::image::format_rgb24);
    const poppler::image picture = renderer.render_page(page, options.dpi, options.dpi, fromX,
                                                        fromY, toX - fromX, toY - fromY);
    if (!picture.is_valid())
        return false;
    // Where the picture's top-left pixel goes in `image`.
    const int atX = fromX + offsetX - left;
    const int atY = fromY + offsetY - top;
    const int rows = std::min(picture.height(), height - atY);
    const int columns = std::min(picture.width(), width - atX);
    for (int y = 0; y < rows; ++y) {
        const auto* from = reinterpret_cast<const uint8_t*>(picture.const_data()) +
                           static_cast<size_t>(y) * static_cast<size_t>(picture.bytes_per_row());
        uint8_t* to = image.Row(y + atY) + static_cast<size_t>(atX) * 3;
        if (options.grey) {
            for (int x = 0; x < columns; ++x, to += 3)
                to[0] = to[1] = to[2] = from[x];
        } else {
            std::memcpy(to, from, static_cast<size_t>(columns) * 3);
        }
    }
    return true;
}

std::vector<PdfWord> PdfDocument::Words(int index) const {
    std::vector<PdfWord> words;
    const poppler::page* page = impl_->Page(index);
    if (!page)
        return words;
    double offsetX = 0, offsetY = 0;
    if (!QuarterTurned(*page) && page->orientation() != poppler::page::upside_down) {
        const poppler::rectf media = page->page_rect(poppler::media_box);
        const poppler::rectf crop = page->page_rect(poppler::crop_box);
        offsetX = crop.left() - media.left();
        offsetY = media.bottom() - crop.bottom();  // PDF's y axis points up
    }
    for (const poppler::text_box& box : page->text_list()) {
        const poppler::rectf r = box.bbox();
        words.push_back(PdfWord{Utf8(box.text()), r.left() + offsetX, r.top() + offsetY,
                                r.right() + offsetX, r.bottom() + offsetY});
    }
    return words;
}

}  // namespace quirn

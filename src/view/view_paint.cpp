// Painting the page view's client area: background, paper, page pictures (kept in
// the drawn-page cache), the selection, the magnifying box and the rulers.
#include <algorithm>
#include <utility>
#include <vector>

#include "view/page_view.h"
#include "view/ruler.h"

namespace quirn {

namespace {

constexpr uint32_t kBackground = 0x808080;
constexpr uint32_t kFrame = 0x000000;

void Frame(RasterCanvas& canvas, const CanvasRect& r, uint32_t colour) {
    canvas.FillRect(CanvasRect{r.left, r.top, r.right, r.top + 1}, colour);
    canvas.FillRect(CanvasRect{r.left, r.bottom - 1, r.right, r.bottom}, colour);
    canvas.FillRect(CanvasRect{r.left, r.top, r.left + 1, r.bottom}, colour);
    canvas.FillRect(CanvasRect{r.right - 1, r.top, r.right, r.bottom}, colour);
}

// Fills `clip` with the background except where the (non-overlapping) pages stand,
// which their pictures cover anyway.
void FillAround(RasterCanvas& canvas, const CanvasRect& clip,
                const std::vector<CanvasRect>& pages) {
    std::vector<int> edges{clip.top, clip.bottom};
    for (const CanvasRect& r : pages) {
        edges.push_back(r.top);
        edges.push_back(r.bottom);
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    for (size_t i = 0; i + 1 < edges.size(); ++i) {
        const int top = edges[i];
        const int bottom = edges[i + 1];
        std::vector<std::pair<int, int>> spans;
        for (const CanvasRect& r : pages) {
            if (r.top <= top && r.bottom >= bottom) {
                spans.emplace_back(r.left, r.right);
            }
        }
        std::sort(spans.begin(), spans.end());
        int x = clip.left;
        for (const auto& [left, right] : spans) {
            if (left > x) {
                canvas.FillRect(CanvasRect{x, top, left, bottom}, kBackground);
            }
            x = std::max(x, right);
        }
        if (x < clip.right) {
            canvas.FillRect(CanvasRect{x, top, clip.right, bottom}, kBackground);
        }
    }
}

}  // namespace

void PageView::Paint(RasterCanvas& canvas, const CanvasRect& damage) {
    const CanvasRect clip = damage.Intersect(canvas.Bounds());
    if (clip.Empty()) {
        return;
    }
    canvas.SetClip(clip);
    std::vector<CanvasRect> pages;
    std::vector<int> pageNumbers;
    for (int page : layout_.ShownPages()) {
        const CanvasRect r = ClientRectOf(page);
        if (!r.Intersect(clip).Empty()) {
            pages.push_back(r.Intersect(clip));
            pageNumbers.push_back(page);
        }
    }
    FillAround(canvas, clip, pages);
    const DrawOptions options = CurrentDrawOptions();
    for (int page : pageNumbers) {
        PaintPage(canvas, page, ClientRectOf(page), options);
    }
    canvas.SetClip(clip);
    PaintSourceMark(canvas);
    PaintSelection(canvas);
    if (magnifying_) {
        PaintMagnifier(canvas);
    }
    if (rulerShown_) {
        const CanvasRect page = ClientRectOf(current_);
        const int zeroX =
            page.left + static_cast<int>(static_cast<long long>(originX_) * resolution_ / 1000);
        const int zeroY =
            page.top + static_cast<int>(static_cast<long long>(originY_) * resolution_ / 1000);
        DrawRulers(canvas, host_.ClientWidth(), host_.ClientHeight(), zeroX, zeroY, resolution_,
                   Unit().unit);
    }
    canvas.SetClip(canvas.Bounds());
}

void PageView::PaintPage(RasterCanvas& canvas, int page, const CanvasRect& client,
                         const DrawOptions& options) {
    PageBitmapKey key{page, options};
    key.options.graphics = options.graphics && source_.HasGraphics(page);
    const PageRaster* raster = cache_.Find(key);
    if (raster == nullptr) {
        scratch_.Reset(client.Width(), client.Height());
        source_.DrawPage(page, scratch_, key.options);
        raster = &cache_.Store(key, PageRaster(scratch_, !options.colours));
    }
    const CanvasRect saved = canvas.ClipBox();
    canvas.SetClip(saved.Intersect(client));
    raster->CopyTo(canvas, client.left, client.top);
    canvas.SetClip(saved);
}

// A frame around the marked line, from orange to the paper's white as it fades.
void PageView::PaintSourceMark(RasterCanvas& canvas) {
    const double strength = SourceMarkStrength();
    if (strength <= 0 || layout_.PageRect(markPage_).Empty())
        return;
    const CanvasRect page = ClientRectOf(markPage_);
    const CanvasRect r{page.left + mark_.left, page.top + mark_.top, page.left + mark_.right,
                       page.top + mark_.bottom};
    const auto mix = [strength](int full) {
        return static_cast<uint32_t>(255 - (255 - full) * strength);
    };
    const uint32_t colour = (mix(255) << 16) | (mix(140) << 8) | mix(0);
    for (int i = 1; i <= 3; ++i)
        Frame(canvas, CanvasRect{r.left - i, r.top - i, r.right + i, r.bottom + i}, colour);
}

void PageView::PaintSelection(RasterCanvas& canvas) {
    const CanvasRect sel = Selection();
    if (sel.Empty() || layout_.PageRect(selectionPage_).Empty()) {
        return;
    }
    const CanvasRect page = ClientRectOf(selectionPage_);
    Frame(canvas,
          CanvasRect{page.left + sel.left, page.top + sel.top, page.left + sel.right + 1,
                     page.top + sel.bottom + 1},
          kFrame);
}

void PageView::PaintMagnifier(RasterCanvas& canvas) {
    const MagnifierBox m = MagnifierAt(magnifierX_, magnifierY_);
    if (m.page < 0) {
        return;
    }
    const CanvasRect saved = canvas.ClipBox();
    const CanvasRect box = m.box.Intersect(saved);
    if (box.Empty()) {
        return;
    }
    canvas.SetClip(box);
    canvas.FillRect(box, kBackground);
    // The paper at 300 dpi, in client coordinates, limited to the box.
    const PageSizeMils size = source_.PageSize(m.page);
    const CanvasRect paper{m.pageX, m.pageY, m.pageX + MilsToPixels(size.width, kMaxResolution),
                           m.pageY + MilsToPixels(size.height, kMaxResolution)};
    const CanvasRect shown = paper.Intersect(box);
    if (!shown.Empty()) {
        DrawOptions options = CurrentDrawOptions();
        options.resolution = kMaxResolution;
        options.smoothing = settings_.viewAAThresh >= kMaxResolution;
        options.graphics = options.graphics && source_.HasGraphics(m.page);
        // Drawn with the page's own coordinates at 300 dpi, then copied into the box.
        RasterCanvas part(shown.Width(), shown.Height(), shown.left - m.pageX, shown.top - m.pageY);
        source_.DrawPage(m.page, part, options);
        PageRaster(part, !options.colours).CopyTo(canvas, shown.left, shown.top);
    }
    canvas.SetClip(saved);
    Frame(canvas, CanvasRect{m.box.left - 1, m.box.top - 1, m.box.right + 1, m.box.bottom + 1},
          kFrame);
}

}  // namespace quirn

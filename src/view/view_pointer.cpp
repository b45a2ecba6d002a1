// The pointer side of the page view: hit tests, the position texts, and the three
// tools (magnifying box, selection, font information).
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "view/page_view.h"

namespace quirn {

namespace {

struct UnitPoint {
    double x = 0;
    double y = 0;
};

}  // namespace

PagePoint PageView::HitTest(int x, int y) const {
    const int lx = x + scrollX_;
    const int ly = y + scrollY_;
    const int page = layout_.PageAt(lx, ly);
    if (page < 0) {
        return PagePoint{};
    }
    const CanvasRect r = layout_.PageRect(page);
    return PagePoint{page, lx - r.left, ly - r.top};
}

PagePoint PageView::LastPoint() const {
    if (lastX_ < 0 && lastY_ < 0) {
        return PagePoint{};
    }
    return HitTest(lastX_, lastY_);
}

std::string PageView::PointerText(int x, int y) const {
    const PagePoint at = HitTest(x, y);
    if (at.page < 0) {
        return {};
    }
    const RulerUnit& unit = Unit().unit;
    const double r = resolution_;
    const double ux = (at.x / r - originX_ / 1000.0) * unit.perInch;
    const double uy = (at.y / r - originY_ / 1000.0) * unit.perInch;
    char text[128];
    std::snprintf(text, sizeof text, "(x,y) (%.2f%s,%.2f%s)", ux, unit.name, uy, unit.name);
    return text;
}

CanvasRect PageView::Selection() const {
    if (selectionPage_ < 0 || selection_.Empty()) {
        return CanvasRect{};
    }
    const int from = selectionResolution_;
    const auto scale = [this, from](int v) {
        return static_cast<int>(static_cast<long long>(v) * resolution_ / from);
    };
    return CanvasRect{scale(selection_.left), scale(selection_.top), scale(selection_.right),
                      scale(selection_.bottom)};
}

std::string PageView::SelectionText() const {
    const RulerUnit& unit = Unit().unit;
    const double r = selectionResolution_;
    const auto ux = [&](int px) { return (px / r - originX_ / 1000.0) * unit.perInch; };
    const auto uy = [&](int py) { return (py / r - originY_ / 1000.0) * unit.perInch; };
    const int x0 = dragStartX_;
    const int y0 = dragStartY_;
    const int x1 = x0 == selection_.left ? selection_.right : selection_.left;
    const int y1 = y0 == selection_.top ? selection_.bottom : selection_.top;
    const double w = selection_.Width() / r * unit.perInch;
    const double h = selection_.Height() / r * unit.perInch;
    const char* n = unit.name;
    char text[256];
    std::snprintf(text, sizeof text,
                  "(x,y) (%.2f%s,%.2f%s) to (%.2f%s,%.2f%s) Size: %.2f%s x %.2f%s", ux(x0), n,
                  uy(y0), n, ux(x1), n, uy(y1), n, w, n, h, n);
    return text;
}

MagnifierBox PageView::MagnifierAt(int x, int y) const {
    MagnifierBox m;
    const int w = std::max(1, settings_.viewMagH);
    const int h = std::max(1, settings_.viewMagV);
    m.box = CanvasRect{x - w / 2, y - h / 2, x - w / 2 + w, y - h / 2 + h};
    m.page = dragPage_ >= 0 ? dragPage_ : HitTest(x, y).page;
    if (m.page < 0) {
        return m;
    }
    // The page point under the centre, at the view's resolution; drawn at 300 dpi
    // the page moves by that point times (300 / r - 1) so the point stays put.
    const CanvasRect page = ClientRectOf(m.page);
    const int cx = x - page.left;
    const int cy = y - page.top;
    const auto offset = [this](int c) {
        return static_cast<int>(static_cast<long long>(c) * kMaxResolution / resolution_) - c;
    };
    m.pageX = page.left - offset(cx);
    m.pageY = page.top - offset(cy);
    return m;
}

void PageView::RepaintMagnifier() {
    // One pixel more for the frame.
    CanvasRect r = MagnifierAt(magnifierX_, magnifierY_).box;
    host_.Repaint(CanvasRect{r.left - 1, r.top - 1, r.right + 1, r.bottom + 1});
}

void PageView::RepaintSelection() {
    const CanvasRect sel = Selection();
    if (sel.Empty() && selectionPage_ < 0) {
        return;
    }
    const CanvasRect page = ClientRectOf(selectionPage_);
    host_.Repaint(CanvasRect{page.left + sel.left - 1, page.top + sel.top - 1,
                             page.left + sel.right + 1, page.top + sel.bottom + 1});
}

void PageView::UpdateSelection(int x, int y) {
    // The point on the drag page, kept within its paper.
    const CanvasRect page = ClientRectOf(selectionPage_);
    const int px = std::clamp(x - page.left, 0, page.Width());
    const int py = std::clamp(y - page.top, 0, page.Height());
    selection_ = CanvasRect{std::min(dragStartX_, px), std::min(dragStartY_, py),
                            std::max(dragStartX_, px), std::max(dragStartY_, py)};
    selectionResolution_ = resolution_;
}

void PageView::SetRulerOrigin() {
    const PagePoint at = LastPoint();
    if (at.page < 0) {
        return;
    }
    originX_ = static_cast<int>(static_cast<long long>(at.x) * 1000 / resolution_);
    originY_ = static_cast<int>(static_cast<long long>(at.y) * 1000 / resolution_);
    host_.RepaintAll();
}

void PageView::OnLeftDown(int x, int y, bool ctrl) {
    lastX_ = x;
    lastY_ = y;
    const PagePoint at = HitTest(x, y);
    if (ctrl || at.page < 0 || dragPage_ >= 0) {
        return;
    }
    host_.CapturePointer();
    dragPage_ = at.page;
    switch (tool_) {
        case kToolMagnifier:
            magnifying_ = true;
            magnifierX_ = x;
            magnifierY_ = y;
            host_.ShowPointer(false);
            RepaintMagnifier();
            break;
        case kToolFontInfo: {
            const std::string info =
                source_.FontInfo(at.page, resolution_, at.x, at.y, Unit().unit);
            host_.SetStatusText(StatusField::Pointer, info.empty() ? PointerText(x, y) : info);
            break;
        }
        default:
            RepaintSelection();
            selectionPage_ = at.page;
            selectionResolution_ = resolution_;
            dragStartX_ = at.x;
            dragStartY_ = at.y;
            selection_ = CanvasRect{at.x, at.y, at.x, at.y};
            break;
    }
}

void PageView::OnMouseMove(int x, int y, bool leftDown) {
    lastX_ = x;
    lastY_ = y;
    if (dragPage_ < 0 || !leftDown) {
        host_.SetStatusText(StatusField::Pointer, PointerText(x, y));
        return;
    }
    switch (tool_) {
        case kToolMagnifier:
            RepaintMagnifier();
            magnifierX_ = x;
            magnifierY_ = y;
            RepaintMagnifier();
            break;
        case kToolFontInfo: {
            const PagePoint at = HitTest(x, y);
            std::string info;
            if (at.page >= 0) {
                info = source_.FontInfo(at.page, resolution_, at.x, at.y, Unit().unit);
            }
            host_.SetStatusText(StatusField::Pointer, info.empty() ? PointerText(x, y) : info);
            break;
        }
        default:
            RepaintSelection();
            UpdateSelection(x, y);
            RepaintSelection();
            host_.SetStatusText(StatusField::Pointer, SelectionText());
            break;
    }
}

void PageView::OnLeftUp(int x, int y, bool ctrl) {
    lastX_ = x;
    lastY_ = y;
    if (dragPage_ < 0) {
        if (ctrl) {
            const PagePoint at = HitTest(x, y);
            if (at.page >= 0) {
                host_.GotoSource(at.page, at.x, at.y, resolution_);
            }
        }
        return;
    }
    switch (tool_) {
        case kToolMagnifier:
            RepaintMagnifier();
            magnifying_ = false;
            host_.ShowPointer(true);
            break;
        case kToolFontInfo:
            break;
        default:
            UpdateSelection(x, y);
            RepaintSelection();
            break;
    }
    dragPage_ = -1;
    host_.ReleasePointer();
}

}  // namespace quirn

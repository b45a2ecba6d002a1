#include "view/page_view.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace quirn {

namespace {

long long SteadyMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int ClampResolution(int dpi) {
    return std::clamp(dpi, kMinResolution, kMaxResolution);
}

// a * b / c in 64 bits, truncated.
int MulDiv(int a, int b, int c) {
    return c == 0 ? a : static_cast<int>(static_cast<long long>(a) * b / c);
}

}  // namespace

PageView::PageView(PageSource& source, PageViewHost& host, Settings& settings, int screenResolution)
    : source_(source),
      host_(host),
      settings_(settings),
      screenResolution_(ClampResolution(screenResolution)),
      mode_(std::clamp(settings.pageViewMode, 0, 3)) {
    Relayout();
}

// --- Layout and scrolling ------------------------------------------------------------

void PageView::Relayout() {
    layout_.Build(source_, mode_, current_, resolution_);
    if (centreNarrowPages_)
        layout_.CentreIn(host_.ClientWidth());
    host_.SetScrollExtent(layout_.Extent());
    ScrollToClamped(scrollX_, scrollY_);
}

void PageView::ScrollToClamped(int x, int y) {
    const ScrollExtent& extent = layout_.Extent();
    const int maxX = std::max(0, extent.width - host_.ClientWidth());
    const int maxY = std::max(0, extent.height - host_.ClientHeight());
    x = std::clamp(x, 0, maxX);
    y = std::clamp(y, 0, maxY);
    if (x != scrollX_ || y != scrollY_) {
        scrollX_ = x;
        scrollY_ = y;
        host_.ScrollTo(x, y);
    }
}

void PageView::SetScrollPosition(int x, int y) {
    scrollX_ = x;
    scrollY_ = y;
    if (mode_ != kModeContinuous) {
        return;
    }
    // In the column of pages the current page is the one at the client's centre.
    const int page = layout_.PageAt(x + host_.ClientWidth() / 2, y + host_.ClientHeight() / 2);
    if (page >= 0 && page != current_) {
        current_ = page;
        graphicsReady_ = false;
        timerPage_ = page;
        host_.StartGraphicsTimer();
        UpdateStatus();
    }
}

void PageView::OnClientResized() {
    if (zoomMode_ == kCmdZoomWholePage || zoomMode_ == kCmdZoomPageWidth ||
        zoomMode_ == kCmdZoomVisibleWidth) {
        SetZoom(zoomMode_);
        return;
    }
    Relayout();
    host_.RepaintAll();
}

CanvasRect PageView::ClientRectOf(int page) const {
    CanvasRect r = layout_.PageRect(page);
    r.left -= scrollX_;
    r.right -= scrollX_;
    r.top -= scrollY_;
    r.bottom -= scrollY_;
    return r;
}

PageSizeMils PageView::CurrentPageSize() {
    return Count() > 0 ? source_.PageSize(current_) : PageSizeMils{};
}

// --- Zoom ------------------------------------------------------------------------------

void PageView::SetResolution(int dpi) {
    resolution_ = ClampResolution(dpi);
    Relayout();
}

int PageView::ZoomResolution(int command) {
    const int W = host_.ClientWidth();
    const int H = host_.ClientHeight();
    const int r = resolution_;
    const PageSizeMils size = CurrentPageSize();
    int w100 = MilsToPixels(size.width, 100);
    const int h100 = MilsToPixels(size.height, 100);
    switch (command) {
        case kCmdZoomPageWidth:
        case kCmdZoomWholePage: {
            int w = W - 2 * kPageMargin;
            if (mode_ == kModeTwoPages || mode_ == kModeBook) {
                w -= kPageMargin;
                w100 *= 2;
            }
            int fit = w100 > 0 ? MulDiv(w, 100, w100) : r;
            if (command == kCmdZoomWholePage && h100 > 0) {
                fit = std::min(fit, MulDiv(H - 2 * kPageMargin, 100, h100));
            }
            return fit;
        }
        case kCmdZoomVisibleWidth: {
            const CanvasRect ink = Count() > 0 ? source_.InkBounds(current_) : CanvasRect{};
            if (ink.Empty()) {
                return kMinResolution;
            }
            // Symmetric about the page's centre, so the page stays centred.
            const int paper = size.width;
            const int left = std::min(ink.left, paper - ink.right);
            const int right = std::max(ink.right, paper - left);
            const int width = right - left;
            return width > 0 ? MulDiv(W, 1000, width + 150) : kMinResolution;
        }
        case kCmdZoomSelection: {
            const CanvasRect sel = Selection();
            if (sel.Empty()) {
                return r;
            }
            return std::min(MulDiv(W - 2 * kPageMargin, r, sel.Width()),
                            MulDiv(H - 2 * kPageMargin, r, sel.Height()));
        }
        case kCmdZoomDown:
            return r - ((r - 1) % 30 + 1);
        case kCmdZoomUp:
            return r + ((r - 1) % 30) + 1;
        default:
            return r;
    }
}

void PageView::SetZoom(int command) {
    if (inZoom_) {
        return;
    }
    inZoom_ = true;
    zoomMode_ = command;
    if ((mode_ == kModeTwoPages || mode_ == kModeBook) && command == kCmdZoomVisibleWidth) {
        command = kCmdZoomPageWidth;
    }
    const int r = resolution_;
    const int next = ClampResolution(ZoomResolution(command));
    const int W = host_.ClientWidth();
    const int H = host_.ClientHeight();
    if (command == kCmdZoomSelection && !Selection().Empty()) {
        const CanvasRect sel = Selection();
        const int cx = MulDiv((sel.left + sel.right) / 2, next, r);
        const int cy = MulDiv((sel.top + sel.bottom) / 2, next, r);
        SetResolution(next);
        const CanvasRect page = layout_.PageRect(selectionPage_);
        ScrollToClamped(page.left + cx - W / 2, page.top + cy - H / 2);
    } else {
        // Keep the page point at the client's centre where it is; but a page whose top
        // edge is in sight at the client's top (a new view, a window being sized) keeps
        // that edge there, so its first lines are not pushed out of sight.
        const CanvasRect before = layout_.PageRect(current_);
        const int topGap = before.top - scrollY_;
        const bool topInSight = topGap >= 0 && topGap <= kPageMargin;
        const int dx = MulDiv(scrollX_ + W / 2 - before.left, next, r);
        const int dy = MulDiv(scrollY_ + H / 2 - before.top, next, r);
        SetResolution(next);
        const CanvasRect after = layout_.PageRect(current_);
        ScrollToClamped(after.left + dx - W / 2,
                        topInSight ? after.top - topGap : after.top + dy - H / 2);
    }
    host_.RepaintAll();
    UpdateStatus();
    inZoom_ = false;
}

void PageView::SetPageMode(int mode) {
    mode = std::clamp(mode, 0, 3);
    if (mode_ == kModeContinuous && mode != kModeContinuous) {
        ScrollToClamped(0, 0);
    }
    mode_ = mode;
    settings_.pageViewMode = mode;
    Relayout();
    if (mode_ == kModeContinuous) {
        const CanvasRect r = layout_.PageRect(current_);
        ScrollToClamped(r.left, r.top - kPageMargin);
    }
    SetZoom(kCmdZoomPageWidth);
}

// --- Pages -----------------------------------------------------------------------------

void PageView::GoToPage(int page) {
    const int count = Count();
    if (count <= 0) {
        return;
    }
    current_ = std::clamp(page, 0, count - 1);
    Relayout();
    if (mode_ == kModeContinuous) {
        const CanvasRect r = layout_.PageRect(current_);
        const int cx = scrollX_ + host_.ClientWidth() / 2;
        const int cy = scrollY_ + host_.ClientHeight() / 2;
        if (cx < r.left || cx >= r.right || cy < r.top || cy >= r.bottom) {
            ScrollToClamped(r.left, r.top - kPageMargin);
        }
    }
    graphicsReady_ = false;
    timerPage_ = current_;
    host_.StartGraphicsTimer();
    host_.RepaintAll();
    UpdateStatus();
}

void PageView::ShowSourcePosition(int page, int x, int y) {
    if (page < 0 || page >= Count())
        return;
    GoToPage(page);
    const CanvasRect r = layout_.PageRect(page);
    // Wide arithmetic: a damaged file can put the place far outside any page.
    const auto clampInt = [](int64_t v) {
        return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN / 2, INT32_MAX / 2));
    };
    const int viewX = clampInt(int64_t{x} + r.left - 20);
    const int viewY = clampInt(int64_t{y} + r.top);
    ScrollToClamped(scrollX_, viewY - host_.ClientHeight() / 3);
    host_.MovePointer(viewX - scrollX_, viewY - scrollY_);
    // The line's box: the text column's width, from a capital's height above the
    // baseline point to a descender below it.
    RepaintSourceMark();
    const int width = r.Width();
    const int ascent = std::max(4, resolution_ * 11 / 72);
    const int descent = std::max(2, resolution_ * 4 / 72);
    mark_ = CanvasRect{width / 10, clampInt(int64_t{y} - ascent), width - width / 10,
                       clampInt(int64_t{y} + descent)};
    if (x < mark_.left || x >= mark_.right) {
        mark_.left = std::max(0, std::min(mark_.left, clampInt(int64_t{x} - 20)));
        mark_.right = std::min(width, std::max(mark_.right, clampInt(int64_t{x} + 20)));
    }
    markPage_ = page;
    markStart_ = SteadyMilliseconds();
    RepaintSourceMark();
    host_.StartFadeTimer(kSourceMarkStepMs);
}

double PageView::SourceMarkStrength() const {
    if (markPage_ < 0)
        return 0;
    const long long elapsed = SteadyMilliseconds() - markStart_;
    return elapsed >= kSourceMarkMs ? 0 : 1.0 - static_cast<double>(elapsed) / kSourceMarkMs;
}

void PageView::OnFadeTimer() {
    RepaintSourceMark();
    if (SourceMarkStrength() <= 0) {
        markPage_ = -1;
        return;
    }
    host_.StartFadeTimer(kSourceMarkStepMs);
}

void PageView::RepaintSourceMark() {
    if (markPage_ < 0 || layout_.PageRect(markPage_).Empty())
        return;
    const CanvasRect page = ClientRectOf(markPage_);
    host_.Repaint(CanvasRect{page.left + mark_.left - 4, page.top + mark_.top - 4,
                             page.left + mark_.right + 4, page.top + mark_.bottom + 4});
}

void PageView::OnGraphicsTimer() {
    graphicsReady_ = true;
    if (std::abs(current_ - timerPage_) <= 1) {
        host_.RepaintAll();
    }
    host_.StopGraphicsTimer();
}

void PageView::SelectPage() {
    std::string answer;
    if (!host_.AskText("Goto Page", "Which page do you want to go to?", answer)) {
        return;
    }
    // Read as an integer: text that is not a number reads as 0.
    const long n = std::strtol(answer.c_str(), nullptr, 10);
    const long clamped = std::clamp<long>(n, -1000000, 1000000);
    GoToPage(static_cast<int>(clamped) - 1);
}

// --- Commands --------------------------------------------------------------------------

bool PageView::Execute(int command) {
    const int step = mode_ == kModeBook ? 2 : 1;
    switch (command) {
        case kCmdSinglePage:
            SetPageMode(kModeSingle);
            return true;
        case kCmdTwoPages:
            SetPageMode(kModeTwoPages);
            return true;
        case kCmdBook:
            SetPageMode(kModeBook);
            return true;
        case kCmdContinuous:
            SetPageMode(kModeContinuous);
            return true;
        case kCmdZoomWholePage:
        case kCmdZoomPageWidth:
        case kCmdZoomVisibleWidth:
        case kCmdZoomSelection:
        case kCmdZoomUp:
        case kCmdZoomDown:
            SetZoom(command);
            return true;
        case kCmdFirstPage:
            GoToPage(0);
            return true;
        case kCmdPreviousPage:
            if (current_ > 0) {
                GoToPage(current_ - step);
            }
            return true;
        case kCmdNextPage:
            if (current_ != Count() - 1) {
                GoToPage(current_ + step);
            }
            return true;
        case kCmdLastPage:
            GoToPage(Count() - 1);
            return true;
        case kCmdSelectPage:
            SelectPage();
            return true;
        case kCmdFontInfoTool:
            SetTool(kToolFontInfo);
            return true;
        case kCmdSelectionTool:
            SetTool(kToolSelection);
            return true;
        case kCmdMagnifierTool:
            SetTool(kToolMagnifier);
            return true;
        case kCmdToggleRuler:
            rulerShown_ = !rulerShown_;
            host_.RepaintAll();
            return true;
        case kCmdSetRulerOrigin:
            SetRulerOrigin();
            return true;
        case kCmdGreys:
        case kCmdColours:
            settings_.viewColors = command == kCmdColours ? 1 : 0;
            ChangeSharedSetting();
            return true;
        case kCmdSmoothAuto:
        case kCmdSmoothAlways:
        case kCmdSmoothNever:
            settings_.viewAAThresh = command == kCmdSmoothAuto     ? 100
                                     : command == kCmdSmoothAlways ? 10000
                                                                   : 0;
            ChangeSharedSetting();
            return true;
        case kCmdGotoSource:
        case kCmdGotoSourceKey: {
            // A point on no page: nothing happens.
            const PagePoint at = LastPoint();
            if (at.page >= 0)
                host_.GotoSource(at.page, at.x, at.y, resolution_);
            return true;
        }
        default:
            break;
    }
    if (const UnitEntry* unit = UnitByCommand(command)) {
        SetUnit(*unit);
        return true;
    }
    return false;
}

bool PageView::IsChecked(int command) const {
    switch (command) {
        case kCmdSinglePage:
            return mode_ == kModeSingle;
        case kCmdTwoPages:
            return mode_ == kModeTwoPages;
        case kCmdBook:
            return mode_ == kModeBook;
        case kCmdContinuous:
            return mode_ == kModeContinuous;
        case kCmdFontInfoTool:
            return tool_ == kToolFontInfo;
        case kCmdSelectionTool:
            return tool_ == kToolSelection;
        case kCmdMagnifierTool:
            return tool_ == kToolMagnifier;
        case kCmdToggleRuler:
            return rulerShown_;
        case kCmdGreys:
            return settings_.viewColors == 0;
        case kCmdColours:
            return settings_.viewColors != 0;
        case kCmdSmoothAuto:
            return settings_.viewAAThresh == 100;
        case kCmdSmoothAlways:
            return settings_.viewAAThresh == 10000;
        case kCmdSmoothNever:
            return settings_.viewAAThresh == 0;
        default:
            break;
    }
    const UnitEntry* unit = UnitByCommand(command);
    return unit != nullptr && unit == &Unit();
}

void PageView::SetTool(int tool) {
    tool_ = tool;
}

const UnitEntry& PageView::Unit() const {
    return UnitByName(settings_.units);
}

void PageView::SetUnit(const UnitEntry& unit) {
    settings_.units = unit.unit.name;
    host_.SharedSettingsChanged();
    if (rulerShown_) {
        host_.RepaintAll();
    }
}

void PageView::ChangeSharedSetting() {
    host_.SharedSettingsChanged();
    host_.RepaintAll();
}

DrawOptions PageView::CurrentDrawOptions() const {
    DrawOptions options;
    options.resolution = resolution_;
    options.smoothing = settings_.viewAAThresh >= resolution_;
    options.colours = settings_.viewColors != 0;
    options.graphics = graphicsReady_;
    return options;
}

// --- Document changes ------------------------------------------------------------------

void PageView::DocumentReloaded() {
    cache_.Clear();
    const int count = Count();
    current_ = count > 0 ? std::clamp(current_, 0, count - 1) : 0;
    selectionPage_ = -1;
    // Nobody is leafing through a document that has just been read: its figures are
    // asked for at once (they are drawn in the background and fill in when ready).
    graphicsReady_ = true;
    Relayout();
    host_.RepaintAll();
    UpdateStatus();
}

void PageView::DrawingChanged() {
    cache_.Clear();
    host_.RepaintAll();
}

void PageView::PageInvalidated(int page) {
    cache_.DropPage(page);
    const CanvasRect r = ClientRectOf(page);
    if (!r.Empty()) {
        host_.Repaint(r);
    }
}

// --- State text ------------------------------------------------------------------------

std::string PageView::StateText() const {
    int zoom = resolution_;
    if (zoomMode_ == kCmdZoomWholePage || zoomMode_ == kCmdZoomPageWidth ||
        zoomMode_ == kCmdZoomVisibleWidth) {
        zoom = 59199 - zoomMode_;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%d %d", current_, zoom);
    return text;
}

bool PageView::RestoreState(const std::string& text) {
    int page = 0;
    int zoom = 0;
    if (std::sscanf(text.c_str(), "%d %d", &page, &zoom) != 2) {
        return false;
    }
    GoToPage(page);
    if (zoom >= 0) {
        SetResolution(zoom);
        zoomMode_ = -1;
        host_.RepaintAll();
        UpdateStatus();
    } else {
        SetZoom(59199 - std::max(zoom, -4));
    }
    return true;
}

}  // namespace quirn

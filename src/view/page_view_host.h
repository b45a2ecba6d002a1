// What a window gives the page view: its client area, scrolling, repaints, the
// one-second graphics timer, the page-number prompt, the status bar and the beep.
// The view keeps the scroll position itself and tells the host where to scroll;
// the host reports scrolling the user did with PageView::SetScrollPosition.
#pragma once

#include <string>

#include "platform/raster_canvas.h"

namespace quirn {

// The status bar fields the view fills.
enum class StatusField {
    Page,        // "Page %i of %i" / "Pages %i-%i of %i"
    TexPage,     // "TeXPage %i" / "TeXPages %i,%i"
    Zoom,        // "%i DPI" / "%i%%"
    ActualSize,  // "%i%%" of the screen resolution
    Pointer,     // pointer position, selection or font information
};

// The scrollable area and its steps, in pixels.
struct ScrollExtent {
    int width = 0;
    int height = 0;
    int pageStepX = 1;
    int pageStepY = 1;
    int lineStepX = 1;
    int lineStepY = 1;
};

class PageViewHost {
  public:
    virtual ~PageViewHost() = default;

    // The client area's size in pixels.
    virtual int ClientWidth() const = 0;
    virtual int ClientHeight() const = 0;
    // The view's scrollable area changed.
    virtual void SetScrollExtent(const ScrollExtent& extent) = 0;
    // Scroll so that layout point (x, y) is at the client's top-left corner (the
    // view has clamped it to the extent already).
    virtual void ScrollTo(int x, int y) = 0;
    // Repaint part (client coordinates) or all of the client area; the window then
    // calls PageView::Paint for the damaged part.
    virtual void Repaint(const CanvasRect& rect) = 0;
    virtual void RepaintAll() = 0;
    // (Re)start and stop the one-second timer whose firing calls
    // PageView::OnGraphicsTimer.
    virtual void StartGraphicsTimer() = 0;
    virtual void StopGraphicsTimer() = 0;
    // A text prompt with a title; false when the user cancelled.
    virtual bool AskText(const std::string& title, const std::string& question,
                         std::string& answer) = 0;
    virtual void SetStatusText(StatusField field, const std::string& text) = 0;
    virtual void Beep() = 0;

    // Pointer capture during a drag, and hiding the pointer under the magnifier.
    virtual void CapturePointer() {}
    virtual void ReleasePointer() {}
    virtual void ShowPointer(bool /*shown*/) {}
    // A shared view setting (ViewColors, ViewAAThresh, Units) changed: every view of
    // the application repaints.
    virtual void SharedSettingsChanged() {}
    // Inverse search at a page point (pixels at `resolution` from the paper's corner).
    virtual void GotoSource(int /*page*/, int /*x*/, int /*y*/, int /*resolution*/) {}
    // Puts the mouse pointer on a client point (a forward search shows its place).
    virtual void MovePointer(int /*x*/, int /*y*/) {}
    // Calls PageView::OnFadeTimer after `ms` milliseconds (the forward-search mark fades).
    virtual void StartFadeTimer(int /*ms*/) {}
};

}  // namespace quirn

// The page view without its window: view state, layout, zoom, page moves, the
// pointer tools, the status texts and the painting of the client area into a raster
// canvas. A window (CBaseView and its kinds) forwards its events here and blits
// the painted canvas; everything it must do in return goes through PageViewHost.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/settings.h"
#include "platform/raster_canvas.h"
#include "view/page_bitmap_cache.h"
#include "view/page_layout.h"
#include "view/page_source.h"
#include "view/page_view_host.h"
#include "view/view_commands.h"

namespace quirn {

// A point of a page: pixels at the view's resolution from the paper's top-left
// corner; page -1 when the point is on no page.
struct PagePoint {
    int page = -1;
    int x = 0;
    int y = 0;
};

// The box of the magnifying tool: where it stands in the client area and where the
// page, drawn at 300 dpi, has its top-left corner (client coordinates) so that the
// page point under the box's centre stays under it.
struct MagnifierBox {
    int page = -1;
    CanvasRect box;
    int pageX = 0;
    int pageY = 0;
};

// The largest resolution: the magnifier draws at it.
inline constexpr int kMaxResolution = 300;
inline constexpr int kMinResolution = 30;
// How long the forward-search mark takes to fade, and the steps it fades in.
inline constexpr int kSourceMarkMs = 1500;
inline constexpr int kSourceMarkStepMs = 100;

class PageView {
  public:
    // `settings` is the application's record (shared view settings; commands that
    // change them write there); `screenResolution` the display's pixels per inch.
    PageView(PageSource& source, PageViewHost& host, Settings& settings, int screenResolution);
    PageView(const PageView&) = delete;
    PageView& operator=(const PageView&) = delete;

    // --- Commands -----------------------------------------------------------------
    // Carries out a view command (ViewCommand); false when the number is not one.
    bool Execute(int command);
    // For menus and the status bar: whether a command is the active choice of its
    // group (page mode, tool, unit, colours, smoothing, rulers).
    bool IsChecked(int command) const;

    void SetZoom(int command);
    // Pages narrower than the window stand in its middle (the windows ask for it; the
    // headless view keeps them at the left margin); from the next layout on.
    void SetCentreNarrowPages(bool centre) { centreNarrowPages_ = centre; }
    void SetResolution(int dpi);  // clamped to 30..300, pages laid out again
    void SetPageMode(int mode);   // then zoom to page width
    void GoToPage(int page);      // clamped
    // Reads a page number with the "Goto Page" prompt and goes there.
    void SelectPage();
    // Shows the place a forward search found (pixels at the view's resolution from the
    // paper's top-left corner of `page`): the page comes into view with the place a
    // third of the way down the window, the mouse pointer is put on it, 20 pixels to
    // its left, and the box of its line is marked by a frame that fades within
    // kSourceMarkMs.
    void ShowSourcePosition(int page, int x, int y);
    // A found text: `page` becomes current, `rect` (pixels at `resolution` from the
    // paper's top-left corner) becomes the selection, and it is scrolled into sight
    // inflated by 20 pixels: by a vertical scroll alone when that shows it, else to its
    // top-left corner.
    void SelectAndReveal(int page, const CanvasRect& rect, int resolution);
    // The marked line's box (pixels at the view's resolution on `SourceMarkPage()`), and
    // how strong the mark is now (1 at the start, 0 when it has faded).
    CanvasRect SourceMark() const { return mark_; }
    int SourceMarkPage() const { return markPage_; }
    double SourceMarkStrength() const;
    // The fade timer fired: the mark is drawn fainter, or taken away.
    void OnFadeTimer();

    // --- Window events ------------------------------------------------------------
    // The client area changed size: a fitting zoom is applied again.
    void OnClientResized();
    // The user scrolled (scroll bars, keys, wheel): (x, y) is the layout point now at
    // the client's top-left corner.
    void SetScrollPosition(int x, int y);
    // True when scrolling must repaint everything rather than move pixels (the
    // rulers stay at the client's edges while the page moves under them).
    bool RepaintsOnScroll() const { return rulerShown_; }
    // Mouse, client coordinates.
    void OnMouseMove(int x, int y, bool leftDown);
    void OnLeftDown(int x, int y, bool ctrl);
    void OnLeftUp(int x, int y, bool ctrl);
    // The pointer is at (x, y) now: the point of the next "Goto TeX Source".
    void SetLastPoint(int x, int y) {
        lastX_ = x;
        lastY_ = y;
    }
    // The one-second timer after a page change fired.
    void OnGraphicsTimer();

    // --- Document changes ---------------------------------------------------------
    // The document was loaded again: drawn pages are dropped, the current page is
    // kept within the new count, the pages are laid out again.
    void DocumentReloaded();
    // What every page draws changed (fonts arrived): drawn pages are dropped and the
    // view is painted again; place and zoom stay.
    void DrawingChanged();
    // One page's drawing changed (CDVIDoc::InvalidatePage).
    void PageInvalidated(int page);

    // --- Painting -----------------------------------------------------------------
    // Paints the client rectangle `damage` into `canvas`, which covers the client
    // area with (0, 0) at its top-left corner: grey background, white paper, the
    // page contents (drawn pages are kept and copied), the selection, the magnifier
    // box and the rulers.
    void Paint(RasterCanvas& canvas, const CanvasRect& damage);

    // --- State and texts ----------------------------------------------------------
    // "%d %d": the current page and the resolution, or -1, -2, -3 for the fitting
    // zooms 59200, 59201, 59202.
    std::string StateText() const;
    // Restores a state text; false (and nothing changed) when it does not parse.
    bool RestoreState(const std::string& text);
    // Sends every status indicator to the host.
    void UpdateStatus();
    std::string PageIndicator() const;
    std::string TexPageIndicator() const;
    std::string ZoomIndicator() const;
    std::string ActualSizeIndicator() const;
    // The pointer text for a client point ("" when it is on no page).
    std::string PointerText(int x, int y) const;

    // --- Geometry -----------------------------------------------------------------
    PagePoint HitTest(int x, int y) const;
    MagnifierBox MagnifierAt(int x, int y) const;
    const PageLayout& Layout() const { return layout_; }
    int ScrollX() const { return scrollX_; }
    int ScrollY() const { return scrollY_; }

    int PageMode() const { return mode_; }
    int Resolution() const { return resolution_; }
    int ZoomMode() const { return zoomMode_; }
    int CurrentPage() const { return current_; }
    int Tool() const { return tool_; }
    bool RulerShown() const { return rulerShown_; }
    int RulerOriginX() const { return originX_; }  // thousandths of an inch
    int RulerOriginY() const { return originY_; }
    bool GraphicsReady() const { return graphicsReady_; }
    // The last pointer position (client coordinates) hit-tested now: the point of
    // "Set Ruler Origin" and of inverse search.
    PagePoint LastPoint() const;
    // The selection (pixels at the view's resolution on `SelectionPage()`); empty
    // when there is none.
    CanvasRect Selection() const;
    int SelectionPage() const { return selectionPage_; }
    const UnitEntry& Unit() const;
    DrawOptions CurrentDrawOptions() const;
    PageBitmapCache& Cache() { return cache_; }

  private:
    void Relayout();
    void ScrollToClamped(int x, int y);
    void ChangePage(int page);
    void SetTool(int tool);
    void SetUnit(const UnitEntry& unit);
    void SetRulerOrigin();
    void ChangeSharedSetting();
    int Count() { return source_.PageCount(); }
    PageSizeMils CurrentPageSize();
    int ZoomResolution(int command);
    void RepaintMagnifier();
    void PaintPage(RasterCanvas& canvas, int page, const CanvasRect& client,
                   const DrawOptions& options);
    void PaintMagnifier(RasterCanvas& canvas);
    void PaintSelection(RasterCanvas& canvas);
    void PaintSourceMark(RasterCanvas& canvas);
    void RepaintSourceMark();
    void RepaintSelection();
    void UpdateSelection(int x, int y);
    std::string SelectionText() const;
    CanvasRect ClientRectOf(int page) const;

    PageSource& source_;
    PageViewHost& host_;
    Settings& settings_;
    int screenResolution_;

    int mode_ = kModeContinuous;
    int resolution_ = 90;
    int zoomMode_ = -1;
    int current_ = 0;
    int tool_ = kToolSelection;
    bool rulerShown_ = false;
    int originX_ = 0;
    int originY_ = 0;
    int dragPage_ = -1;
    int lastX_ = -1;  // last pointer position, client coordinates
    int lastY_ = -1;
    bool graphicsReady_ = false;
    int timerPage_ = -1;
    bool inZoom_ = false;
    bool centreNarrowPages_ = false;

    int scrollX_ = 0;
    int scrollY_ = 0;
    PageLayout layout_;

    // The selection, in pixels at `selectionResolution_` on `selectionPage_`.
    int selectionPage_ = -1;
    CanvasRect selection_;
    int selectionResolution_ = 90;
    int dragStartX_ = 0;  // page pixels where the drag began
    int dragStartY_ = 0;
    bool magnifying_ = false;
    int magnifierX_ = 0;  // client point the magnifier box is centred on
    int magnifierY_ = 0;

    // The forward-search mark and when it was set (steady-clock milliseconds).
    CanvasRect mark_;
    int markPage_ = -1;
    long long markStart_ = 0;

    PageBitmapCache cache_;
    RasterCanvas scratch_;  // where a page is drawn before it is kept
};

}  // namespace quirn

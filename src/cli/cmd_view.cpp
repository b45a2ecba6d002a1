// quirn-cli view FILE.dvi [--client WxH] [--screen DPI] [steps...] [--png OUT.png]
// Runs the page view without a window: the steps are carried out in the order given,
// then the view's state and status texts are printed, one "name: value" line each,
// and with --png the painted client area is written as a picture.
//
// Steps: --cmd N (a view command number), --page P (go to page P, 1-based),
// --mode M (page mode 0-3), --dpi R (resolution), --tool T (1-3), --units NAME,
// --answer TEXT (the answer to the "Goto Page" prompt of the next --cmd 32781),
// --point X,Y (pointer moved there; with the font-information tool also clicked),
// --click X,Y, --drag X0,Y0,X1,Y1 (left button), --scroll X,Y (user scrolling),
// --state "P Z" (restore a view state text), --timer (the graphics timer fires).
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/preview_document.h"
#include "platform/paths.h"
#include "platform/raster_canvas.h"
#include "platform/raster_canvas_png.h"
#include "view/dvi_page_source.h"
#include "view/page_view.h"

namespace quirn::cli {
namespace {

constexpr const char* kUsage =
    "FILE.dvi [--client WxH] [--screen DPI] [--cmd N] [--page P] [--mode M] [--dpi R] "
    "[--tool T] [--units NAME] [--answer TEXT] [--point X,Y] [--click X,Y] "
    "[--drag X0,Y0,X1,Y1] [--scroll X,Y] [--state \"P Z\"] [--timer] [--png OUT.png]";

// A window without a display: it remembers what the view asked of it.
class HeadlessHost : public PageViewHost {
  public:
    int ClientWidth() const override { return width; }
    int ClientHeight() const override { return height; }
    void SetScrollExtent(const ScrollExtent& e) override { extent = e; }
    void ScrollTo(int, int) override {}
    void Repaint(const CanvasRect&) override {}
    void RepaintAll() override {}
    void StartGraphicsTimer() override { timerRunning = true; }
    void StopGraphicsTimer() override { timerRunning = false; }
    bool AskText(const std::string& title, const std::string& question,
                 std::string& reply) override {
        std::printf("prompt: %s: %s %s\n", title.c_str(), question.c_str(), answer.c_str());
        reply = answer;
        return true;
    }
    void SetStatusText(StatusField field, const std::string& text) override {
        status[field] = text;
    }
    void Beep() override { std::printf("beep\n"); }
    void GotoSource(int page, int x, int y, int resolution) override {
        std::printf("goto-source: page %d (%d,%d) at %d dpi\n", page + 1, x, y, resolution);
    }

    int width = 1000;
    int height = 800;
    ScrollExtent extent;
    bool timerRunning = false;
    std::string answer;
    std::map<StatusField, std::string> status;
};

bool ParseInts(const std::string& text, size_t count, std::vector<int>& values, char sep = ',') {
    values.clear();
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, sep)) {
        char* end = nullptr;
        const long v = std::strtol(item.c_str(), &end, 10);
        if (item.empty() || *end != '\0' || v < -100000 || v > 100000) {
            return false;
        }
        values.push_back(static_cast<int>(v));
    }
    return values.size() == count;
}

struct Step {
    std::string option;
    std::string value;
};

bool TakesValue(const std::string& option) {
    static const char* const kOptions[] = {
        "--client", "--screen", "--cmd",   "--page", "--mode",   "--dpi",   "--tool", "--units",
        "--answer", "--point",  "--click", "--drag", "--scroll", "--state", "--png"};
    for (const char* o : kOptions) {
        if (option == o) {
            return true;
        }
    }
    return false;
}

// Carries out one step; false when its value is not understood.
bool RunStep(const Step& step, PageView& view, HeadlessHost& host) {
    std::vector<int> v;
    int n = 0;
    const std::string& o = step.option;
    if (o == "--cmd" && ParseCount(step.value, n)) {
        if (!view.Execute(n)) {
            std::fprintf(stderr, "%d is not a page view command\n", n);
            return false;
        }
    } else if (o == "--page" && ParseCount(step.value, n)) {
        view.GoToPage(n - 1);
    } else if (o == "--mode" && ParseCount(step.value, n) && n <= 3) {
        view.SetPageMode(n);
    } else if (o == "--dpi" && ParseCount(step.value, n)) {
        view.SetResolution(n);
    } else if (o == "--tool" && ParseCount(step.value, n) && n >= 1 && n <= 3) {
        view.Execute(n == 1 ? kCmdMagnifierTool : n == 2 ? kCmdSelectionTool : kCmdFontInfoTool);
    } else if (o == "--units") {
        view.Execute(UnitByName(step.value).command);
    } else if (o == "--answer") {
        host.answer = step.value;
    } else if (o == "--point" && ParseInts(step.value, 2, v)) {
        view.OnMouseMove(v[0], v[1], false);
        if (view.Tool() == kToolFontInfo) {
            view.OnLeftDown(v[0], v[1], false);
            view.OnLeftUp(v[0], v[1], false);
        }
    } else if (o == "--click" && ParseInts(step.value, 2, v)) {
        view.OnLeftDown(v[0], v[1], false);
        view.OnLeftUp(v[0], v[1], false);
    } else if (o == "--drag" && ParseInts(step.value, 4, v)) {
        view.OnLeftDown(v[0], v[1], false);
        view.OnMouseMove(v[2], v[3], true);
        view.OnLeftUp(v[2], v[3], false);
    } else if (o == "--scroll" && ParseInts(step.value, 2, v)) {
        view.SetScrollPosition(v[0], v[1]);
    } else if (o == "--state") {
        if (!view.RestoreState(step.value)) {
            std::fprintf(stderr, "not a view state: %s\n", step.value.c_str());
            return false;
        }
    } else if (o == "--timer") {
        view.OnGraphicsTimer();
    } else {
        std::fprintf(stderr, "%s: bad value \"%s\"\n", o.c_str(), step.value.c_str());
        return false;
    }
    return true;
}

void PrintState(PageView& view, HeadlessHost& host) {
    view.UpdateStatus();
    std::printf("page: %s\n", host.status[StatusField::Page].c_str());
    std::printf("texpage: %s\n", host.status[StatusField::TexPage].c_str());
    std::printf("zoom: %s\n", host.status[StatusField::Zoom].c_str());
    std::printf("actual: %s\n", host.status[StatusField::ActualSize].c_str());
    std::printf("pointer: %s\n", host.status[StatusField::Pointer].c_str());
    std::printf("state: %s\n", view.StateText().c_str());
    std::printf("mode: %d\n", view.PageMode());
    std::printf("resolution: %d\n", view.Resolution());
    std::printf("current: %d\n", view.CurrentPage() + 1);
    std::printf("tool: %d\n", view.Tool());
    std::printf("unit: %s\n", view.Unit().unit.name);
    std::printf("scroll: %d %d\n", view.ScrollX(), view.ScrollY());
    std::printf("extent: %d %d\n", host.extent.width, host.extent.height);
    for (int page : view.Layout().ShownPages()) {
        const CanvasRect r = view.Layout().PageRect(page);
        const CanvasRect client{0, 0, host.width, host.height};
        const CanvasRect shifted{r.left - view.ScrollX(), r.top - view.ScrollY(),
                                 r.right - view.ScrollX(), r.bottom - view.ScrollY()};
        if (view.PageMode() != kModeContinuous || !shifted.Intersect(client).Empty()) {
            std::printf("rect: %d %d %d %d %d\n", page + 1, r.left, r.top, r.right, r.bottom);
        }
    }
    const CanvasRect sel = view.Selection();
    if (!sel.Empty()) {
        std::printf("selection: %d %d %d %d %d\n", view.SelectionPage() + 1, sel.left, sel.top,
                    sel.right, sel.bottom);
    }
}

int ViewCommandMain(const std::vector<std::string>& args) {
    std::string file, png;
    int screen = 96;
    std::vector<Step> steps;
    HeadlessHost host;
    bool ok = true;
    for (size_t i = 0; i < args.size() && ok; ++i) {
        const std::string& a = args[i];
        std::vector<int> v;
        if (a == "--timer") {
            steps.push_back(Step{a, ""});
        } else if (TakesValue(a) && i + 1 < args.size()) {
            const std::string& value = args[++i];
            if (a == "--client") {
                ok = ParseInts(value, 2, v, 'x') && v[0] > 0 && v[1] > 0 && v[0] <= 10000 &&
                     v[1] <= 10000;
                if (ok) {
                    host.width = v[0];
                    host.height = v[1];
                }
            } else if (a == "--screen") {
                ok = ParseCount(value, screen) && screen > 0;
            } else if (a == "--png") {
                png = AbsolutePath(value, StartFolder());
            } else {
                steps.push_back(Step{a, value});
            }
        } else if (file.empty() && !a.starts_with("-")) {
            file = AbsolutePath(a, StartFolder());
        } else {
            ok = false;
        }
    }
    if (!ok || file.empty()) {
        return WrongUsage("view");
    }
    auto preview = OpenPreviewDocument(file, true);
    if (!preview) {
        return 1;
    }
    DviPageSource source(*preview->doc);
    PageView view(source, host, preview->settings, screen);
    view.UpdateStatus();
    for (const Step& step : steps) {
        if (!RunStep(step, view, host)) {
            return 2;
        }
    }
    PrintState(view, host);
    if (!png.empty()) {
        RasterCanvas canvas(host.width, host.height);
        view.Paint(canvas, canvas.Bounds());
        std::string error;
        const CanvasPngFormat format =
            canvas.IsGrey() ? CanvasPngFormat::Grey : CanvasPngFormat::Rgb;
        if (!WriteCanvasPng(canvas, png, format, 0, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
    }
    return 0;
}

}  // namespace

QUIRN_CLI_COMMAND(
    "view", kUsage, "the page view without a window, driven by steps",
    "Opens FILE.dvi in a page view without a window, client area W x H pixels\n"
    "(default 1000x800) on a screen of DPI dots per inch (default 96), carries out\n"
    "the steps in the order given, then prints the view's state, one \"name: value\"\n"
    "line each: page, texpage, zoom, actual and pointer (the status bar's fields),\n"
    "state (the view state text), mode, resolution, current (the current page), tool,\n"
    "unit, scroll (X Y) and extent (W H), then \"rect: P L T R B\" for each page\n"
    "shown and \"selection: P L T R B\", in pixels of the page layout.\n"
    "Steps:\n"
    "  --cmd N          a page view command by its number\n"
    "  --page P         go to page P (from 1)\n"
    "  --mode M         page mode 0-3\n"
    "  --dpi R          the drawing resolution\n"
    "  --tool T         1 magnifier, 2 selection, 3 font information\n"
    "  --units NAME     the rulers' unit\n"
    "  --answer TEXT    the answer to the Goto Page question of a later --cmd 32781\n"
    "  --point X,Y      the pointer moved there (with the font-information tool also\n"
    "                   clicked)\n"
    "  --click X,Y      a left-button click; --drag X0,Y0,X1,Y1 a drag\n"
    "  --scroll X,Y     the user scrolls there\n"
    "  --state \"P Z\"    restores a view state text\n"
    "  --timer          the graphics timer fires\n"
    "With --png the painted client area is written as a PNG picture. Questions the\n"
    "view asks print as \"prompt: \" lines, beeps as \"beep\", hand-overs to the\n"
    "editor as \"goto-source: \" lines.\n",
    ViewCommandMain);

}  // namespace quirn::cli

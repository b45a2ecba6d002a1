// A page source and a window host for the page view tests: the source draws a black
// square one inch from each page's corner and counts its drawings; the host records
// what the view asked of it.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "view/page_source.h"
#include "view/page_view_host.h"

namespace quirn::test {

class FakeSource : public PageSource {
  public:
    explicit FakeSource(int count) : count_(count) {}

    int PageCount() override { return count_; }
    PageSizeMils PageSize(int) override { return size; }
    void DrawPage(int page, RasterCanvas& canvas, const DrawOptions& options) override {
        ++draws[page];
        lastOptions = options;
        canvas.FillBackground();
        const int inch = options.resolution;
        canvas.FillRect(CanvasRect{inch, inch, 2 * inch, 2 * inch}, colour);
    }
    bool HasGraphics(int) override { return false; }
    int32_t TexPageNumber(int page) override { return page + 1 + count0Offset; }
    std::string FontInfo(int page, int resolution, int x, int y, const RulerUnit& unit) override {
        return "info " + std::to_string(page) + " " + std::to_string(resolution) + " " +
               std::to_string(x) + "," + std::to_string(y) + " " + unit.name;
    }
    CanvasRect InkBounds(int) override { return ink; }

    PageSizeMils size{8500, 11000};
    CanvasRect ink{1000, 1000, 7500, 10000};
    uint32_t colour = 0x000000;
    int count0Offset = 0;
    std::map<int, int> draws;
    DrawOptions lastOptions;

  private:
    int count_;
};

class FakeHost : public PageViewHost {
  public:
    int ClientWidth() const override { return width; }
    int ClientHeight() const override { return height; }
    void SetScrollExtent(const ScrollExtent& e) override { extent = e; }
    void ScrollTo(int x, int y) override {
        scrollX = x;
        scrollY = y;
    }
    void Repaint(const CanvasRect& r) override { repaints.push_back(r); }
    void RepaintAll() override { ++repaintAll; }
    void StartGraphicsTimer() override {
        timerRunning = true;
        ++timerStarts;
    }
    void StopGraphicsTimer() override { timerRunning = false; }
    bool AskText(const std::string& t, const std::string& q, std::string& reply) override {
        title = t;
        question = q;
        reply = answer;
        return !cancel;
    }
    void SetStatusText(StatusField field, const std::string& text) override {
        status[field] = text;
    }
    void Beep() override { ++beeps; }
    void ShowPointer(bool shown) override { pointerShown = shown; }
    void GotoSource(int page, int x, int y, int resolution) override {
        sources.push_back({page, x, y, resolution});
    }
    void MovePointer(int x, int y) override {
        pointerX = x;
        pointerY = y;
    }

    int width = 1000;
    int height = 800;
    ScrollExtent extent;
    int scrollX = 0;
    int scrollY = 0;
    std::vector<CanvasRect> repaints;
    int repaintAll = 0;
    bool timerRunning = false;
    int timerStarts = 0;
    std::string answer;
    bool cancel = false;
    std::string title;
    std::string question;
    std::map<StatusField, std::string> status;
    int beeps = 0;
    bool pointerShown = true;
    std::vector<std::vector<int>> sources;
    int pointerX = -1;
    int pointerY = -1;
};

}  // namespace quirn::test

#include "view/ruler.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace quirn {

namespace {

constexpr uint32_t kRulerFace = 0xE8E8E8;
constexpr uint32_t kInk = 0x000000;
constexpr int kLabelSpacing = 48;

// A 3 x 5 pixel font for the labels: digits, minus and point, one row per nibble.
constexpr uint8_t kDigits[12][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7},
    {5, 5, 7, 1, 1}, {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 2, 2},
    {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}, {0, 0, 7, 0, 0}, {0, 0, 0, 0, 2},
};

void DrawLabel(RasterCanvas& canvas, int x, int y, const std::string& text) {
    for (char c : text) {
        const int glyph = c == '-' ? 10 : c == '.' ? 11 : (c >= '0' && c <= '9') ? c - '0' : -1;
        if (glyph < 0) {
            continue;
        }
        for (int row = 0; row < 5; ++row) {
            for (int col = 0; col < 3; ++col) {
                if ((kDigits[glyph][row] >> (2 - col)) & 1) {
                    canvas.FillRect(CanvasRect{x + col, y + row, x + col + 1, y + row + 1}, kInk);
                }
            }
        }
        x += 4;
    }
}

std::string LabelText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", std::fabs(value) < 1e-9 ? 0.0 : value);
    return text;
}

// Ticks along one strip: `along` is the coordinate that runs along the strip.
void DrawTicks(RasterCanvas& canvas, bool horizontal, int start, int end, int zero,
               double pixelsPerUnit) {
    const double step = RulerStep(pixelsPerUnit, kLabelSpacing);
    const double major = step * pixelsPerUnit;
    const int minorCount = major >= 50 ? 10 : major >= 20 ? 5 : 2;
    const double minor = major / minorCount;
    const long long firstTick = static_cast<long long>(std::floor((start - zero) / minor));
    const long long lastTick = static_cast<long long>(std::ceil((end - zero) / minor));
    for (long long k = firstTick; k <= lastTick; ++k) {
        const int at = zero + static_cast<int>(std::lround(k * minor));
        if (at < start || at >= end) {
            continue;
        }
        const bool isMajor = k % minorCount == 0;
        const bool isHalf = minorCount % 2 == 0 && k % (minorCount / 2) == 0;
        const int length = isMajor ? kRulerThickness - 2 : isHalf ? 7 : 4;
        if (horizontal) {
            canvas.FillRect(CanvasRect{at, kRulerThickness - length, at + 1, kRulerThickness - 1},
                            kInk);
            if (isMajor) {
                DrawLabel(canvas, at + 2, 2, LabelText(static_cast<double>(k / minorCount) * step));
            }
        } else {
            canvas.FillRect(CanvasRect{kRulerThickness - length, at, kRulerThickness - 1, at + 1},
                            kInk);
            if (isMajor) {
                DrawLabel(canvas, 1, at + 2, LabelText(static_cast<double>(k / minorCount) * step));
            }
        }
    }
}

}  // namespace

double RulerStep(double pixelsPerUnit, int minPixels) {
    if (pixelsPerUnit <= 0) {
        return 1.0;
    }
    double scale = std::pow(10.0, std::floor(std::log10(minPixels / pixelsPerUnit)));
    for (int guard = 0; guard < 40; ++guard) {
        for (double m : {1.0, 2.0, 5.0}) {
            if (m * scale * pixelsPerUnit >= minPixels) {
                return m * scale;
            }
        }
        scale *= 10;
    }
    return scale;
}

void DrawRulers(RasterCanvas& canvas, int width, int height, int zeroX, int zeroY, int resolution,
                const RulerUnit& unit) {
    const double pixelsPerUnit = resolution / unit.perInch;
    canvas.FillRect(CanvasRect{0, 0, width, kRulerThickness}, kRulerFace);
    canvas.FillRect(CanvasRect{0, 0, kRulerThickness, height}, kRulerFace);
    canvas.FillRect(CanvasRect{0, kRulerThickness - 1, width, kRulerThickness}, kInk);
    canvas.FillRect(CanvasRect{kRulerThickness - 1, 0, kRulerThickness, height}, kInk);
    DrawTicks(canvas, true, kRulerThickness, width, zeroX, pixelsPerUnit);
    DrawTicks(canvas, false, kRulerThickness, height, zeroY, pixelsPerUnit);
}

}  // namespace quirn

// The rulers of the page view: a strip along the client area's top and one along
// its left edge, with ticks in the current unit counted from the ruler origin.
#pragma once

#include "dvi/point_info.h"
#include "platform/raster_canvas.h"

namespace quirn {

// Thickness of a ruler strip in pixels.
inline constexpr int kRulerThickness = 18;

// The distance between labelled ticks, in units: the smallest of 1, 2, 5 times a
// power of ten that puts them at least `minPixels` apart at `pixelsPerUnit`.
double RulerStep(double pixelsPerUnit, int minPixels);

// Draws both strips into `canvas` (client coordinates, `width` x `height`). The
// unit's zero lies at client point (zeroX, zeroY); `resolution` is the view's.
void DrawRulers(RasterCanvas& canvas, int width, int height, int zeroX, int zeroY, int resolution,
                const RulerUnit& unit);

}  // namespace quirn

// Quirn's raster canvas: a 24-bit RGB picture with a clip rectangle, the surface that
// pages are drawn on and the double buffer the view copies to its window. Drawing
// knows two operations: solid rectangles, and the AND transfer of bottom-up 1-bit
// and 8-bit bitmaps through a colour table (each destination channel is ANDed with
// the channel of the table entry the source pixel selects, so white leaves the
// picture as it is and darker entries darken it).
//
// Coordinates are logical pixels. The canvas covers the logical rectangle
// [originX, originX + width) x [originY, originY + height), which lets a caller draw
// one part of a page (a window, a magnifier) with the page's own coordinates.
// Colours are 0x00BBGGRR values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quirn {

// Half-open rectangle: left and top inclusive, right and bottom exclusive.
struct CanvasRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool Empty() const { return right <= left || bottom <= top; }
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CanvasRect Intersect(const CanvasRect& other) const;
    // True when `other` lies inside (an empty rectangle lies inside every one).
    bool Contains(const CanvasRect& other) const {
        return other.Empty() || (left <= other.left && top <= other.top && right >= other.right &&
                                 bottom >= other.bottom);
    }
    // The smallest rectangle holding both; an empty rectangle does not count.
    CanvasRect Unite(const CanvasRect& other) const;
};

// A device-independent bitmap for the AND transfer: rows stored bottom row first,
// `stride` bytes each, `bpp` 1 (most significant bit first) or 8 bits per pixel,
// pixel values indexing `palette` (0x00BBGGRR entries; an index past the table's
// end selects white, which leaves the destination unchanged).
struct CanvasBitmap {
    const uint8_t* bits = nullptr;
    int width = 0;
    int rows = 0;
    int stride = 0;
    int bpp = 1;
    const uint32_t* palette = nullptr;
    int paletteSize = 0;
    // Set by callers that pass the 256-entry grey table (entry i = (i, i, i)): the
    // transfer then ANDs the pixel value itself, without looking it up.
    bool greyRamp = false;
};

class RasterCanvas {
  public:
    RasterCanvas() = default;
    RasterCanvas(int width, int height, int originX = 0, int originY = 0,
                 uint32_t background = 0xFFFFFF);

    // Gives the canvas a new size and origin, filled with the background colour;
    // the clip box becomes the whole canvas.
    void Reset(int width, int height, int originX = 0, int originY = 0);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int OriginX() const { return originX_; }
    int OriginY() const { return originY_; }
    CanvasRect Bounds() const;

    uint32_t Background() const { return background_; }
    // A new background colour leaves the picture as it is (and counts all of it as
    // possibly different from the new colour).
    void SetBackground(uint32_t colour);

    // The part of the canvas that may differ from the background colour; everything
    // outside it is background. Filling the whole canvas with the background then
    // only has to clear this part, which keeps a double buffer cheap to reuse.
    const CanvasRect& Dirty() const { return dirty_; }

    // The clip box limits every drawing operation; it never extends past the canvas.
    const CanvasRect& ClipBox() const { return clip_; }
    void SetClip(const CanvasRect& rect);

    // Fills the clip box with the background colour.
    void FillBackground() { FillRect(clip_, background_); }
    // Fills `rect` (clipped) with a solid colour.
    void FillRect(const CanvasRect& rect, uint32_t colour);
    // AND transfer of the whole bitmap with its top-left corner at logical (x, y).
    void AndBitmap(int x, int y, const CanvasBitmap& bitmap);

    // The colour of one logical pixel; white outside the canvas.
    uint32_t Pixel(int x, int y) const;

    // The picture is stored with one byte per pixel while everything on it is grey
    // (red = green = blue, as on a black-and-white page), and with three (red, green,
    // blue) from the first coloured drawing on; the colours are the same either way.
    int BytesPerPixel() const { return grey_ ? 1 : 3; }
    // Row `row` (0 = top) of the stored picture: width * BytesPerPixel() bytes.
    const uint8_t* Row(int row) const {
        return pixels_.data() + static_cast<size_t>(row) * Stride();
    }
    size_t Stride() const { return static_cast<size_t>(width_) * BytesPerPixel(); }

    // True when every pixel has equal red, green and blue.
    bool IsGrey() const;
    // The picture as 8-bit grey (the red channel of each pixel), top row first.
    std::vector<uint8_t> GreyPixels() const;
    // The picture as 24-bit colour, red, green, blue, top row first.
    std::vector<uint8_t> RgbPixels() const;

  private:
    uint8_t* MutableRow(int row) { return pixels_.data() + static_cast<size_t>(row) * Stride(); }
    void PromoteToRgb();

    int width_ = 0;
    int height_ = 0;
    int originX_ = 0;
    int originY_ = 0;
    uint32_t background_ = 0xFFFFFF;
    CanvasRect clip_;
    CanvasRect dirty_;
    bool grey_ = true;
    std::vector<uint8_t> pixels_;
};

}  // namespace quirn

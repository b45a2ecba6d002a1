#include "platform/raster_canvas.h"

#include <algorithm>
#include <cstring>

namespace quirn {

CanvasRect CanvasRect::Intersect(const CanvasRect& other) const {
    CanvasRect r{std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
                 std::min(bottom, other.bottom)};
    if (r.Empty()) {
        return CanvasRect{};
    }
    return r;
}

CanvasRect CanvasRect::Unite(const CanvasRect& other) const {
    if (other.Empty()) {
        return *this;
    }
    if (Empty()) {
        return other;
    }
    return CanvasRect{std::min(left, other.left), std::min(top, other.top),
                      std::max(right, other.right), std::max(bottom, other.bottom)};
}

namespace {

bool IsGreyColour(uint32_t colour) {
    const uint32_t r = colour & 0xFF;
    return ((colour >> 8) & 0xFF) == r && ((colour >> 16) & 0xFF) == r;
}

}  // namespace

RasterCanvas::RasterCanvas(int width, int height, int originX, int originY, uint32_t background)
    : background_(background) {
    Reset(width, height, originX, originY);
}

void RasterCanvas::Reset(int width, int height, int originX, int originY) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    originX_ = originX;
    originY_ = originY;
    clip_ = Bounds();
    grey_ = IsGreyColour(background_);
    pixels_.assign(static_cast<size_t>(width_) * height_ * BytesPerPixel(), 0);
    dirty_ = Bounds();
    FillRect(clip_, background_);
}

void RasterCanvas::SetBackground(uint32_t colour) {
    background_ = colour;
    dirty_ = Bounds();
    if (!IsGreyColour(colour)) {
        PromoteToRgb();
    }
}

void RasterCanvas::PromoteToRgb() {
    if (!grey_) {
        return;
    }
    std::vector<uint8_t> rgb(pixels_.size() * 3);
    for (size_t i = 0; i < pixels_.size(); ++i) {
        rgb[3 * i] = rgb[3 * i + 1] = rgb[3 * i + 2] = pixels_[i];
    }
    pixels_.swap(rgb);
    grey_ = false;
}

CanvasRect RasterCanvas::Bounds() const {
    return CanvasRect{originX_, originY_, originX_ + width_, originY_ + height_};
}

void RasterCanvas::SetClip(const CanvasRect& rect) {
    clip_ = rect.Intersect(Bounds());
}

void RasterCanvas::FillRect(const CanvasRect& rect, uint32_t colour) {
    CanvasRect r = rect.Intersect(clip_);
    if (r.Empty()) {
        return;
    }
    if (colour == background_) {
        // Outside the dirty part the canvas holds the background already.
        const bool clearsAll = r.Contains(dirty_);
        r = r.Intersect(dirty_);
        if (clearsAll) {
            dirty_ = CanvasRect{};
        }
        if (r.Empty()) {
            return;
        }
    } else {
        dirty_ = dirty_.Unite(r);
    }
    if (grey_ && !IsGreyColour(colour)) {
        PromoteToRgb();
    }
    const uint8_t red = colour & 0xFF;
    const uint8_t green = (colour >> 8) & 0xFF;
    const uint8_t blue = (colour >> 16) & 0xFF;
    const int bytes = BytesPerPixel();
    for (int y = r.top; y < r.bottom; ++y) {
        uint8_t* p = MutableRow(y - originY_) + static_cast<size_t>(r.left - originX_) * bytes;
        if (bytes == 1) {
            std::memset(p, red, static_cast<size_t>(r.Width()));
            continue;
        }
        if (red == green && green == blue) {
            std::fill(p, p + static_cast<size_t>(r.Width()) * 3, red);
            continue;
        }
        for (int x = r.left; x < r.right; ++x) {
            *p++ = red;
            *p++ = green;
            *p++ = blue;
        }
    }
}

namespace {

inline void AndPixel(uint8_t* p, uint32_t entry, int bytes) {
    p[0] &= static_cast<uint8_t>(entry);
    if (bytes == 1) {
        return;
    }
    p[1] &= static_cast<uint8_t>(entry >> 8);
    p[2] &= static_cast<uint8_t>(entry >> 16);
}

}  // namespace

void RasterCanvas::AndBitmap(int x, int y, const CanvasBitmap& bitmap) {
    if (bitmap.bits == nullptr || bitmap.width <= 0 || bitmap.rows <= 0 ||
        (bitmap.bpp != 1 && bitmap.bpp != 8)) {
        return;
    }
    const CanvasRect r = CanvasRect{x, y, x + bitmap.width, y + bitmap.rows}.Intersect(clip_);
    if (r.Empty()) {
        return;
    }
    dirty_ = dirty_.Unite(r);
    if (grey_ && !bitmap.greyRamp) {
        // A table with a colour in it needs the colour picture.
        const int used = bitmap.bpp == 1 ? std::min(bitmap.paletteSize, 2) : bitmap.paletteSize;
        for (int i = 0; i < used; ++i) {
            if (!IsGreyColour(bitmap.palette[i])) {
                PromoteToRgb();
                break;
            }
        }
    }
    const int bytes = BytesPerPixel();
    const uint32_t kWhite = 0xFFFFFF;
    auto entry = [&bitmap](unsigned index) {
        return static_cast<int>(index) < bitmap.paletteSize ? bitmap.palette[index] & 0xFFFFFF
                                                            : 0xFFFFFFu;
    };
    for (int row = r.top; row < r.bottom; ++row) {
        // Bottom-up: the picture's top row of the bitmap is the last row stored.
        const uint8_t* src =
            bitmap.bits + static_cast<size_t>(bitmap.rows - 1 - (row - y)) * bitmap.stride;
        uint8_t* dst = MutableRow(row - originY_) + static_cast<size_t>(r.left - originX_) * bytes;
        if (bitmap.bpp == 8 && bitmap.greyRamp && bytes == 1) {
            // Grey on grey: the pixel value is the table entry, and ANDing paper (255)
            // changes nothing, so the row needs no tests at all.
            const uint8_t* p = src + (r.left - x);
            const int count = r.Width();
            for (int i = 0; i < count; ++i) {
                dst[i] &= p[i];
            }
        } else if (bitmap.bpp == 8 && bitmap.greyRamp) {
            const uint8_t* p = src + (r.left - x);
            const int count = r.Width();
            int i = 0;
            while (i < count) {
                // Paper (255) leaves the page as it is: skip it eight pixels at a time.
                if (i + 8 <= count) {
                    uint64_t eight = 0;
                    std::memcpy(&eight, p + i, 8);
                    if (eight == ~uint64_t{0}) {
                        i += 8;
                        continue;
                    }
                }
                const uint8_t v = p[i];
                if (v != 0xFF) {
                    if (bytes == 1) {
                        dst[i] &= v;
                    } else {
                        uint8_t* d = dst + static_cast<size_t>(i) * 3;
                        d[0] &= v;
                        d[1] &= v;
                        d[2] &= v;
                    }
                }
                ++i;
            }
        } else if (bitmap.bpp == 8) {
            for (int col = r.left; col < r.right; ++col, dst += bytes) {
                const uint32_t e = entry(src[col - x]);
                if (e != kWhite) {
                    AndPixel(dst, e, bytes);
                }
            }
        } else {
            const uint32_t e0 = entry(0);
            const uint32_t e1 = entry(1);
            for (int col = r.left; col < r.right; ++col, dst += bytes) {
                const int sx = col - x;
                const uint32_t e = ((src[sx >> 3] >> (7 - (sx & 7))) & 1) ? e1 : e0;
                if (e != kWhite) {
                    AndPixel(dst, e, bytes);
                }
            }
        }
    }
}

uint32_t RasterCanvas::Pixel(int x, int y) const {
    if (x < originX_ || y < originY_ || x >= originX_ + width_ || y >= originY_ + height_) {
        return 0xFFFFFF;
    }
    const uint8_t* p = Row(y - originY_) + static_cast<size_t>(x - originX_) * BytesPerPixel();
    if (grey_) {
        return p[0] * 0x010101u;
    }
    return p[0] | (p[1] << 8) | (p[2] << 16);
}

bool RasterCanvas::IsGrey() const {
    if (grey_) {
        return true;
    }
    for (size_t i = 0; i + 2 < pixels_.size(); i += 3) {
        if (pixels_[i] != pixels_[i + 1] || pixels_[i] != pixels_[i + 2]) {
            return false;
        }
    }
    return true;
}

std::vector<uint8_t> RasterCanvas::GreyPixels() const {
    if (grey_) {
        return pixels_;
    }
    std::vector<uint8_t> grey(static_cast<size_t>(width_) * height_);
    for (size_t i = 0; i < grey.size(); ++i) {
        grey[i] = pixels_[i * 3];
    }
    return grey;
}

std::vector<uint8_t> RasterCanvas::RgbPixels() const {
    if (!grey_) {
        return pixels_;
    }
    std::vector<uint8_t> rgb(pixels_.size() * 3);
    for (size_t i = 0; i < pixels_.size(); ++i) {
        rgb[3 * i] = rgb[3 * i + 1] = rgb[3 * i + 2] = pixels_[i];
    }
    return rgb;
}

}  // namespace quirn

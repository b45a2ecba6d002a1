#include "view/page_bitmap_cache.h"

#include <array>

namespace quirn {

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

// The tables that turn a plane's byte into a colour: the grey ramp, and one table
// per channel that leaves the other two channels white (so three AND transfers
// build the colour).
struct PlaneTables {
    std::array<uint32_t, 256> grey{};
    std::array<std::array<uint32_t, 256>, 3> channel{};

    PlaneTables() {
        for (uint32_t i = 0; i < 256; ++i) {
            grey[i] = i * 0x010101u;
            channel[0][i] = 0xFFFF00u | i;
            channel[1][i] = 0xFF00FFu | (i << 8);
            channel[2][i] = 0x00FFFFu | (i << 16);
        }
    }
};

const PlaneTables& Tables() {
    static const PlaneTables tables;
    return tables;
}

uint8_t Brightness(const uint8_t* rgb) {
    return static_cast<uint8_t>((rgb[0] * 77 + rgb[1] * 150 + rgb[2] * 29 + 128) >> 8);
}

}  // namespace

PageRaster::PageRaster(const RasterCanvas& canvas, bool greys)
    : width_(canvas.Width()), height_(canvas.Height()) {
    const size_t plane = static_cast<size_t>(width_) * height_;
    const bool rgb = canvas.BytesPerPixel() == 3;
    rowColoured_.assign(static_cast<size_t>(height_), 0);
    if (rgb && !greys) {
        for (int row = 0; row < height_ && !coloured_; ++row) {
            const uint8_t* p = canvas.Row(row);
            for (int col = 0; col < width_; ++col, p += 3) {
                if (p[0] != p[1] || p[0] != p[2]) {
                    coloured_ = true;
                    break;
                }
            }
        }
    }
    planes_.resize(coloured_ ? plane * 3 : plane);
    for (int row = 0; row < height_; ++row) {
        const uint8_t* src = canvas.Row(row);
        const size_t at = static_cast<size_t>(height_ - 1 - row) * width_;
        uint8_t* grey = planes_.data() + at;
        if (!rgb) {
            std::copy(src, src + width_, grey);
            continue;
        }
        if (!coloured_) {
            for (int col = 0; col < width_; ++col, src += 3) {
                grey[col] = src[0] == src[1] && src[0] == src[2] ? src[0] : Brightness(src);
            }
            continue;
        }
        uint8_t* green = grey + plane;
        uint8_t* blue = green + plane;
        uint8_t colour = 0;
        for (int col = 0; col < width_; ++col, src += 3) {
            grey[col] = src[0];
            green[col] = src[1];
            blue[col] = src[2];
            colour |= static_cast<uint8_t>((src[0] != src[1]) | (src[0] != src[2]));
        }
        rowColoured_[static_cast<size_t>(row)] = colour;
    }
}

void PageRaster::TransferRows(RasterCanvas& canvas, int x, int y, int top, int bottom,
                              bool colour) const {
    const PlaneTables& tables = Tables();
    const int rows = bottom - top;
    // Rows [top, bottom) of the picture, bottom-up: its last row is stored first.
    const size_t offset = static_cast<size_t>(height_ - bottom) * width_;
    CanvasBitmap bitmap;
    bitmap.width = width_;
    bitmap.rows = rows;
    bitmap.stride = width_;
    bitmap.bpp = 8;
    bitmap.paletteSize = 256;
    if (!colour) {
        bitmap.bits = Plane(0) + offset;
        bitmap.palette = tables.grey.data();
        bitmap.greyRamp = true;
        canvas.AndBitmap(x, y + top, bitmap);
        return;
    }
    for (int channel = 0; channel < 3; ++channel) {
        bitmap.bits = Plane(channel) + offset;
        bitmap.palette = tables.channel[channel].data();
        canvas.AndBitmap(x, y + top, bitmap);
    }
}

void PageRaster::CopyTo(RasterCanvas& canvas, int x, int y) const {
    const CanvasRect area = CanvasRect{x, y, x + width_, y + height_}.Intersect(canvas.ClipBox());
    if (area.Empty()) {
        return;
    }
    canvas.FillRect(area, kWhite);
    const int first = area.top - y;
    const int last = area.bottom - y;
    if (!coloured_) {
        TransferRows(canvas, x, y, first, last, false);
        return;
    }
    // Bands of rows with and without colour: only the coloured ones need the three
    // channel transfers.
    int start = first;
    while (start < last) {
        const bool colour = rowColoured_[static_cast<size_t>(start)] != 0;
        int end = start + 1;
        while (end < last && (rowColoured_[static_cast<size_t>(end)] != 0) == colour) {
            ++end;
        }
        TransferRows(canvas, x, y, start, end, colour);
        start = end;
    }
}

const PageRaster* PageBitmapCache::Find(const PageBitmapKey& key) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->key == key) {
            entries_.splice(entries_.begin(), entries_, it);
            return &entries_.front().raster;
        }
    }
    return nullptr;
}

const PageRaster& PageBitmapCache::Store(const PageBitmapKey& key, PageRaster raster) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->key == key) {
            entries_.erase(it);
            break;
        }
    }
    entries_.push_front(Entry{key, std::move(raster)});
    size_t total = Bytes();
    while (total > budget_ && entries_.size() > 1) {
        total -= entries_.back().raster.Bytes();
        entries_.pop_back();
    }
    return entries_.front().raster;
}

void PageBitmapCache::DropPage(int page) {
    entries_.remove_if([page](const Entry& e) { return e.key.page == page; });
}

size_t PageBitmapCache::Bytes() const {
    size_t total = 0;
    for (const Entry& e : entries_) {
        total += e.raster.Bytes();
    }
    return total;
}

}  // namespace quirn

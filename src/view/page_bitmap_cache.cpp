#include "view/page_bitmap_cache.h"

#include <algorithm>
#include <array>
#include <unordered_map>

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
    colourSpan_.assign(static_cast<size_t>(height_), std::pair<int, int>{0, 0});
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
        int left = width_;
        int right = 0;
        for (int col = 0; col < width_; ++col, src += 3) {
            grey[col] = src[0];
            green[col] = src[1];
            blue[col] = src[2];
            if (src[0] != src[1] || src[0] != src[2]) {
                left = std::min(left, col);
                right = col + 1;
            }
        }
        if (right > 0) {
            colourSpan_[static_cast<size_t>(row)] = {left, right};
        }
    }
    if (coloured_) {
        IndexColours();
    }
}

void PageRaster::IndexColours() {
    // A page with one or two text colours holds few distinct values even with smoothed
    // edges: with at most 256 of them the coloured rows take one indexed transfer
    // instead of three; pages with more keep the three planes.
    const size_t plane = static_cast<size_t>(width_) * height_;
    std::vector<uint8_t> index(plane, 0);
    std::unordered_map<uint32_t, uint8_t> known;
    std::vector<uint32_t> palette;
    for (int row = 0; row < height_; ++row) {
        if (colourSpan_[static_cast<size_t>(row)].second == 0) {
            continue;
        }
        const size_t at = static_cast<size_t>(height_ - 1 - row) * width_;
        const uint8_t* red = planes_.data() + at;
        const uint8_t* green = red + plane;
        const uint8_t* blue = green + plane;
        uint8_t* out = index.data() + at;
        uint32_t last = 0xFFFFFFFF;
        uint8_t lastIndex = 0;
        for (int col = 0; col < width_; ++col) {
            const uint32_t c = red[col] | (green[col] << 8) | (blue[col] << 16);
            if (c != last) {
                auto it = known.find(c);
                if (it == known.end()) {
                    if (palette.size() == 256) {
                        return;  // too many colours: keep the three planes
                    }
                    it = known.emplace(c, static_cast<uint8_t>(palette.size())).first;
                    palette.push_back(c);
                }
                last = c;
                lastIndex = it->second;
            }
            out[col] = lastIndex;
        }
    }
    planes_.resize(plane);
    planes_.insert(planes_.end(), index.begin(), index.end());
    palette_ = std::move(palette);
}

void PageRaster::Transfer(RasterCanvas& canvas, int x, int y, const CanvasRect& part,
                          bool colour) const {
    if (part.Empty()) {
        return;
    }
    const PlaneTables& tables = Tables();
    // Rows [top, bottom) of the picture, bottom-up: its last row is stored first.
    const size_t offset = static_cast<size_t>(height_ - part.bottom) * width_ + part.left;
    CanvasBitmap bitmap;
    bitmap.width = part.Width();
    bitmap.rows = part.Height();
    bitmap.stride = width_;
    bitmap.bpp = 8;
    bitmap.paletteSize = 256;
    if (!colour) {
        bitmap.bits = Plane(0) + offset;
        bitmap.palette = tables.grey.data();
        bitmap.greyRamp = true;
        canvas.AndBitmap(x + part.left, y + part.top, bitmap);
        return;
    }
    if (!palette_.empty()) {
        bitmap.bits = Plane(1) + offset;
        bitmap.palette = palette_.data();
        bitmap.paletteSize = static_cast<int>(palette_.size());
        canvas.AndBitmap(x + part.left, y + part.top, bitmap);
        return;
    }
    for (int channel = 0; channel < 3; ++channel) {
        bitmap.bits = Plane(channel) + offset;
        bitmap.palette = tables.channel[channel].data();
        canvas.AndBitmap(x + part.left, y + part.top, bitmap);
    }
}

void PageRaster::CopyTo(RasterCanvas& canvas, int x, int y) const {
    const CanvasRect area = CanvasRect{x, y, x + width_, y + height_}.Intersect(canvas.ClipBox());
    if (area.Empty()) {
        return;
    }
    canvas.FillRect(area, kWhite);
    const CanvasRect part{area.left - x, area.top - y, area.right - x, area.bottom - y};
    if (!coloured_) {
        Transfer(canvas, x, y, part, false);
        return;
    }
    // Bands of rows with and without colour; within a coloured band only the columns
    // that hold colour need the three channel transfers, the rest is grey.
    int start = part.top;
    while (start < part.bottom) {
        const bool colour = colourSpan_[static_cast<size_t>(start)].second > 0;
        int left = width_;
        int right = 0;
        int end = start;
        while (end < part.bottom && (colourSpan_[static_cast<size_t>(end)].second > 0) == colour) {
            left = std::min(left, colourSpan_[static_cast<size_t>(end)].first);
            right = std::max(right, colourSpan_[static_cast<size_t>(end)].second);
            ++end;
        }
        if (!colour) {
            Transfer(canvas, x, y, CanvasRect{part.left, start, part.right, end}, false);
        } else {
            left = std::clamp(left, part.left, part.right);
            right = std::clamp(right, left, part.right);
            Transfer(canvas, x, y, CanvasRect{part.left, start, left, end}, false);
            Transfer(canvas, x, y, CanvasRect{left, start, right, end}, true);
            Transfer(canvas, x, y, CanvasRect{right, start, part.right, end}, false);
        }
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

// The dark-page mode: colours with their lightness inverted and their hue and
// saturation kept, so that white paper turns black, black ink white, and a red
// stays red. The same transform darkens the editor's colours under a dark desktop.
#pragma once

#include <cstdint>

namespace quirn {

// 0x00RRGGBB (or 0x00BBGGRR: the transform treats the three channels alike) with the
// lightness L of hue-saturation-lightness replaced by 1 - L: each channel c becomes
// c + 255 - (max + min).
constexpr uint32_t InvertLightness(uint32_t rgb) {
    const int a = static_cast<int>((rgb >> 16) & 0xFF);
    const int b = static_cast<int>((rgb >> 8) & 0xFF);
    const int c = static_cast<int>(rgb & 0xFF);
    const int hi = a > b ? (a > c ? a : c) : (b > c ? b : c);
    const int lo = a < b ? (a < c ? a : c) : (b < c ? b : c);
    const int shift = 255 - (hi + lo);
    return (rgb & 0xFF000000u) | static_cast<uint32_t>((a + shift) << 16) |
           static_cast<uint32_t>((b + shift) << 8) | static_cast<uint32_t>(c + shift);
}

static_assert(InvertLightness(0xFFFFFF) == 0x000000 && InvertLightness(0x000000) == 0xFFFFFF);
static_assert(InvertLightness(0xFF0000) == 0xFF0000 && InvertLightness(0x808080) == 0x7F7F7F);

}  // namespace quirn

// TeX font metrics: the widths, heights and depths of a font's characters, scaled to
// the font's size in DVI units. Nothing else of a TFM file (italic corrections,
// ligatures, kerns, parameters) is read.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "dvi/fonts/dvi_font.h"

namespace quirn {

class FileSearch;

// The header facts of a TFM file.
struct TfmHeader {
    int32_t checksum = 0;
    int32_t designSize = 0;  // a fix_word: points times 2^20
    int bc = 0;
    int ec = 0;
};

// Fills font.metrics from the TFM named font.name + ".tfm" (found through `search`,
// with installation allowed), scaled by font.s / font.d; font.c, when not 0, must
// match the TFM's checksum (also not 0). False when the file is missing, unreadable or
// rejected; the metrics are then all 0 or partly filled.
bool LoadMetrics(DviFont& font, FileSearch& search);

// The same on the bytes of a TFM file.
bool LoadMetricsFromBytes(DviFont& font, std::span<const uint8_t> bytes);

// The checksum, design size and character range, or nothing when the counts are
// rejected the way LoadMetrics rejects them.
std::optional<TfmHeader> ReadTfmHeader(std::span<const uint8_t> bytes);

}  // namespace quirn

// Colour texts of \special{color ...}: the models rgb, hsb, cmyk and gray and the
// 68 named colours, turned into 0x00BBGGRR colour values (red in the low byte).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quirn {

class OutputSink;

struct NamedColor {
    const char* name;
    float c, m, y, k;
};

// The named colour table in lookup order (names are case-sensitive).
const NamedColor* NamedColors(int* count);
const NamedColor* FindNamedColor(std::string_view name);

// Parses a colour written as "rgb 1 0 0", "cmyk 0 0 0 1", "gray 0.5",
// "hsb 0.5 1 1" or "Apricot". Failures write their message to `out` (some fail
// silently) and answer nothing.
std::optional<uint32_t> ParseColorSpec(std::string_view text, OutputSink& out);

// The integer conversions on a scale where 32760 stands for 1; results are red,
// green and blue on the same scale.
struct ScaledRgb {
    int32_t r, g, b;
};
ScaledRgb CmykToScaledRgb(double c, double m, double y, double k);
ScaledRgb HsbToScaledRgb(double hue, double saturation, double brightness);

// Fractions 0..1 to a colour value (each channel times 255, truncated).
uint32_t ColorFromFractions(double r, double g, double b);

}  // namespace quirn

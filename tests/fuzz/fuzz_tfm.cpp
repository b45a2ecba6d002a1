// Reads arbitrary bytes as a TFM file at a few font sizes, including a zero design
// size and extreme scales: never out of bounds, never undefined arithmetic.
#include <cstddef>
#include <cstdint>
#include <span>

#include "dvi/fonts/tfm.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    quirn::ReadTfmHeader(bytes);
    struct Size {
        int32_t s, d, c;
    };
    for (const Size& sz :
         {Size{655360, 655360, 0}, Size{0, 0, 1}, Size{INT32_MIN, 1, 0}, Size{INT32_MAX, -1, -1}}) {
        quirn::DviFont font;
        font.s = sz.s;
        font.d = sz.d;
        font.c = sz.c;
        quirn::LoadMetricsFromBytes(font, bytes);
    }
    return 0;
}

#include "dvi/fonts/glyph_bitmap.h"

namespace quirn {

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

}  // namespace

DibHeaders::DibHeaders() {
    mono_.bitCount = 1;
    mono_.colourCount = 2;
    mono_.colours[0] = 0;
    mono_.colours[1] = kWhite;

    grey_.bitCount = 8;
    grey_.colourCount = 256;
    for (uint32_t i = 0; i < 256; ++i) {
        grey_.colours[i] = i | i << 8 | i << 16;
    }

    coloured_.bitCount = 1;
    coloured_.colourCount = 2;
}

const DibInfo& DibHeaders::DibHeader(int32_t width, int32_t rows, int32_t bpp, uint32_t colour) {
    DibInfo* info = &mono_;
    if (bpp == 8) {
        info = &grey_;
    } else if (bpp == 24 || bpp == 32) {
        info = &direct_;
        direct_.bitCount = static_cast<uint16_t>(bpp);
    } else if (bpp == 1 && colour != 0) {
        info = &coloured_;
        coloured_.colours[0] = colour & 0xFFFFFF;
        coloured_.colours[1] = kWhite;
    }
    info->width = width;
    info->height = rows;
    return *info;
}

}  // namespace quirn

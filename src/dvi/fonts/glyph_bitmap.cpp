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

    colouredGrey_.bitCount = 8;
    colouredGrey_.colourCount = 256;
}

void DibHeaders::FillColouredGrey(uint32_t colour) {
    // Entry i covers the pixel by (255 - i) / 255: each channel goes from white toward
    // the colour's channel in proportion, rounded to the nearest level.
    colour &= kWhite;
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t entry = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            const uint32_t c = (colour >> shift) & 0xFF;
            const uint32_t v = 255 - ((255 - c) * (255 - i) + 127) / 255;
            entry |= v << shift;
        }
        colouredGrey_.colours[i] = entry;
    }
    colouredGreyColour_ = colour;
}

const DibInfo& DibHeaders::DibHeader(int32_t width, int32_t rows, int32_t bpp, uint32_t colour) {
    DibInfo* info = &mono_;
    if (bpp == 8 && (colour & kWhite) != 0) {
        info = &colouredGrey_;
        if ((colour & kWhite) != colouredGreyColour_) {
            FillColouredGrey(colour);
        }
    } else if (bpp == 8) {
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

// Glyph bitmap geometry and the bitmap-information blocks of glyph drawing.
#include <gtest/gtest.h>

#include "dvi/fonts/glyph_bitmap.h"

namespace quirn {
namespace {

TEST(GlyphBitmap, RowsArePaddedToWholeWords) {
    EXPECT_EQ(GlyphStride(1, 1), 4);
    EXPECT_EQ(GlyphStride(17, 1), 4);
    EXPECT_EQ(GlyphStride(32, 1), 4);
    EXPECT_EQ(GlyphStride(33, 1), 8);
    EXPECT_EQ(GlyphStride(17, 8), 20);
    EXPECT_EQ(GlyphStride(20, 8), 20);
    EXPECT_EQ(GlyphStride(3, 24), 12);
    EXPECT_EQ(GlyphStride(0, 1), 0);
}

TEST(DibHeaders, ColourTablesFollowDepthAndColour) {
    DibHeaders headers;
    const DibInfo& mono = headers.DibHeader(17, 9, 1, 0);
    EXPECT_EQ(mono.width, 17);
    EXPECT_EQ(mono.height, 9);  // positive: bottom-up
    EXPECT_EQ(mono.planes, 1);
    EXPECT_EQ(mono.bitCount, 1);
    EXPECT_EQ(mono.compression, 0u);
    ASSERT_EQ(mono.colourCount, 2);
    EXPECT_EQ(mono.colours[0], 0x000000u);
    EXPECT_EQ(mono.colours[1], 0xFFFFFFu);
    // The black-and-white block is reused; only its size changes.
    EXPECT_EQ(&headers.DibHeader(5, 6, 1, 0), &mono);
    EXPECT_EQ(mono.width, 5);

    const DibInfo& red = headers.DibHeader(8, 8, 1, 0x0000FF);
    EXPECT_NE(&red, &mono);
    EXPECT_EQ(red.colours[0], 0x0000FFu);
    EXPECT_EQ(red.colours[1], 0xFFFFFFu);
    EXPECT_EQ(headers.DibHeader(8, 8, 1, 0x12345678).colours[0], 0x345678u);

    const DibInfo& grey = headers.DibHeader(20, 3, 8, 0);
    EXPECT_EQ(grey.bitCount, 8);
    ASSERT_EQ(grey.colourCount, 256);
    EXPECT_EQ(grey.colours[0], 0x000000u);
    EXPECT_EQ(grey.colours[0x80], 0x808080u);
    EXPECT_EQ(grey.colours[255], 0xFFFFFFu);

    // Coloured smoothing: full coverage is the colour, no coverage white, and the
    // steps between mix each channel with white by coverage.
    const DibInfo& red8 = headers.DibHeader(20, 3, 8, 0x0000FF);
    EXPECT_NE(&red8, &grey);
    EXPECT_EQ(red8.bitCount, 8);
    ASSERT_EQ(red8.colourCount, 256);
    EXPECT_EQ(red8.colours[0], 0x0000FFu);
    EXPECT_EQ(red8.colours[0x80], 0x8080FFu);
    EXPECT_EQ(red8.colours[255], 0xFFFFFFu);
    EXPECT_EQ(headers.DibHeader(2, 2, 8, 0x406080).colours[0], 0x406080u);
    EXPECT_EQ(headers.DibHeader(2, 2, 8, 0x406080).colours[0xFF - 0x33], 0xD9DFE6u);
    EXPECT_EQ(headers.DibHeader(2, 2, 8, 0x0000FF).colours[0x80], 0x8080FFu);

    EXPECT_EQ(headers.DibHeader(4, 4, 24, 0).colourCount, 0);
    EXPECT_EQ(headers.DibHeader(4, 4, 32, 0).bitCount, 32);
    const DibInfo& odd = headers.DibHeader(4, 4, 4, 0x00FF00);
    EXPECT_EQ(odd.bitCount, 1);
    EXPECT_EQ(odd.colours[0], 0u);
}

}  // namespace
}  // namespace quirn

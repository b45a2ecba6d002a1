#include "platform/raster_canvas.h"

#include <gtest/gtest.h>

#include <array>

namespace quirn {
namespace {

TEST(RasterCanvas, RectanglesAndClipping) {
    RasterCanvas canvas(10, 8, 100, 200);
    EXPECT_EQ(canvas.Pixel(100, 200), 0xFFFFFFu);
    canvas.FillRect({98, 198, 102, 201}, 0x0000FF);  // red, partly outside
    EXPECT_EQ(canvas.Pixel(100, 200), 0x0000FFu);
    EXPECT_EQ(canvas.Pixel(101, 200), 0x0000FFu);
    EXPECT_EQ(canvas.Pixel(102, 200), 0xFFFFFFu);  // right edge excluded
    EXPECT_EQ(canvas.Pixel(100, 201), 0xFFFFFFu);  // bottom edge excluded
    EXPECT_FALSE(canvas.IsGrey());

    canvas.SetClip({105, 204, 200, 300});
    EXPECT_EQ(canvas.ClipBox().right, 110);  // never past the canvas
    canvas.FillRect({100, 200, 110, 208}, 0x000000);
    EXPECT_EQ(canvas.Pixel(104, 205), 0xFFFFFFu);
    EXPECT_EQ(canvas.Pixel(105, 204), 0u);
    EXPECT_EQ(canvas.Pixel(109, 207), 0u);
    canvas.FillBackground();
    EXPECT_EQ(canvas.Pixel(109, 207), 0xFFFFFFu);
    EXPECT_EQ(canvas.Pixel(100, 200), 0x0000FFu);
}

TEST(RasterCanvas, AndTransferOfBottomUpBitmaps) {
    RasterCanvas canvas(8, 4);
    canvas.FillRect({0, 0, 8, 4}, 0x80FF40);
    // 1-bit, 3 x 2, stride 4: bit 0 selects the colour, bit 1 white. The first row
    // stored is the bottom one.
    const std::array<uint8_t, 8> mono = {0b01011111, 0, 0, 0, 0b11111111, 0, 0, 0};
    const uint32_t palette[2] = {0x00FF0F, 0xFFFFFF};
    canvas.AndBitmap(2, 1, CanvasBitmap{mono.data(), 3, 2, 4, 1, palette, 2});
    EXPECT_EQ(canvas.Pixel(2, 1), 0x80FF40u);             // top row: all white bits
    EXPECT_EQ(canvas.Pixel(2, 2), 0x80FF40u & 0x00FF0F);  // bottom row, bit 0
    EXPECT_EQ(canvas.Pixel(3, 2), 0x80FF40u);
    EXPECT_EQ(canvas.Pixel(4, 2), 0x80FF40u & 0x00FF0F);

    // 8-bit grey with the grey table: each channel ANDed with the grey level, also
    // where glyphs overlap; partly outside the canvas is clipped.
    uint32_t grey[256];
    for (uint32_t i = 0; i < 256; ++i) {
        grey[i] = i | (i << 8) | (i << 16);
    }
    canvas.FillBackground();
    const std::array<uint8_t, 8> aa = {255, 0x0F, 0xF0, 255, 0x80, 255, 255, 255};
    canvas.AndBitmap(0, 2, CanvasBitmap{aa.data(), 4, 2, 4, 8, grey, 256});
    EXPECT_EQ(canvas.Pixel(0, 2), 0x808080u);  // top row is the second row stored
    EXPECT_EQ(canvas.Pixel(1, 2), 0xFFFFFFu);
    EXPECT_EQ(canvas.Pixel(0, 3), 0xFFFFFFu);
    EXPECT_EQ(canvas.Pixel(1, 3), 0x0F0F0Fu);
    EXPECT_EQ(canvas.Pixel(2, 3), 0xF0F0F0u);
    // Overlapping transfers AND together; a bitmap partly left of the canvas is clipped.
    canvas.AndBitmap(-1, 3, CanvasBitmap{aa.data(), 4, 1, 4, 8, grey, 256});
    EXPECT_EQ(canvas.Pixel(0, 3), 0x0F0F0Fu);
    EXPECT_EQ(canvas.Pixel(1, 3), 0x0F0F0Fu & 0xF0F0F0u);
    EXPECT_EQ(canvas.Pixel(2, 3), 0xF0F0F0u);
    EXPECT_TRUE(canvas.IsGrey());
    EXPECT_EQ(canvas.GreyPixels()[3 * 8 + 1], 0x00);
    EXPECT_EQ(canvas.GreyPixels()[2 * 8 + 0], 0x80);
}

}  // namespace
}  // namespace quirn

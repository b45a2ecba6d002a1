#include "platform/raster_canvas.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>

#include "graphics/image_readers.h"
#include "platform/paths.h"
#include "platform/raster_canvas_png.h"
#include "support/test_support.h"

namespace quirn {
namespace {

TEST(RasterCanvas, RectanglesAndClipping) {
    RasterCanvas canvas(10, 8, 100, 200);
    EXPECT_EQ(canvas.Pixel(100, 200), 0xFFFFFFu);
    // Grey drawing keeps one byte a pixel; the first colour turns the picture to RGB
    // with the same colours.
    canvas.FillRect({108, 206, 110, 208}, 0x404040);
    EXPECT_EQ(canvas.BytesPerPixel(), 1);
    canvas.FillRect({98, 198, 102, 201}, 0x0000FF);  // red, partly outside
    EXPECT_EQ(canvas.BytesPerPixel(), 3);
    EXPECT_EQ(canvas.Pixel(109, 207), 0x404040u);
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
    canvas.AndBitmap(0, 2, CanvasBitmap{aa.data(), 4, 2, 4, 8, grey, 256, true});
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
    // The same transfers on a grey picture give the same pixels.
    RasterCanvas grey8(8, 4);
    grey8.AndBitmap(0, 2, CanvasBitmap{aa.data(), 4, 2, 4, 8, grey, 256, true});
    grey8.AndBitmap(-1, 3, CanvasBitmap{aa.data(), 4, 1, 4, 8, grey, 256});
    EXPECT_EQ(grey8.BytesPerPixel(), 1);
    EXPECT_EQ(grey8.GreyPixels(), canvas.GreyPixels());
    EXPECT_EQ(grey8.RgbPixels(), canvas.RgbPixels());
    EXPECT_EQ(canvas.GreyPixels()[2 * 8 + 0], 0x80);
}

TEST(RasterCanvas, DirtyPartFollowsDrawing) {
    RasterCanvas canvas(50, 40, 10, 10);
    EXPECT_TRUE(canvas.Dirty().Empty());
    canvas.FillRect({20, 20, 30, 25}, 0x123456);
    canvas.AndBitmap(40, 40, CanvasBitmap{});  // nothing to transfer
    EXPECT_EQ(canvas.Dirty().left, 20);
    EXPECT_EQ(canvas.Dirty().bottom, 25);
    // A partial clear keeps the dirty part; clearing all of it empties it.
    canvas.FillRect({20, 20, 25, 25}, 0xFFFFFF);
    EXPECT_EQ(canvas.Pixel(22, 22), 0xFFFFFFu);
    EXPECT_EQ(canvas.Pixel(27, 22), 0x123456u);
    EXPECT_FALSE(canvas.Dirty().Empty());
    canvas.FillBackground();
    EXPECT_TRUE(canvas.Dirty().Empty());
    EXPECT_EQ(canvas.Pixel(27, 22), 0xFFFFFFu);
    canvas.SetBackground(0x00FF00);
    canvas.FillBackground();
    EXPECT_EQ(canvas.Pixel(59, 49), 0x00FF00u);
}

// Writes `canvas`, reads the file back with the ordinary PNG reader and compares.
void ExpectRoundTrip(const RasterCanvas& canvas, CanvasPngFormat format, const std::string& path) {
    std::string error;
    ASSERT_TRUE(WriteCanvasPng(canvas, path, format, 150, &error)) << error;
    std::vector<uint8_t> bytes;
    RgbImage image;
    ASSERT_TRUE(ReadFileBytes(path, &bytes, &error)) << error;
    ASSERT_TRUE(ReadBitmap(bytes, ImageReadMode::Full, &image, &error)) << error;
    ASSERT_EQ(image.width, canvas.Width());
    ASSERT_EQ(image.height, canvas.Height());
    EXPECT_NEAR(image.dpiX, 150, 0.01);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const uint32_t c = canvas.Pixel(canvas.OriginX() + x, canvas.OriginY() + y);
            const uint8_t* p = image.Pixel(x, y);
            const uint32_t got = p[0] | (p[1] << 8) | (p[2] << 16);
            const uint32_t want = format == CanvasPngFormat::Grey ? (c & 0xFF) * 0x010101 : c;
            ASSERT_EQ(got, want) << x << "," << y;
        }
    }
}

TEST(RasterCanvas, PngFilesDecodeToTheSamePixels) {
    test::TempDir dir;
    std::mt19937 random(7);
    // Blank rows, repeated rows, runs, noise and colour, at an odd origin.
    RasterCanvas canvas(301, 97, -5, 3);
    canvas.FillRect({20, 10, 200, 12}, 0x000000);
    canvas.FillRect({0, 40, 296, 41}, 0x808080);
    for (int y = 50; y < 70; ++y) {
        for (int x = 0; x < 120; x += 1 + static_cast<int>(random() % 3)) {
            const uint32_t g = random() % 256;
            canvas.FillRect({x, y, x + 1, y + 1}, g * 0x010101);
        }
    }
    ExpectRoundTrip(canvas, CanvasPngFormat::Grey, dir.File("grey.png"));
    canvas.FillRect({100, 80, 140, 90}, 0x0000FF);
    canvas.FillRect({130, 85, 290, 99}, 0x12AB34);
    ExpectRoundTrip(canvas, CanvasPngFormat::Rgb, dir.File("rgb.png"));
    RasterCanvas blank(1, 1);
    ExpectRoundTrip(blank, CanvasPngFormat::Grey, dir.File("one.png"));
    // Rows longer than deflate's window are encoded without references upwards.
    RasterCanvas wide(11000, 4);
    wide.FillRect({10, 1, 10990, 3}, 0x4080C0);
    ExpectRoundTrip(wide, CanvasPngFormat::Rgb, dir.File("wide.png"));

    std::string error;
    EXPECT_FALSE(
        WriteCanvasPng(canvas, dir.File("no/such/dir.png"), CanvasPngFormat::Rgb, 0, &error));
    EXPECT_NE(error.find("cannot create"), std::string::npos);
    EXPECT_FALSE(
        WriteCanvasPng(RasterCanvas(), dir.File("empty.png"), CanvasPngFormat::Rgb, 0, &error));
}

// Pictures written on the encoder threads come out as the synchronous writer writes
// them, every one of them, whichever thread took it; after a failed write nothing more
// is taken and the reason is kept.
TEST(RasterCanvas, BackgroundWriterWritesEveryPictureAndStopsAtAFailure) {
    test::TempDir dir;
    BackgroundPngWriter writer(2);
    RasterCanvas canvas;
    for (int i = 0; i < 9; ++i) {
        canvas = RasterCanvas(64, 40);
        canvas.FillRect({i, i, i + 30, i + 3}, 0x202020u * static_cast<uint32_t>(i));
        std::string error;
        ASSERT_TRUE(WriteCanvasPng(canvas, dir.File("sync" + std::to_string(i) + ".png"),
                                   CanvasPngFormat::Grey, 150, &error));
        ASSERT_TRUE(writer.Submit(canvas, dir.File("bg" + std::to_string(i) + ".png"),
                                  CanvasPngFormat::Grey, 150));
    }
    ASSERT_TRUE(writer.Finish()) << writer.Error();
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(test::ReadFile(dir.File("bg" + std::to_string(i) + ".png")),
                  test::ReadFile(dir.File("sync" + std::to_string(i) + ".png")))
            << i;
    }

    BackgroundPngWriter failing(2);
    canvas = RasterCanvas(8, 8);
    ASSERT_TRUE(failing.Submit(canvas, dir.File("no/such/dir.png"), CanvasPngFormat::Grey, 0));
    EXPECT_FALSE(failing.Finish());
    EXPECT_NE(failing.Error().find("cannot create"), std::string::npos) << failing.Error();
    canvas = RasterCanvas(8, 8);
    EXPECT_FALSE(failing.Submit(canvas, dir.File("later.png"), CanvasPngFormat::Grey, 0));
    EXPECT_FALSE(RegularFileExists(dir.File("later.png")));
}

}  // namespace
}  // namespace quirn

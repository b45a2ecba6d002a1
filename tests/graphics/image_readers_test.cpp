#include "graphics/image_readers.h"

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <random>

#include "graphics/ghostscript_render.h"
#include "graphics/postscript_image.h"
#include "support/test_support.h"

namespace quirn::test {
namespace {

std::vector<uint8_t> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}

void Le16(std::string* s, uint32_t v) {
    s->push_back(static_cast<char>(v & 0xff));
    s->push_back(static_cast<char>((v >> 8) & 0xff));
}
void Le32(std::string* s, uint32_t v) {
    Le16(s, v & 0xffff);
    Le16(s, v >> 16);
}

// A bitmap file with a 40-byte (or 12-byte OS/2) header; `extra` follows the header
// (bit masks), palette entries are 0xRRGGBB.
std::string MakeBmp(int infoSize, int32_t w, int32_t h, int bits, uint32_t compression,
                    const std::vector<uint32_t>& palette, const std::string& extra,
                    const std::string& pixels, uint32_t perMetre = 0) {
    std::string info;
    size_t entry = infoSize == 12 ? 3 : 4;
    if (infoSize == 12) {
        Le32(&info, 12), Le16(&info, w), Le16(&info, h), Le16(&info, 1), Le16(&info, bits);
    } else {
        Le32(&info, infoSize), Le32(&info, w), Le32(&info, h), Le16(&info, 1), Le16(&info, bits);
        Le32(&info, compression), Le32(&info, static_cast<uint32_t>(pixels.size()));
        Le32(&info, perMetre), Le32(&info, perMetre), Le32(&info, palette.size()), Le32(&info, 0);
        info.resize(infoSize, '\0');
    }
    info += extra;
    for (uint32_t c : palette) {
        info.push_back(static_cast<char>(c & 0xff));
        info.push_back(static_cast<char>((c >> 8) & 0xff));
        info.push_back(static_cast<char>(c >> 16));
        if (entry == 4)
            info.push_back('\0');
    }
    std::string file = "BM";
    uint32_t offset = 14 + static_cast<uint32_t>(info.size());
    Le32(&file, offset + static_cast<uint32_t>(pixels.size())), Le32(&file, 0), Le32(&file, offset);
    return file + info + pixels;
}

RgbImage ReadOk(const std::string& bytes) {
    RgbImage image;
    std::string error;
    EXPECT_TRUE(ReadBitmap(Bytes(bytes), ImageReadMode::Full, &image, &error)) << error;
    return image;
}

// Pictures of the red and blue page in each format, made once by the interpreter.
class InterpreterPictures : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        std::string page = RedBluePage(*dir_);
        for (const char* device : {"png16m", "pnggray", "jpeg", "jpeggray", "jpegcmyk", "tiff24nc",
                                   "tiffg4", "bmp16m", "bmp256", "bmpmono"}) {
            ASSERT_EQ(RunGhostscript(device, 144, "", page, Picture(device)), 0) << device;
        }
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static std::string Picture(const std::string& device) {
        return dir_->File("picture." + device);
    }
    static TempDir* dir_;
};
TempDir* InterpreterPictures::dir_ = nullptr;

TEST_F(InterpreterPictures, ReadWithTheirResolution) {
    struct Case {
        const char* device;
        bool colour;
        double dpi;  // the resolution the file declares (an Adobe CMYK JPEG gives none)
    };
    const Case cases[] = {{"png16m", true, 144},  {"pnggray", false, 144},
                          {"jpeg", true, 144},    {"jpeggray", false, 144},
                          {"jpegcmyk", true, 0},  {"tiff24nc", true, 144},
                          {"tiffg4", false, 144}, {"bmp16m", true, 144},
                          {"bmp256", true, 144},  {"bmpmono", false, 144}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.device);
        std::string file = Picture(c.device);
        RgbImage image;
        std::string error;
        ASSERT_TRUE(ReadImageFile(file, ImageReadMode::Full, &image, &error)) << error;
        EXPECT_EQ(image.width, 80);
        EXPECT_EQ(image.height, 60);
        EXPECT_DOUBLE_EQ(image.dpiX, c.dpi);
        EXPECT_DOUBLE_EQ(image.dpiY, c.dpi);
        Rgb left = PixelAt(image, 10, 30), right = PixelAt(image, 70, 30);
        if (c.colour) {
            // CMYK goes through the interpreter's colour profiles: only the hue is sure.
            int tolerance = std::string(c.device) == "jpegcmyk" ? 70 : 40;
            EXPECT_TRUE(Near(left, kRed, tolerance)) << left.r << " " << left.g << " " << left.b;
            EXPECT_TRUE(Near(right, kBlue, tolerance))
                << right.r << " " << right.g << " " << right.b;
        } else {
            // Red is lighter than blue in grey; the bilevel devices dither both to black.
            EXPECT_EQ(left.r, left.g);
            EXPECT_GE(left.r, right.r);
        }
        RgbImage header;
        ASSERT_TRUE(ReadImageFile(file, ImageReadMode::HeaderOnly, &header, &error)) << error;
        EXPECT_EQ(header.width, 80);
        EXPECT_EQ(header.height, 60);
        EXPECT_TRUE(header.pixels.empty());
    }
}

TEST(ImageReaders, PngWriterRoundTripsRgbAndGreyWithPaddedRows) {
    TempDir dir;
    const int w = 5, h = 3;
    const size_t stride = 20;  // wider than 5 * 3
    std::vector<uint8_t> rgb(stride * h, 0xee), grey(8 * h, 0xee);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            rgb[y * stride + x * 3] = static_cast<uint8_t>(x * 50);
            rgb[y * stride + x * 3 + 1] = static_cast<uint8_t>(y * 100);
            rgb[y * stride + x * 3 + 2] = 7;
            grey[y * 8 + x] = static_cast<uint8_t>(x * 10 + y);
        }
    }
    std::string error;
    ASSERT_TRUE(WritePng(dir.File("rgb.png"), w, h, 3, rgb.data(), stride, &error, 300)) << error;
    ASSERT_TRUE(WritePng(dir.File("grey.png"), w, h, 1, grey.data(), 8, &error)) << error;
    RgbImage a, b;
    ASSERT_TRUE(ReadImageFile(dir.File("rgb.png"), ImageReadMode::Full, &a, &error)) << error;
    ASSERT_TRUE(ReadImageFile(dir.File("grey.png"), ImageReadMode::Full, &b, &error)) << error;
    EXPECT_DOUBLE_EQ(a.dpiX, 300);
    EXPECT_EQ(b.dpiX, 0);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            EXPECT_EQ(a.Pixel(x, y)[0], x * 50);
            EXPECT_EQ(a.Pixel(x, y)[1], y * 100);
            EXPECT_EQ(a.Pixel(x, y)[2], 7);
            EXPECT_EQ(b.Pixel(x, y)[0], x * 10 + y);
            EXPECT_EQ(b.Pixel(x, y)[2], x * 10 + y);
        }
    }
    EXPECT_FALSE(WritePng(dir.File("x.png"), w, h, 2, rgb.data(), stride, &error));
    EXPECT_FALSE(WritePng(dir.Path() + "/missing/x.png", w, h, 3, rgb.data(), stride, &error));
    EXPECT_NE(error.find("cannot create"), std::string::npos);
}

// Writes a PNG of any colour type with libpng itself; `rows` hold the packed samples.
void WriteRawPng(const std::string& path, int w, int h, int colourType, int depth, bool interlace,
                 const std::vector<std::vector<uint8_t>>& rows,
                 const std::vector<png_color>& palette = {},
                 const std::vector<uint8_t>& transparency = {}) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, w, h, depth, colourType,
                 interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty())
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    if (!transparency.empty()) {
        png_set_tRNS(png, info, transparency.data(), static_cast<int>(transparency.size()),
                     nullptr);
    }
    png_write_info(png, info);
    std::vector<png_bytep> pointers;
    for (const auto& row : rows)
        pointers.push_back(const_cast<png_bytep>(row.data()));
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}

TEST(ImageReaders, PngColourTypesInterlaceAndTransparency) {
    TempDir dir;
    // Interlaced palette picture, index 0 transparent: a red diagonal on a clear ground.
    std::vector<std::vector<uint8_t>> rows(9, std::vector<uint8_t>(9, 0));
    for (int i = 0; i < 9; ++i)
        rows[i][i] = 1;
    WriteRawPng(dir.File("pal.png"), 9, 9, PNG_COLOR_TYPE_PALETTE, 8, true, rows,
                {{0, 0, 0}, {255, 0, 0}}, {0});
    RgbImage image = ReadOk(ReadFile(dir.File("pal.png")));
    ASSERT_EQ(image.width, 9);
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 9; ++x)
            EXPECT_TRUE(Near(PixelAt(image, x, y), x == y ? kRed : kWhite, 0)) << x << "," << y;
    }
    // 16-bit RGBA: half-covered blue over white.
    std::vector<std::vector<uint8_t>> rgba(1, {0, 0, 0, 0, 0xff, 0xff, 0x80, 0x00});
    WriteRawPng(dir.File("rgba.png"), 1, 1, PNG_COLOR_TYPE_RGB_ALPHA, 16, false, rgba);
    image = ReadOk(ReadFile(dir.File("rgba.png")));
    EXPECT_TRUE(Near(PixelAt(image, 0, 0), {127, 127, 255}, 1));
    // A header that declares a huge picture over a few bytes of data.
    std::string big = ReadFile(dir.File("pal.png"));
    big.replace(16, 8, std::string("\x00\x00\x20\x00\x00\x00\x20\x00", 8));
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(big.data() + 12), 17);
    for (int k = 0; k < 4; ++k)
        big[29 + k] = static_cast<char>((crc >> (24 - 8 * k)) & 0xff);
    RgbImage refused;
    std::string error;
    EXPECT_FALSE(ReadBitmap(Bytes(big), ImageReadMode::Full, &refused, &error));
    EXPECT_NE(error.find("too little image data"), std::string::npos) << error;
}

TEST(ImageReaders, BitmapFilesOfEveryLayout) {
    const std::vector<uint32_t> pal = {0x000000, 0xff0000, 0x00ff00, 0x0000ff};
    auto expect = [](const RgbImage& image, int x, int y, uint32_t rgb) {
        const uint8_t* p = image.Pixel(x, y);
        EXPECT_EQ((p[0] << 16) | (p[1] << 8) | p[2], rgb) << "at " << x << "," << y;
    };
    {  // 1 bit, bottom-up, rows padded to 4 bytes; 2835 pixels per metre is 72 dpi
        RgbImage image = ReadOk(MakeBmp(40, 10, 2, 1, 0, {0x000000, 0xffffff}, "",
                                        std::string("\xc0\x40\0\0\x01\x80\0\0", 8), 2835));
        ASSERT_EQ(image.width, 10);
        EXPECT_DOUBLE_EQ(image.dpiX, 72);
        expect(image, 0, 1, 0xffffff), expect(image, 1, 1, 0xffffff), expect(image, 2, 1, 0);
        expect(image, 9, 1, 0xffffff), expect(image, 7, 0, 0xffffff), expect(image, 0, 0, 0);
    }
    {  // 24 bit, top-down (negative height), BGR order
        std::string px("\x00\x00\xff\xff\x00\x00\0\0\x00\xff\x00\x00\x00\x00\0\0", 16);
        RgbImage image = ReadOk(MakeBmp(40, 2, -2, 24, 0, {}, "", px));
        expect(image, 0, 0, 0xff0000), expect(image, 1, 0, 0x0000ff);
        expect(image, 0, 1, 0x00ff00), expect(image, 1, 1, 0x000000);
    }
    {  // 8-bit run lengths: literal run, repeat, end of line, move, end of bitmap
        std::string rle(
            "\x00\x03\x01\x02\x03\x00\x01\x01\x00\x00"
            "\x00\x02\x02\x00\x02\x03\x00\x01",
            18);
        RgbImage image = ReadOk(MakeBmp(40, 4, 2, 8, 1, pal, "", rle));
        expect(image, 0, 1, 0xff0000), expect(image, 1, 1, 0x00ff00);
        expect(image, 2, 1, 0x0000ff), expect(image, 3, 1, 0xff0000);
        expect(image, 0, 0, 0x000000), expect(image, 2, 0, 0x0000ff), expect(image, 3, 0, 0x0000ff);
    }
    {  // 4-bit run lengths
        RgbImage image =
            ReadOk(MakeBmp(40, 4, 1, 4, 2, pal, "", std::string("\x04\x12\x00\x01", 4)));
        expect(image, 0, 0, 0xff0000), expect(image, 1, 0, 0x00ff00), expect(image, 2, 0, 0xff0000);
    }
    {  // 16 bit with 5-6-5 bit fields after the header
        std::string masks;
        Le32(&masks, 0xf800), Le32(&masks, 0x07e0), Le32(&masks, 0x001f);
        RgbImage image =
            ReadOk(MakeBmp(40, 2, 1, 16, 3, {}, masks, std::string("\x00\xf8\x1f\x00", 4)));
        expect(image, 0, 0, 0xff0000), expect(image, 1, 0, 0x0000ff);
    }
    {  // 32 bit with an alpha mask: half-transparent black shows grey on white
        std::string masks;
        Le32(&masks, 0xff0000), Le32(&masks, 0xff00), Le32(&masks, 0xff), Le32(&masks, 0xff000000);
        RgbImage image = ReadOk(MakeBmp(40, 1, 1, 32, 6, {}, masks, std::string("\0\0\0\x80", 4)));
        EXPECT_NEAR(image.Pixel(0, 0)[0], 127, 1);
    }
    {  // OS/2 header with a three-byte palette
        RgbImage image = ReadOk(MakeBmp(12, 2, 1, 8, 0, pal, "", std::string("\x03\x02\0\0", 4)));
        expect(image, 0, 0, 0x0000ff), expect(image, 1, 0, 0x00ff00);
    }
}

TEST(ImageReaders, GifOnItsScreenWithTransparencyAndInterlace) {
    TempDir dir;
    std::string path = dir.File("p.gif");
    int code = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &code);
    ASSERT_NE(gif, nullptr);
    GifColorType colours[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    ColorMapObject* map = GifMakeMapObject(4, colours);
    EGifSetGifVersion(gif, true);
    ASSERT_EQ(EGifPutScreenDesc(gif, 6, 10, 2, 0, map), GIF_OK);
    const GifByteType control[4] = {1, 0, 0, 0};  // colour 0 is transparent
    ASSERT_EQ(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control), GIF_OK);
    // An interlaced 2 x 8 picture at (1, 1); row r has colour 1 + r % 3, and its first
    // pixel is transparent on row 0.
    ASSERT_EQ(EGifPutImageDesc(gif, 1, 1, 2, 8, true, nullptr), GIF_OK);
    const int order[] = {0, 4, 2, 6, 1, 3, 5, 7};
    for (int r : order) {
        GifPixelType line[2] = {static_cast<GifPixelType>(r == 0 ? 0 : 1 + r % 3),
                                static_cast<GifPixelType>(1 + r % 3)};
        ASSERT_EQ(EGifPutLine(gif, line, 2), GIF_OK);
    }
    ASSERT_EQ(EGifCloseFile(gif, &code), GIF_OK);
    GifFreeMapObject(map);

    RgbImage image;
    std::string error;
    ASSERT_TRUE(ReadImageFile(path, ImageReadMode::Full, &image, &error)) << error;
    ASSERT_EQ(image.width, 6);
    ASSERT_EQ(image.height, 10);
    const Rgb kColours[] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    EXPECT_TRUE(Near(PixelAt(image, 0, 0), kWhite, 0));  // outside the picture
    EXPECT_TRUE(Near(PixelAt(image, 1, 1), kWhite, 0));  // transparent
    for (int r = 0; r < 8; ++r) {
        EXPECT_TRUE(Near(PixelAt(image, 2, 1 + r), kColours[r % 3], 0)) << "row " << r;
    }
    EXPECT_TRUE(Near(PixelAt(image, 3, 5), kWhite, 0));
}

TEST_F(InterpreterPictures, DamagedFilesGiveMessagesNotCrashes) {
    TempDir dir;
    std::vector<std::string> files;
    for (const char* device : {"png16m", "jpeg", "tiff24nc", "bmp16m"}) {
        files.push_back(ReadFile(Picture(device)));
    }
    files.push_back(
        MakeBmp(40, 4, 2, 8, 1, {0, 0xff}, "", std::string("\x04\x01\x00\x00\x04\x01", 6)));
    for (const std::string& whole : files) {
        // Every cut must come back; a cut inside the header must fail with a message.
        for (size_t cut :
             {size_t{0}, size_t{3}, size_t{12}, size_t{40}, whole.size() / 2, whole.size() - 1}) {
            RgbImage image;
            std::string error;
            bool ok = ReadBitmap(Bytes(whole.substr(0, cut)), ImageReadMode::Full, &image, &error);
            if (cut <= 40) {
                EXPECT_FALSE(ok) << cut;
            }
            if (!ok) {
                EXPECT_FALSE(error.empty());
            }
        }
    }
    // A flipped byte in PNG image data breaks its checksum.
    std::string png = files[0];
    png[png.size() - 30] ^= 0x55;
    RgbImage image;
    std::string error;
    EXPECT_FALSE(ReadBitmap(Bytes(png), ImageReadMode::Full, &image, &error));
    EXPECT_NE(error.find("damaged PNG file"), std::string::npos) << error;

    // Absurd sizes are refused before anything is allocated.
    EXPECT_FALSE(ReadBitmap(Bytes(MakeBmp(40, 100000, 100000, 24, 0, {}, "", "abc")),
                            ImageReadMode::Full, &image, &error));
    EXPECT_NE(error.find("too large"), std::string::npos) << error;
    EXPECT_FALSE(ReadBitmap(Bytes(MakeBmp(40, 5000, 5000, 24, 0, {}, "", std::string(100, 'x'))),
                            ImageReadMode::Full, &image, &error));
    EXPECT_NE(error.find("cut off"), std::string::npos) << error;
    EXPECT_FALSE(ReadBitmap(Bytes(MakeBmp(40, -3, 2, 24, 0, {}, "", std::string(100, 'x'))),
                            ImageReadMode::Full, &image, &error));
    EXPECT_FALSE(ReadBitmap(Bytes(MakeBmp(40, 3, 2, 7, 0, {}, "", std::string(100, 'x'))),
                            ImageReadMode::Full, &image, &error));
    EXPECT_NE(error.find("bits per pixel"), std::string::npos) << error;
    EXPECT_FALSE(ReadBitmap(Bytes(std::string("GIF89a\x05")), ImageReadMode::Full, &image, &error));
    EXPECT_FALSE(ReadBitmap(Bytes("plain text"), ImageReadMode::Full, &image, &error));
    EXPECT_EQ(error, "unknown bitmap format");
    EXPECT_FALSE(ReadImageFile(dir.File("none.png"), ImageReadMode::Full, &image, &error));
}

TEST(ImageReaders, Ascii85DataDecodesBackAndNeverStartsALineWithPercent) {
    auto decode = [](const std::string& text) {
        std::vector<uint8_t> out;
        uint64_t word = 0;
        int n = 0;
        for (char c : text) {
            if (c == '~')
                break;
            if (c == ' ' || c == '\n')
                continue;
            if (c == 'z') {
                out.insert(out.end(), 4, 0);
                continue;
            }
            word = word * 85 + (c - '!');
            if (++n == 5) {
                for (int k = 3; k >= 0; --k)
                    out.push_back(static_cast<uint8_t>(word >> (8 * k)));
                word = 0, n = 0;
            }
        }
        if (n > 0) {
            for (int k = n; k < 5; ++k)
                word = word * 85 + 84;
            for (int k = 3; k >= 5 - n; --k)
                out.push_back(static_cast<uint8_t>(word >> (8 * k)));
        }
        return out;
    };
    std::mt19937 random(7);
    for (size_t size : {0, 1, 2, 3, 4, 5, 8, 4000, 20001}) {
        std::vector<uint8_t> data(size);
        for (auto& b : data)
            b = static_cast<uint8_t>(random() % 4 == 0 ? 0 : random());
        std::string text = Ascii85Encode(data);
        EXPECT_EQ(decode(text), data) << size;
        ASSERT_GE(text.size(), 3u);
        EXPECT_EQ(text.substr(text.size() - 3), "~>\n");
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            EXPECT_NE(text[start], '%');
            EXPECT_LE(end - start, 77u);
            start = end + 1;
        }
    }
}

TEST(ImageReaders, ScaleToFitAveragesBlocks) {
    RgbImage image;
    image.Allocate(4, 2);
    for (int x = 0; x < 4; ++x)
        image.Row(0)[x * 3] = image.Row(1)[x * 3] = x < 2 ? 0 : 200;
    RgbImage small = ScaleToFit(image, 2, 2);
    ASSERT_EQ(small.width, 2);
    ASSERT_EQ(small.height, 1);
    EXPECT_EQ(small.Pixel(0, 0)[0], 0);
    EXPECT_EQ(small.Pixel(1, 0)[0], 200);
    EXPECT_EQ(ScaleToFit(image, 10, 10).width, 4);
}

}  // namespace
}  // namespace quirn::test

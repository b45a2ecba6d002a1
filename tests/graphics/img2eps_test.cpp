// The img2eps helper program, run as Quirn runs it, with its EPS rendered by the real
// PostScript interpreter.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
// jpeglib.h needs FILE declared first.
#include <jpeglib.h>

#include "graphics/ghostscript_render.h"
#include "support/test_support.h"

namespace quirn::test {
namespace {

int Img2Eps(const std::string& input, const std::string& output, std::string* err) {
    std::string out;
    return RunCommand("'" + Program("img2eps") + "' '" + input + "' '" + output + "'", &out, err);
}

std::string BoundingBoxLine(const std::string& eps) {
    size_t at = eps.find("%%BoundingBox:");
    return at == std::string::npos ? "" : eps.substr(at, eps.find('\n', at) - at);
}

// A progressive JPEG, red on the left and blue on the right, 40 x 30 at 72 dpi.
void WriteProgressiveJpeg(const std::string& path) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    jpeg_stdio_dest(&cinfo, file);
    cinfo.image_width = 40;
    cinfo.image_height = 30;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> row(40 * 3, 0);
    for (int x = 0; x < 40; ++x)
        row[x * 3 + (x < 20 ? 0 : 2)] = 255;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW pointer = row.data();
        jpeg_write_scanlines(&cinfo, &pointer, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(file);
}

TEST(Img2Eps, PicturesBecomeEpsAtTheirResolution) {
    TempDir dir;
    std::string page = RedBluePage(dir);
    ASSERT_EQ(RunGhostscript("jpeg", 144, "", page, dir.File("in.jpg")), 0);
    ASSERT_EQ(RunGhostscript("tiff24nc", 144, "", page, dir.File("in.tif")), 0);
    // A PNG without a resolution: 72 dpi, one point per pixel.
    std::vector<uint8_t> pixels(40 * 30 * 3, 0);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 40; ++x)
            pixels[(y * 40 + x) * 3 + (x < 20 ? 0 : 2)] = 255;
    }
    std::string error;
    ASSERT_TRUE(WritePng(dir.File("in.png"), 40, 30, 3, pixels.data(), 120, &error)) << error;
    // Progressive JPEG data is decoded and stored losslessly, as older printers cannot
    // read it.
    WriteProgressiveJpeg(dir.File("progressive.jpg"));

    struct Case {
        const char* input;
        const char* box;
        bool dct;
    };
    const Case cases[] = {{"in.jpg", "%%BoundingBox: 0 0 40 30", true},
                          {"in.tif", "%%BoundingBox: 0 0 40 30", false},
                          {"in.png", "%%BoundingBox: 0 0 40 30", false},
                          {"progressive.jpg", "%%BoundingBox: 0 0 40 30", false}};
    std::string inputs;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        std::string eps = dir.File(std::string(c.input) + ".eps");
        ASSERT_EQ(Img2Eps(dir.File(c.input), eps, &error), 0) << error;
        std::string text = ReadFile(eps);
        EXPECT_EQ(text.substr(0, 24), "%!PS-Adobe-3.0 EPSF-3.0\n");
        EXPECT_EQ(BoundingBoxLine(text), c.box);
        EXPECT_EQ(text.find("/DCTDecode") != std::string::npos, c.dct);
        EXPECT_EQ(text.find("/FlateDecode") != std::string::npos, !c.dct);
        inputs += " '" + eps + "'";
    }
    // One interpreter run renders every EPS on its own cropped page.
    std::string out;
    ASSERT_EQ(RunCommand("gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=ppmraw -r72 -dEPSCrop "
                         "-sOutputFile='" +
                             dir.File("page%d.ppm") + "'" + inputs + " 2>&1",
                         &out),
              0)
        << out;
    EXPECT_EQ(out, "");
    for (int page = 1; page <= 4; ++page) {
        SCOPED_TRACE(page);
        std::vector<uint8_t> bytes;
        RgbImage image;
        ASSERT_TRUE(
            ReadFileBytes(dir.File("page" + std::to_string(page) + ".ppm"), &bytes, &error));
        ASSERT_TRUE(ReadPnm(bytes, &image, &error)) << error;
        EXPECT_EQ(image.width, 40);
        EXPECT_EQ(image.height, 30);
        EXPECT_TRUE(Near(PixelAt(image, 5, 5), kRed, 20));
        EXPECT_TRUE(Near(PixelAt(image, 34, 24), kBlue, 20));
    }
}

TEST(Img2Eps, BadInputLeavesNoOutputAndFails) {
    TempDir dir;
    std::string error;
    std::vector<uint8_t> pixels(4 * 4 * 3, 128);
    ASSERT_TRUE(WritePng(dir.File("ok.png"), 4, 4, 3, pixels.data(), 12, &error)) << error;
    std::string png = ReadFile(dir.File("ok.png"));
    const std::pair<std::string, std::string> inputs[] = {
        {dir.Write("cut.png", png.substr(0, png.size() / 2)), "damaged PNG file"},
        {dir.Write("notes.txt", "not a picture"), "unknown picture format"},
        {dir.File("missing.png"), "cannot read"},
    };
    for (const auto& [input, message] : inputs) {
        SCOPED_TRACE(input);
        std::string output = dir.File("out.eps");
        EXPECT_EQ(Img2Eps(input, output, &error), 1);
        EXPECT_NE(error.find(message), std::string::npos) << error;
        EXPECT_NE(::access(output.c_str(), F_OK), 0);
    }
    EXPECT_EQ(Img2Eps(dir.File("ok.png"), dir.Path() + "/no/such/dir/out.eps", &error), 1);
    EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
    std::string out;
    EXPECT_EQ(RunCommand("'" + Program("img2eps") + "' only-one", &out, &error), 2);
    EXPECT_NE(error.find("usage: img2eps INPUT OUTPUT"), std::string::npos);
}

}  // namespace
}  // namespace quirn::test

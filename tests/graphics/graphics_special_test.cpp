#include "graphics/graphics_special.h"

#include <gtest/gtest.h>

#include <cstring>

#include "graphics/ghostscript_render.h"
#include "graphics/graphics_special_text.h"
#include "platform/output_sink.h"
#include "support/test_support.h"

namespace quirn::test {
namespace {

// A 20 x 10 pixel picture of one colour, 72 dpi unless given.
std::string SolidPng(const TempDir& dir, const std::string& name, Rgb colour, double dpi = 0) {
    std::vector<uint8_t> pixels(20 * 10 * 3);
    for (size_t i = 0; i < pixels.size(); i += 3) {
        pixels[i] = static_cast<uint8_t>(colour.r);
        pixels[i + 1] = static_cast<uint8_t>(colour.g);
        pixels[i + 2] = static_cast<uint8_t>(colour.b);
    }
    std::string path = dir.File(name), error;
    EXPECT_TRUE(WritePng(path, 20, 10, 3, pixels.data(), 60, &error, dpi)) << error;
    return path;
}

// An EPS whose box 10 10 30 20 is blue, with a green square outside the box to the right.
std::string BlueEps(const TempDir& dir) {
    return dir.Write("blue.eps",
                     "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 10 10 30 20\n%%EndComments\n"
                     "0 0 1 setrgbcolor 10 10 20 10 rectfill\n"
                     "0 1 0 setrgbcolor 40 10 10 10 rectfill\nshowpage\n%%EOF\n");
}

// Runs one special and collects the PostScript it writes.
std::string Convert(SpecialLibrary& library, const std::string& text, int resolution = 600,
                    int magnification = 1000) {
    std::string ps;
    SpecialRequest request;
    request.text = text.c_str();
    request.output = [&](const char* data, int length) {
        ps.append(data, length < 0 ? std::strlen(data) : static_cast<size_t>(length));
        return 1;
    };
    request.resolution = resolution;
    request.magnification = magnification;
    library.DoTLVSpecial(&request);
    return ps;
}

TEST(GraphicsSpecialText, ReadsTheInclusionForms) {
    GraphicsSpecial s;
    std::string error;
    ASSERT_TRUE(ParseGraphicsSpecial(
        "psfile=\"my fig.eps\" llx=-1 lly=2 urx=30.5 ury=40 rwi=720 hscale=50 angle=90 clip", &s,
        &error));
    EXPECT_EQ(s.kind, GraphicsSpecialKind::PsFile);
    EXPECT_EQ(s.file, "my fig.eps");
    EXPECT_EQ(*s.llx, -1);
    EXPECT_EQ(*s.urx, 30.5);
    EXPECT_EQ(*s.rwi, 720);
    EXPECT_FALSE(s.rhi);
    EXPECT_EQ(s.hscale, 50);
    EXPECT_EQ(s.vscale, 100);
    EXPECT_EQ(s.angle, 90);
    EXPECT_TRUE(s.clip);
    EXPECT_TRUE(s.HasBoundingBox());

    ASSERT_TRUE(ParseGraphicsSpecial("PSfile=fig.eps llx=\"0\" lly=0 urx=0 ury=5", &s, &error));
    EXPECT_EQ(s.file, "fig.eps");
    EXPECT_FALSE(s.HasBoundingBox());  // no width

    ASSERT_TRUE(ParseGraphicsSpecial("bmp:photo.bmp 2in 5cm", &s, &error));
    EXPECT_EQ(s.kind, GraphicsSpecialKind::Bitmap);
    EXPECT_EQ(s.file, "photo.bmp");
    EXPECT_DOUBLE_EQ(*s.width, 144);
    EXPECT_NEAR(*s.height, 141.732, 0.001);
    ASSERT_TRUE(ParseGraphicsSpecial("eps: \"a b.eps\" 100", &s, &error));
    EXPECT_EQ(s.kind, GraphicsSpecialKind::Eps);
    EXPECT_EQ(s.file, "a b.eps");
    EXPECT_EQ(*s.width, 100);
    EXPECT_FALSE(s.height);
    ASSERT_TRUE(ParseGraphicsSpecial("em:graph pic.pcx", &s, &error));
    EXPECT_EQ(s.kind, GraphicsSpecialKind::EmGraph);
    ASSERT_TRUE(ParseGraphicsSpecial("WMF:drawing.wmf", &s, &error));
    EXPECT_EQ(s.kind, GraphicsSpecialKind::Metafile);

    for (const char* other : {"ps: 1 0 0 setrgbcolor", "color push Red", "psfile fig.eps",
                              "bmp:", "em:graphics x.bmp", "em:line 1,2", ""}) {
        EXPECT_FALSE(ParseGraphicsSpecial(other, &s, &error)) << other;
    }
    std::string_view dim = "12.5pt rest";
    double points = 0;
    ASSERT_TRUE(ParseDimension(&dim, &points));
    EXPECT_NEAR(points, 12.5 * 72 / 72.27, 1e-9);
    EXPECT_EQ(dim, " rest");
}

TEST(GraphicsSpecialLibrary, MeasuresBitmapsBoundingBoxesAndPdfPages) {
    TempDir dir;
    GraphicsSpecialLibrary library;
    GraphicSize size;
    ASSERT_TRUE(library.GetInfo(SolidPng(dir, "p.png", kRed, 300), &size));
    EXPECT_EQ(size.width, 20);  // pixels, whatever the resolution
    EXPECT_EQ(size.height, 10);
    ASSERT_TRUE(library.GetInfo(BlueEps(dir), &size));
    EXPECT_EQ(size.width, 20);
    EXPECT_EQ(size.height, 10);

    // "(atend)" takes the trailer's box, not one of an embedded document.
    ASSERT_TRUE(library.GetInfo(
        dir.Write("atend.eps",
                  "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: (atend)\n%%EndComments\n"
                  "%%BeginDocument: inner.eps\n%%BoundingBox: 0 0 5 5\n%%EndDocument\n"
                  "%%Trailer\n%%BoundingBox: 0 0 101.4 49.6\n"),
        &size));
    EXPECT_EQ(size.width, 101);
    EXPECT_EQ(size.height, 50);

    // A DOS EPS binary header points at the PostScript section.
    std::string ps = "%!PS-Adobe-3.0 EPSF-3.0\r\n%%BoundingBox: 0 0 64 32\r\n";
    std::string dos("\xc5\xd0\xd3\xc6", 4);
    for (uint32_t v : {30u, static_cast<uint32_t>(ps.size()), 0u, 0u, 0u, 0u}) {
        for (int k = 0; k < 4; ++k)
            dos.push_back(static_cast<char>((v >> (8 * k)) & 0xff));
    }
    dos += std::string(30 - dos.size(), '\xff');
    ASSERT_TRUE(library.GetInfo(dir.Write("dos.eps", dos + ps), &size));
    EXPECT_EQ(size.width, 64);
    EXPECT_FALSE(library.GetInfo(
        dir.Write("baddos.eps", dos.substr(0, 8) + "\xff\xff\xff\x7f" + dos.substr(12) + ps),
        &size));

    // A PDF made by pdfTeX: its page objects sit in compressed object streams.
    dir.Write("page.tex",
              "\\pdfpagewidth=300bp \\pdfpageheight=200bp \\pdfcompresslevel=9 "
              "\\pdfobjcompresslevel=2 \\hrule\\bye\n");
    std::string out;
    ASSERT_EQ(RunCommand("cd '" + dir.Path() + "' && pdftex -interaction=batchmode page.tex", &out),
              0);
    ASSERT_TRUE(library.GetInfo(dir.File("page.pdf"), &size));
    EXPECT_EQ(size.width, 300);
    EXPECT_EQ(size.height, 200);

    // A hand-made PDF whose page inherits its box and is turned a quarter.
    ASSERT_TRUE(library.GetInfo(
        dir.Write("turned.pdf",
                  "%PDF-1.4\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
                  "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 /MediaBox 5 0 R /Rotate 90 >>\n"
                  "endobj\n3 0 obj << /Type /Page /Parent 2 0 R >> endobj\n"
                  "5 0 obj [100 200 400 300] endobj\ntrailer << /Root 1 0 R >>\n%%EOF\n"),
        &size));
    EXPECT_EQ(size.width, 100);
    EXPECT_EQ(size.height, 300);

    // A hand-written EPS with a malformed first line still counts by its box.
    ASSERT_TRUE(library.GetInfo(dir.Write("hand.eps", "%%!\n%%BoundingBox: 0 0 72 36\n"), &size));
    EXPECT_EQ(size.width, 72);

    EXPECT_FALSE(
        library.GetInfo(dir.Write("nobox.eps", "%!PS-Adobe-3.0 EPSF-3.0\nshowpage\n"), &size));
    EXPECT_FALSE(library.GetInfo(dir.Write("text.txt", "hello"), &size));
    EXPECT_FALSE(library.GetInfo(dir.Write("broken.pdf", "%PDF-1.4\n1 0 obj << /Type"), &size));
    EXPECT_FALSE(library.GetInfo(dir.File("missing.png"), &size));
}

TEST(GraphicsSpecialLibrary, PreviewPicturesFitTheirBound) {
    TempDir dir;
    GraphicsSpecialLibrary library;
    std::unique_ptr<RgbImage> preview = library.GetBitmap(SolidPng(dir, "p.png", kRed), 8);
    ASSERT_TRUE(preview);
    EXPECT_EQ(preview->width, 8);
    EXPECT_EQ(preview->height, 4);
    EXPECT_TRUE(Near(PixelAt(*preview, 2, 2), kRed, 0));

    preview = library.GetBitmap(BlueEps(dir), 40);  // through the interpreter
    ASSERT_TRUE(preview);
    EXPECT_EQ(preview->width, 40);
    EXPECT_EQ(preview->height, 20);
    EXPECT_TRUE(Near(PixelAt(*preview, 20, 10), kBlue));

    EXPECT_FALSE(library.GetBitmap(dir.Write("x.txt", "text"), 40));
    EXPECT_FALSE(
        library.GetBitmap(dir.Write("cut.png", ReadFile(dir.File("p.png")).substr(0, 60)), 40));
}

// The special's PostScript replaces a marker in real dvips output, so it runs at the
// place where dvips put the current point, in dvips's own coordinates.
TEST(GraphicsSpecialLibrary, GraphicsLandWhereTheSpecialsStandOnADvipsPage) {
    TempDir dir;
    SolidPng(dir, "red.png", kRed);
    BlueEps(dir);
    dir.Write("bad.eps", "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n1 0 div\n");
    // Four markers on one baseline, 1in + 10pt from the top; the first at 1in from the left.
    dir.Write(
        "page.tex",
        "\\noindent\\special{ps: QuirnMarkA}\\hskip 150bp\\special{ps: QuirnMarkB}"
        "\\hskip 150bp\\special{ps: QuirnMarkC}\\hskip 100bp\\special{ps: QuirnMarkD}\\bye\n");
    std::string out;
    ASSERT_EQ(RunCommand("cd '" + dir.Path() +
                             "' && tex -interaction=batchmode page.tex && dvips -q -o page.ps page",
                         &out),
              0);
    std::string page = ReadFile(dir.File("page.ps"));
    StringSink console;
    GraphicsSpecialLibrary library;
    library.SetConsole(&console);
    const std::pair<const char*, std::string> specials[] = {
        {"QuirnMarkA", "psfile=\"" + dir.File("red.png") + "\" llx=0 lly=0 urx=20 ury=10 rwi=400"},
        {"QuirnMarkB", "em:graph " + dir.File("blue.eps")},
        {"QuirnMarkC", "psfile=" + dir.File("blue.eps") + " llx=10 lly=10 urx=30 ury=20 clip"},
        {"QuirnMarkD", "psfile=" + dir.File("bad.eps")},
    };
    for (const auto& [marker, text] : specials) {
        size_t at = page.find(marker);
        ASSERT_NE(at, std::string::npos) << marker;
        std::string ps = Convert(library, text);
        ASSERT_FALSE(ps.empty()) << text << "\n" << console.Text();
        page.replace(at, std::strlen(marker), ps);
    }
    std::string pagePath = dir.Write("converted.ps", page);
    RgbImage image;
    std::string messages;
    ASSERT_TRUE(RenderWithGhostscript(pagePath, 72, "", &image, &messages)) << messages;
    // The broken graphic is reported by the interpreter and ends only itself.
    EXPECT_NE(messages.find("Error in included graphic"), std::string::npos) << messages;
    EXPECT_EQ(messages.find("Error:"), std::string::npos) << messages;
    EXPECT_EQ(console.Text(), "");

    const int baseline = 82, a = 72, b = 72 + 150, c = 72 + 300;
    // A: the picture scaled to 40 x 20 points, standing on the baseline.
    EXPECT_TRUE(Near(PixelAt(image, a + 20, baseline - 10), kRed));
    EXPECT_TRUE(Near(PixelAt(image, a + 2, baseline - 18), kRed));
    EXPECT_TRUE(Near(PixelAt(image, a + 20, baseline + 3), kWhite));
    EXPECT_TRUE(Near(PixelAt(image, a + 44, baseline - 10), kWhite));
    EXPECT_TRUE(Near(PixelAt(image, a - 3, baseline - 10), kWhite));
    // B: hanging from the reference point at natural size; nothing clipped.
    EXPECT_TRUE(Near(PixelAt(image, b + 10, baseline + 5), kBlue));
    EXPECT_TRUE(Near(PixelAt(image, b + 10, baseline - 3), kWhite));
    EXPECT_TRUE(Near(PixelAt(image, b + 35, baseline + 5), {0, 255, 0}));
    // C: standing on the baseline, the part outside the box clipped away.
    EXPECT_TRUE(Near(PixelAt(image, c + 10, baseline - 5), kBlue));
    EXPECT_TRUE(Near(PixelAt(image, c + 35, baseline - 5), kWhite));
}

TEST(GraphicsSpecialLibrary, MagnificationAndResolutionOutsideDvips) {
    TempDir dir;
    GraphicsSpecialLibrary library;
    // A plain page in points with y going up, no dvips variables: the request's
    // resolution (72) is the unit and the magnification doubles the size.
    std::string ps = Convert(library, "bmp:" + SolidPng(dir, "g.png", {0, 128, 0}, 144), 72, 2000);
    ASSERT_FALSE(ps.empty());
    std::string path = dir.Write("plain.ps",
                                 "%!PS\n<< /PageSize [200 100] >> setpagedevice\n"
                                 "50 30 moveto\n" +
                                     ps + "showpage\n");
    RgbImage image;
    std::string messages;
    ASSERT_TRUE(RenderWithGhostscript(path, 72, "", &image, &messages)) << messages;
    // 20 x 10 pixels at 144 dpi are 10 x 5 points, doubled: 20 x 10 from (50, 30).
    const Rgb green{0, 128, 0};
    EXPECT_TRUE(Near(PixelAt(image, 51, 100 - 31), green));
    EXPECT_TRUE(Near(PixelAt(image, 68, 100 - 39), green));
    EXPECT_TRUE(Near(PixelAt(image, 72, 100 - 35), kWhite));
    EXPECT_TRUE(Near(PixelAt(image, 60, 100 - 42), kWhite));
}

TEST(GraphicsSpecialLibrary, PdfPagesAndJpegDataAreIncluded) {
    TempDir dir;
    dir.Write("page.tex",
              "\\pdfpagewidth=40bp \\pdfpageheight=20bp \\pdfhorigin=0pt \\pdfvorigin=0pt "
              "\\nopagenumbers\\noindent\\pdfliteral page{1 0 0 rg 0 0 40 20 re f}\\bye\n");
    std::string out;
    ASSERT_EQ(RunCommand("cd '" + dir.Path() + "' && pdftex -interaction=batchmode page.tex", &out),
              0);
    RgbImage image;
    std::string messages;
    ASSERT_EQ(RunGhostscript("jpeg", 72, "", RedBluePage(dir), dir.File("rb.jpg")), 0);
    GraphicsSpecialLibrary library;
    std::string pdf = Convert(library, "eps:" + dir.File("page.pdf"), 72);
    std::string jpeg = Convert(library, "bmp:" + dir.File("rb.jpg"), 72);
    ASSERT_FALSE(pdf.empty());
    ASSERT_NE(jpeg.find("/DCTDecode"), std::string::npos);
    std::string path = dir.Write("plain.ps",
                                 "%!PS\n<< /PageSize [100 100] >> setpagedevice\n"
                                 "10 10 moveto\n" +
                                     pdf + "10 50 moveto\n" + jpeg + "showpage\n");
    ASSERT_TRUE(RenderWithGhostscript(path, 72, "", &image, &messages)) << messages;
    EXPECT_TRUE(Near(PixelAt(image, 30, 100 - 20), kRed));
    EXPECT_TRUE(Near(PixelAt(image, 55, 100 - 20), kWhite));
    EXPECT_TRUE(Near(PixelAt(image, 15, 100 - 65), kRed, 40));
    EXPECT_TRUE(Near(PixelAt(image, 45, 100 - 65), kBlue, 40));
}

TEST(GraphicsSpecialLibrary, ProblemsAreReportedOnThePageConsoleOnce) {
    TempDir dir;
    StringSink console;
    GraphicsSpecialLibrary library;
    library.SetConsole(&console);
    std::string cut = dir.Write("cut.png", ReadFile(SolidPng(dir, "ok.png", kRed)).substr(0, 45));

    EXPECT_EQ(Convert(library, "ps: 0 0 moveto"), "");
    EXPECT_EQ(console.Text(), "Graphics special not understood: ps: 0 0 moveto\n");
    console.Clear();
    EXPECT_EQ(Convert(library, "wmf:x.wmf"), "");
    EXPECT_EQ(console.Text(), "Cannot convert Windows metafile: x.wmf\n");
    console.Clear();

    library.SetInsertionMode(1);
    EXPECT_EQ(Convert(library, "bmp:" + cut), "");
    EXPECT_EQ(Convert(library, "bmp:" + cut + " 2in"), "");
    EXPECT_EQ(Convert(library, "bmp:nowhere.png"), "");
    library.SetInsertionMode(0);
    EXPECT_EQ(console.Text(), "Cannot read graphics file " + cut +
                                  ": damaged PNG file: file ends early\n"
                                  "Cannot read graphics file nowhere.png: file not found\n");
    console.Clear();
    library.SetInsertionMode(1);
    Convert(library, "bmp:" + cut);
    library.SetInsertionMode(0);
    EXPECT_NE(console.Text(), "");  // a new page reports it again
    console.Clear();

    std::string nobox = dir.Write("nobox.eps", "%!PS-Adobe-3.0 EPSF-3.0\nshowpage\n");
    EXPECT_EQ(Convert(library, "eps:" + nobox), "");
    EXPECT_EQ(console.Text(), "Could not find valid bounding box in " + nobox + "\n");
    console.Clear();

    // The output function's failure, a wrong record size, a device context.
    SpecialRequest request;
    std::string text = "bmp:" + dir.File("ok.png");
    request.text = text.c_str();
    request.output = [](const char*, int) { return 0; };
    EXPECT_EQ(library.DoTLVSpecial(&request), 0);
    EXPECT_EQ(console.Text(), "Could not write PostScript for " + dir.File("ok.png") + "\n");
    request.size = 32;
    EXPECT_EQ(library.DoTLVSpecial(&request), 0);
    request.size = kSpecialRequestSize;
    request.deviceContext = 1;
    EXPECT_EQ(library.DoTLVSpecial(&request), 0);
    EXPECT_EQ(library.DoTLVSpecial(nullptr), 0);
}

}  // namespace
}  // namespace quirn::test

#include "graphics/pdf_document.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/test_support.h"

namespace quirn::test {
namespace {

// A two-page document typeset by pdfTeX: a 4 x 3 inch first page with a red word, a
// letter-size second page.
std::string TypesetTwoPages(const TempDir& dir) {
    dir.Write("two.tex",
              "\\pdfpagewidth=4in \\pdfpageheight=3in \\hsize=3in \\vsize=2in\n"
              "Quirnish text \\pdfliteral{1 0 0 rg}Redword\\pdfliteral{0 g} here.\\vfil\\eject\n"
              "\\pdfpagewidth=8.5in \\pdfpageheight=11in Second page.\\bye\n");
    std::string out;
    const int status = RunCommand(
        "cd '" + dir.Path() + "' && pdftex -interaction=nonstopmode two.tex </dev/null", &out);
    EXPECT_EQ(status, 0) << out;
    return dir.File("two.pdf");
}

TEST(PdfDocument, PagesSizesPicturesAndWordsOfARealFile) {
    TempDir dir;
    std::string error;
    std::unique_ptr<PdfDocument> doc = PdfDocument::Open(TypesetTwoPages(dir), &error);
    ASSERT_TRUE(doc) << error;
    ASSERT_EQ(doc->PageCount(), 2);
    EXPECT_NEAR(doc->MediaBox(0).Width(), 288, 0.1);
    int width = 0, height = 0;
    doc->PageSizePixels(1, 150, width, height);
    EXPECT_EQ(width, 1275);
    EXPECT_EQ(height, 1650);

    // In colour the red word keeps its hue; in greys every pixel is grey. The media
    // box fills the picture.
    RgbImage colour, grey;
    PdfRenderOptions options;
    options.dpi = 100;
    ASSERT_TRUE(doc->Render(0, options, colour));
    EXPECT_EQ(colour.width, 400);
    EXPECT_EQ(colour.height, 300);
    bool red = false, black = false;
    for (int y = 0; y < colour.height; ++y) {
        for (int x = 0; x < colour.width; ++x) {
            const uint8_t* p = colour.Pixel(x, y);
            red = red || (p[0] > 200 && p[1] < 60 && p[2] < 60);
            black = black || (p[0] < 40 && p[1] < 40 && p[2] < 40);
        }
    }
    EXPECT_TRUE(red);
    EXPECT_TRUE(black);
    options.grey = true;
    ASSERT_TRUE(doc->Render(0, options, grey));
    EXPECT_TRUE(grey.IsGrey());

    // A part of the page is the same pixels as the whole page's.
    RgbImage part;
    options.grey = false;
    ASSERT_TRUE(doc->RenderPart(0, options, 100, 50, 120, 80, part));
    ASSERT_EQ(part.width, 120);
    for (int y = 0; y < 80; y += 7) {
        EXPECT_TRUE(std::equal(part.Row(y), part.Row(y) + part.Stride(), colour.Row(y + 50) + 300))
            << "row " << y;
    }

    std::vector<PdfWord> words = doc->Words(0);
    auto word = std::find_if(words.begin(), words.end(),
                             [](const PdfWord& w) { return w.text == "Redword"; });
    ASSERT_NE(word, words.end());
    EXPECT_GT(word->left, 72 * 0.9);  // one inch of margin
    EXPECT_LT(word->top, 72 * 1.5);
    EXPECT_GT(word->right, word->left);
}

TEST(PdfDocument, DamagedAndMissingFilesSayWhich) {
    TempDir dir;
    const std::string good = ReadFile(TypesetTwoPages(dir));
    for (const std::string& name :
         {dir.Write("bad.pdf", "%PDF-1.5\nnot really\n"),
          dir.Write("cut.pdf", good.substr(0, good.size() / 3)), dir.File("missing.pdf")}) {
        std::string error;
        EXPECT_FALSE(PdfDocument::Open(name, &error)) << name;
        EXPECT_EQ(error, "Cannot read PDF file: " + name);
    }
}

}  // namespace
}  // namespace quirn::test

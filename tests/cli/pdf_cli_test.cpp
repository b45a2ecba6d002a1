#include <gtest/gtest.h>

#include "graphics/image_readers.h"
#include "platform/paths.h"
#include "support/test_support.h"

namespace quirn::test {
namespace {

std::string Cli(const std::string& args) {
    return "'" + Program("quirn-cli") + "' " + args;
}

// PDF files go through quirn-cli's PDF helper: ps-info and render on a real pdfTeX file.
TEST(PdfCli, InfoAndRenderOfARealFile) {
    TempDir dir;
    ScopedEnvironment env;
    env.Set("QUIRN_CONFIG_DIR", dir.Path());
    dir.Write("p.tex",
              "\\pdfpagewidth=5in \\pdfpageheight=2in\n"
              "Text \\pdfliteral{0 0 1 rg}blue\\pdfliteral{0 g}.\\vfil\\eject Two\\vfil\\eject "
              "Three\\bye\n");
    std::string out, err;
    ASSERT_EQ(RunCommand("cd '" + dir.Path() + "' && pdftex -interaction=nonstopmode p.tex", &out),
              0)
        << out;
    const std::string pdf = dir.File("p.pdf");
    EXPECT_EQ(RunCommand(Cli("ps-info '" + pdf + "' --dpi 150 --page 2"), &out, &err), 0) << err;
    EXPECT_EQ(out, "kind 3\npages 3\nsize 750 300\n");

    EXPECT_EQ(RunCommand(Cli("render '" + pdf + "' --dpi 72 --pages 1-2 --bits 24 -o '" +
                             dir.File("c%d.png") + "'"),
                         &out, &err),
              0)
        << err;
    RgbImage image;
    std::string error;
    ASSERT_TRUE(ReadImageFile(dir.File("c1.png"), ImageReadMode::Full, &image, &error)) << error;
    EXPECT_EQ(image.width, 360);
    EXPECT_EQ(image.height, 144);
    EXPECT_FALSE(image.IsGrey());
    EXPECT_TRUE(RegularFileExists(dir.File("c2.png")));

    // Grey by default (PSColor off); one bit gives only black and white.
    EXPECT_EQ(RunCommand(Cli("render '" + pdf + "' --dpi 72 --page 1 --bits 1 -o '" +
                             dir.File("m.png") + "'"),
                         &out, &err),
              0)
        << err;
    ASSERT_TRUE(ReadImageFile(dir.File("m.png"), ImageReadMode::Full, &image, &error)) << error;
    EXPECT_TRUE(image.IsGrey());
    for (uint8_t v : image.pixels)
        ASSERT_TRUE(v == 0 || v == 255);

    EXPECT_EQ(RunCommand(
                  Cli("render '" + pdf + "' --dpi 72 --pages 2-5 -o '" + dir.File("x%d.png") + "'"),
                  &out, &err),
              1);
    EXPECT_EQ(err, "pages 2-5 are not in the document (3 pages)\n");
    EXPECT_EQ(
        RunCommand(Cli("render '" + pdf + "' --dpi 72 -o '" + dir.File("x.png") + "'"), &out, &err),
        2);
    EXPECT_EQ(err, "several pages need a %d in the output name\n");

    const std::string bad = dir.Write("bad.pdf", "%PDF-1.4\ngarbage");
    EXPECT_EQ(RunCommand(Cli("ps-info '" + bad + "'"), &out, &err), 1);
    EXPECT_EQ(err, "Cannot read PDF file: " + bad + "\n");
    EXPECT_EQ(RunCommand(Cli("ps-info '" + dir.File("none.pdf") + "'"), &out, &err), 1);
    EXPECT_EQ(err, "Cannot open file: " + dir.File("none.pdf") + "\n");
}

}  // namespace
}  // namespace quirn::test

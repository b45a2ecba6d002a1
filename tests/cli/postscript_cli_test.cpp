// The PostScript sub-commands end to end on real LaTeX, dvips and Ghostscript output,
// run from another folder than the document's, leaving no temporary file behind.
#include <gtest/gtest.h>

#include <dirent.h>

#include "graphics/image_readers.h"
#include "support/test_support.h"

namespace quirn::test {
namespace {

std::string Cli(const std::string& args) {
    return "cd / && '" + Program("quirn-cli") + "' " + args;
}

int QuirnFiles(const std::string& folder) {
    int count = 0;
    DIR* dir = ::opendir(folder.c_str());
    while (dirent* entry = dir != nullptr ? ::readdir(dir) : nullptr) {
        count += std::string(entry->d_name).starts_with("quirn") ? 1 : 0;
    }
    if (dir != nullptr) {
        ::closedir(dir);
    }
    return count;
}

int BlackPixels(const std::string& png) {
    RgbImage image;
    std::string error;
    if (!ReadImageFile(png, ImageReadMode::Full, &image, &error)) {
        return -1;
    }
    int black = 0;
    for (std::size_t i = 0; i + 2 < image.pixels.size(); i += 3) {
        black += image.pixels[i] < 64 && image.pixels[i + 1] < 64 && image.pixels[i + 2] < 64;
    }
    return black;
}

TEST(PostScriptCli, FiguresOfARealLatexDocument) {
    TempDir dir, tmp, config;
    ScopedEnvironment env;
    env.Set("TMPDIR", tmp.Path());
    env.Set("QUIRN_CONFIG_DIR", config.Path());
    dir.Write("figs/fig.eps",
              "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 10 20 110 70\n"
              "newpath 10 20 moveto 100 0 rlineto 0 50 rlineto -100 0 rlineto "
              "closepath fill\n%%EOF\n");
    dir.Write("paper.tex",
              "\\documentclass{article}\\usepackage{graphicx}\\begin{document}\n"
              "One \\includegraphics{./figs/fig.eps}\\newpage Two\\end{document}\n");
    std::string out, err;
    RunCommand("cd '" + dir.Path() + "' && latex -interaction=nonstopmode paper.tex", &out);
    const std::string dvi = dir.File("paper.dvi");

    // The figure resolves against the DVI's folder; LaTeX's own header special on
    // page 1 does not make the page one for the interpreter alone.
    ASSERT_EQ(RunCommand(Cli("page-content '" + dvi + "' --page 1"), &out, &err), 0) << err;
    EXPECT_TRUE(out.starts_with("kind 1\n")) << out;
    EXPECT_EQ(err.find("Cannot find file"), std::string::npos) << err;

    ASSERT_EQ(RunCommand(Cli("ps-info '" + dvi + "'"), &out, &err), 0) << err;
    EXPECT_NE(out.find("kind 0\npages 2\nsize 612 792\nprolog 0 "), std::string::npos) << out;
    EXPECT_NE(out.find("\npage 2 "), std::string::npos);

    // The figure is drawn (100 x 50 points, about 9600 pixels at 100 dpi).
    const std::string with = dir.File("with.png");
    ASSERT_EQ(
        RunCommand(Cli("render '" + dvi + "' --dpi 100 --page 1 -o '" + with + "'"), &out, &err), 0)
        << err;
    RunCommand(Cli("settings write '/HKCU/Software/Tolvane Inc/Quirn6/Settings/PSRender6' 3 --int"),
               &out);
    RunCommand(Cli("settings write '/HKCU/Software/Tolvane Inc/Quirn6/Settings/PSRenderCmd' "
                   "'no-such-interpreter -sDEVICE=%DEVICE'"),
               &out);
    const std::string without = dir.File("without.png");
    ASSERT_EQ(
        RunCommand(Cli("render '" + dvi + "' --dpi 100 --page 1 -o '" + without + "'"), &out, &err),
        0)
        << err;
    EXPECT_EQ(err, "PostScript interpreter not found: no-such-interpreter\n");
    EXPECT_GT(BlackPixels(with), BlackPixels(without) + 9000);
    EXPECT_GT(BlackPixels(without), 10);

    // Save as PostScript with the figure, then its pages again from the saved file.
    ASSERT_EQ(RunCommand(Cli("save-ps '" + dvi + "' --pages 2,1"), &out, &err), 0) << err;
    EXPECT_EQ(out, "wrote " + dir.File("paper.ps") + "\n");
    const std::string saved = ReadFile(dir.File("paper.ps"));
    EXPECT_NE(saved.find("rlineto"), std::string::npos);
    EXPECT_LT(saved.find(" 2 1 bop"), saved.find(" 1 0 bop"));
    EXPECT_EQ(RunCommand(Cli("save-ps '" + dvi + "' --pages 3"), &out, &err), 1);
    EXPECT_EQ(err, "page 3 is not in the document (2 pages)\n");
    EXPECT_EQ(RunCommand(Cli("save-ps '" + dvi + "' -o /no/such/dir/x.ps"), &out, &err), 1);
    EXPECT_EQ(err, "Could not open file for writing: /no/such/dir/x.ps\n");

    EXPECT_EQ(RunCommand(Cli("ps-info '" + dir.File("nothing.ps") + "'"), &out, &err), 1);
    EXPECT_EQ(err, "Cannot open file: " + dir.File("nothing.ps") + "\n");
    EXPECT_EQ(QuirnFiles(tmp.Path()), 0);
}

}  // namespace
}  // namespace quirn::test

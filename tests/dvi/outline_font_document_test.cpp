// A document typeset by the real engine gets its outline fonts through the font map
// and Quirn's file search when it is loaded.
#include <gtest/gtest.h>

#include "dvi/dvi_context.h"
#include "dvi/dvi_doc.h"
#include "dvi/fonts/outline_font.h"
#include "dvi/fonts/pk_font.h"
#include "platform/environment_block.h"
#include "support/test_support.h"

namespace quirn {
namespace {

std::string Typeset(const test::TempDir& dir, const std::string& source) {
    dir.Write("doc.tex", source);
    std::string out;
    test::RunCommand("cd '" + dir.Path() + "' && latex -interaction=batchmode doc.tex", &out);
    const std::string dvi = dir.File("doc.dvi");
    return test::ReadFile(dvi).empty() ? std::string() : dvi;
}

const DviFont* FontNamed(const CDVIDoc& doc, const std::string& name) {
    for (const auto& font : doc.fonts) {
        if (font->name == name) {
            return font.get();
        }
    }
    return nullptr;
}

TEST(OutlineFontDocument, ComputerModernAndAmsFontsOpenThroughTheFontMap) {
    test::TempDir dir;
    const std::string dvi = Typeset(dir,
                                    "\\documentclass{article}\\usepackage{amssymb}\n"
                                    "\\begin{document}Hello $\\sum_i x_i^2\\in\\mathbb{R}$ "
                                    "\\textbf{bold}\\end{document}\n");
    ASSERT_FALSE(dvi.empty());

    StringSink sink;
    DviContext context(test::BuildDir() + "/", &sink, nullptr);
    // Bitmap fonts made for fonts the map lacks go to a private font cache.
    context.fileSearch.SetEnvironment(EnvironmentWith(
        ProcessEnvironment(), {"TEXMFVAR=" + dir.File("var"), "VARTEXFONTS=" + dir.File("fonts")}));
    auto find = [&context](const std::string& name, bool allowInstall) {
        return context.fileSearch.FindFile(name, allowInstall);
    };
    context.fontMap.LoadFontMap({"psfonts.map"}, find, &sink, false);
    ASSERT_EQ(context.fontMap.Size(), test::InstalledMapFontNames("psfonts.map").size())
        << sink.Text();

    CDVIDoc doc(context);
    ASSERT_TRUE(doc.OpenDocument(dvi)) << sink.Text();
    EXPECT_EQ(sink.Text(), "");
    for (const char* name : {"cmr10", "cmmi10", "cmex10", "msbm10", "cmbx10"}) {
        const DviFont* font = FontNamed(doc, name);
        ASSERT_NE(font, nullptr) << name;
        ASSERT_NE(font->outlineFont, nullptr) << name;
        EXPECT_NE(font->outlineFile.find(std::string(name) + ".pfb"), std::string::npos);
    }
    // \mathbb{R} is code 82 of msbm10; at 150 dpi it has ink.
    OutlineFont& msbm = *FontNamed(doc, "msbm10")->outlineFont;
    const GlyphBitmap& r = msbm.Glyph(21, 'R', true);
    ASSERT_TRUE(r.HasBits());
    EXPECT_GT(r.rows, 10);

    // With a map that lacks a font, the document still opens and the font is drawn
    // from METAFONT bitmaps (found or made); its metrics are there all the same.
    context.fontMap.Clear();
    FontMapEntry cmr10;
    ASSERT_TRUE(ParseFontMapLine("cmr10 CMR10 <cmr10.pfb", {}, cmr10));
    context.fontMap.Insert(cmr10);
    sink.Clear();
    ASSERT_TRUE(doc.Reload());
    EXPECT_EQ(sink.Text().find("not drawn"), std::string::npos) << sink.Text();
    EXPECT_EQ(sink.Text().find("cmr10"), std::string::npos);
    const DviFont* cmmi = FontNamed(doc, "cmmi10");
    ASSERT_NE(cmmi, nullptr);
    EXPECT_EQ(cmmi->outlineFont, nullptr);
    ASSERT_NE(cmmi->pkFont, nullptr) << sink.Text();
    EXPECT_NE(cmmi->bitmapFile.find("cmmi10"), std::string::npos) << cmmi->bitmapFile;
    EXPECT_TRUE(cmmi->pkFont->Glyph(21, 'x', true).HasBits());
    EXPECT_GT(cmmi->metrics['x'].width, 0);
    EXPECT_NE(FontNamed(doc, "cmr10")->outlineFont, nullptr);
}

}  // namespace
}  // namespace quirn

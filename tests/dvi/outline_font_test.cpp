// Outline fonts of TeX Live opened through the font map: the glyph index tables of
// the three kinds of fonts, the rendered glyphs' layout, and the load messages.
#include "dvi/fonts/outline_font.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include "platform/output_sink.h"
#include "support/test_support.h"

namespace quirn {
namespace {

// The TeX installation's own file search, standing in for Quirn's search helper.
std::string KpseFind(const std::string& name, bool /*allowInstall*/) {
    if (!name.empty() && name[0] == '/') {
        struct stat st {};
        return ::stat(name.c_str(), &st) == 0 ? name : std::string();
    }
    std::string out;
    if (test::RunCommand("kpsewhich '" + name + "'", &out) != 0) {
        return {};
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) {
        out.pop_back();
    }
    return out;
}

// 10pt at 150 dpi: 10 / 72.27 * 150 = 20.76 pixels to the em.
constexpr int32_t kTenPointAt150 = 21;

int CountMonoInk(const GlyphBitmap& g) {
    int ink = 0;
    for (int32_t r = 0; r < g.rows; ++r) {
        const uint8_t* row = g.RowFromTop(r);
        for (int32_t x = 0; x < g.width; ++x) {
            ink += (row[x / 8] & (0x80 >> (x % 8))) == 0 ? 1 : 0;
        }
    }
    return ink;
}

int CountMonoInkInRow(const GlyphBitmap& g, int32_t rowFromTop) {
    int ink = 0;
    for (int32_t x = 0; x < g.width; ++x) {
        ink += (g.RowFromTop(rowFromTop)[x / 8] & (0x80 >> (x % 8))) == 0 ? 1 : 0;
    }
    return ink;
}

class OutlineFontTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(freeType.Ok());
        map.LoadFontMap({"psfonts.map"}, KpseFind, &sink, false);
        const size_t installed = test::InstalledMapFontNames("psfonts.map").size();
        ASSERT_GT(installed, 0u);
        ASSERT_EQ(map.Size(), installed) << sink.Text();
    }

    std::unique_ptr<OutlineFont> Load(const std::string& name, std::string* path = nullptr) {
        return LoadOutlineFont(name, map, freeType, KpseFind, &sink, path);
    }

    FreeTypeContext freeType;
    FontMap map;
    StringSink sink;
};

TEST_F(OutlineFontTest, ComputerModernUsesItsOwnEncodingAndRendersInDrawingLayout) {
    std::string path;
    auto font = Load("cmr10", &path);
    ASSERT_NE(font, nullptr) << sink.Text();
    EXPECT_EQ(sink.Text(), "");
    EXPECT_NE(path.find("cmr10.pfb"), std::string::npos);
    EXPECT_FALSE(map.NeedsReencoding("cmr10"));
    ASSERT_TRUE(IsType1Face(font->Face()));
    EXPECT_EQ(font->Face()->charmap->encoding, FT_ENCODING_ADOBE_CUSTOM);
    // cmr10's own vector: 0 is Gamma, 11 the ff ligature, 65 A.
    EXPECT_EQ(font->GlyphIndex()[0], FT_Get_Name_Index(font->Face(), const_cast<char*>("Gamma")));
    EXPECT_EQ(font->GlyphIndex()[11], FT_Get_Name_Index(font->Face(), const_cast<char*>("ff")));
    EXPECT_EQ(font->GlyphIndex()[65], FT_Get_Name_Index(font->Face(), const_cast<char*>("A")));
    EXPECT_EQ(font->PixelSize(), 0);

    // "T" at 150 dpi: a bar across the top, a stem in the middle. Stored bottom row
    // first, so the top row with the bar is the last row in memory.
    const GlyphBitmap& mono = font->Glyph(kTenPointAt150, 'T', false);
    ASSERT_TRUE(mono.HasBits());
    EXPECT_EQ(font->PixelSize(), kTenPointAt150);
    EXPECT_GE(mono.width, 12);
    EXPECT_LE(mono.width, 18);
    EXPECT_GE(mono.rows, 12);
    EXPECT_LE(mono.rows, 17);
    EXPECT_EQ(mono.stride, GlyphStride(mono.width, 1));
    EXPECT_EQ(mono.stride % 4, 0);
    EXPECT_GE(mono.top, 12);  // cap height above the baseline
    EXPECT_LE(mono.top, 16);
    EXPECT_GE(mono.left, -1);
    EXPECT_LE(mono.left, 2);
    EXPECT_GT(CountMonoInkInRow(mono, 0), mono.width / 2);  // the bar
    const int stem = CountMonoInkInRow(mono, mono.rows / 2);
    EXPECT_GT(stem, 0);
    EXPECT_LT(stem, mono.width / 2);
    EXPECT_EQ(mono.RowFromTop(mono.rows - 1), mono.bits.get());
    const int ink = CountMonoInk(mono);
    EXPECT_GT(ink, 20);
    EXPECT_LT(ink, mono.width * mono.rows / 2);

    // The grey "T" is a separate entry; 0 is full ink, 255 paper.
    const GlyphBitmap& grey = font->Glyph(kTenPointAt150, 'T', true);
    ASSERT_TRUE(grey.HasBits());
    EXPECT_NE(grey.bits.get(), mono.bits.get());
    EXPECT_EQ(grey.stride, GlyphStride(grey.width, 8));
    EXPECT_EQ(grey.stride % 4, 0);
    int darkest = 255, paper = 0;
    for (int32_t x = 0; x < grey.width; ++x) {
        darkest = std::min<int>(darkest, grey.RowFromTop(1)[x]);
    }
    for (int32_t r = 0; r < grey.rows; ++r) {
        paper += grey.RowFromTop(r)[0] == 255 || grey.RowFromTop(r)[grey.width - 1] == 255;
    }
    EXPECT_LT(darkest, 64);
    EXPECT_GT(paper, grey.rows / 2);  // the corners below the bar are paper
    // Row padding past the glyph's width is paper in both modes.
    for (int32_t x = grey.width; x < grey.stride; ++x) {
        EXPECT_EQ(grey.bits[static_cast<size_t>(x)], 255);
    }
    if (mono.width % 8 != 0) {
        EXPECT_NE(mono.bits[static_cast<size_t>(mono.width / 8)] & (0xFF >> (mono.width % 8)), 0);
    }
}

TEST_F(OutlineFontTest, CachedGlyphsAreRenderedOncePerSizeAndMode) {
    auto font = Load("cmr10");
    ASSERT_NE(font, nullptr) << sink.Text();
    const uint8_t* first = font->Glyph(kTenPointAt150, 'a', true).bits.get();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(font->Glyph(kTenPointAt150, 'a', true).bits.get(), first);
    EXPECT_FALSE(font->Cache().Peek('a', false).HasBits());  // the mono cache is separate

    // Another zoom starts empty and renders a larger glyph; coming back finds the
    // glyphs of the first size again.
    const GlyphBitmap& big = font->Glyph(2 * kTenPointAt150, 'a', true);
    ASSERT_TRUE(big.HasBits());
    EXPECT_FALSE(font->Cache().Peek('b', true).HasBits());
    EXPECT_GT(big.rows, font->Glyph(kTenPointAt150, 'a', true).rows);
    EXPECT_EQ(font->Glyph(kTenPointAt150, 'a', true).bits.get(), first);

    // Codes the font leaves undefined draw .notdef, which has no ink; a code above
    // 255 draws the glyph of its low eight bits.
    EXPECT_EQ(font->GlyphIndex()[200], 0);
    const GlyphBitmap& notdef = font->Glyph(kTenPointAt150, 200, false);
    EXPECT_TRUE(!notdef.HasBits() || CountMonoInk(notdef) == 0);
    EXPECT_EQ(font->Glyph(kTenPointAt150, 0x100 + 'a', true).bits.get(), first);

    // Sizes nobody can look at are not rendered.
    EXPECT_FALSE(font->Glyph(0, 'a', true).HasBits());
    EXPECT_FALSE(font->Glyph(-5, 'a', false).HasBits());
    EXPECT_FALSE(font->Glyph(kMaxGlyphPixelSize + 1, 'a', true).HasBits());
}

TEST_F(OutlineFontTest, GlyphsTooLargeToCacheAreRenderedOnlyWhereTheyAreSeen) {
    auto font = Load("cmr10");
    ASSERT_NE(font, nullptr) << sink.Text();
    constexpr int32_t kBig = 5000;  // 600 pt at 600 dpi
    constexpr int32_t kFar = 100000;
    const int32_t smallX = font->Glyph(kTenPointAt150, 'x', true).width;
    ASSERT_GT(smallX, 0);
    // With a window around everything, the whole glyph: an 'o' about half an em wide
    // and high, sitting on the baseline.
    GlyphBitmap whole;
    font->GlyphPart(kBig, 'o', true, -kFar, -kFar, kFar, kFar, whole);
    ASSERT_TRUE(whole.HasBits());
    EXPECT_GT(whole.width, kBig * 4 / 10);
    EXPECT_LT(whole.width, kBig * 6 / 10);
    EXPECT_GT(whole.top, kBig * 4 / 10);
    EXPECT_LT(whole.top - whole.rows, 0);
    EXPECT_GT(whole.top - whole.rows, -kBig / 20);
    // Nothing of it went to the cache.
    EXPECT_FALSE(font->Cache().Peek('o', true).HasBits());

    // A window over the left side of the bowl: the same pixels, and no more of them.
    const int32_t left = whole.left + 10, top = -whole.top + whole.rows / 3;
    GlyphBitmap part;
    font->GlyphPart(kBig, 'o', true, left, top, left + 300, top + 200, part);
    ASSERT_TRUE(part.HasBits());
    EXPECT_EQ(part.left, left);
    EXPECT_EQ(part.top, -top);
    EXPECT_EQ(part.width, 300);
    EXPECT_EQ(part.rows, 200);
    int ink = 0;
    for (int32_t r = 0; r < part.rows; ++r) {
        for (int32_t x = 0; x < part.width; ++x) {
            const uint8_t v = part.RowFromTop(r)[x];
            ASSERT_EQ(v, whole.RowFromTop(r + whole.top - part.top)[x + part.left - whole.left])
                << x << "," << r;
            ink += v < 128;
        }
    }
    EXPECT_GT(ink, 1000);

    // Monochrome too; a window beside the glyph and sizes past the rasteriser's
    // reach give nothing.
    GlyphBitmap mono;
    font->GlyphPart(kBig, 'o', false, left, top, left + 300, top + 200, mono);
    ASSERT_TRUE(mono.HasBits());
    EXPECT_GT(CountMonoInk(mono), 1000);
    font->GlyphPart(kBig, 'o', true, kFar, kFar, kFar + 10, kFar + 10, part);
    EXPECT_FALSE(part.HasBits());
    font->GlyphPart(kMaxOutlinePixelSize + 1, 'o', true, -kFar, -kFar, kFar, kFar, part);
    EXPECT_FALSE(part.HasBits());

    // The cached size renders at its own size after the face was scaled for the big
    // glyph.
    const GlyphBitmap& small = font->Glyph(kTenPointAt150, 'o', true);
    ASSERT_TRUE(small.HasBits());
    EXPECT_LT(small.width, kTenPointAt150);
    EXPECT_NEAR(small.width, smallX, 2);
}

TEST_F(OutlineFontTest, TimesIsReencodedToTeXBase1UnlessTheMapSaysOtherwise) {
    const FontMapEntry* entry = map.Find("ptmr8r");
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->reencode);
    EXPECT_EQ(entry->outlineFile, "utmr8a.pfb");

    auto times = Load("ptmr8r");
    ASSERT_NE(times, nullptr) << sink.Text();
    FT_Face face = times->Face();
    EXPECT_EQ(times->GlyphIndex()[0x27], FT_Get_Name_Index(face, const_cast<char*>("quoteright")));
    EXPECT_EQ(times->GlyphIndex()[0x80], FT_Get_Name_Index(face, const_cast<char*>("Euro")));
    EXPECT_EQ(times->GlyphIndex()[0xE9], FT_Get_Name_Index(face, const_cast<char*>("eacute")));
    EXPECT_NE(times->GlyphIndex()[0xE9], 0);
    EXPECT_TRUE(times->Glyph(kTenPointAt150, 0xE9, true).HasBits());

    // The same file without "8r.enc" on its line keeps the font's standard encoding,
    // where 0xE9 is Oslash.
    FontMapEntry plain = *entry;
    plain.texName = "ptmr8a-plain";
    plain.reencode = false;
    plain.encodingFile.clear();
    map.Insert(plain);
    auto standard = Load("ptmr8a-plain");
    ASSERT_NE(standard, nullptr) << sink.Text();
    EXPECT_EQ(standard->Face()->charmap->encoding, FT_ENCODING_ADOBE_STANDARD);
    EXPECT_EQ(standard->GlyphIndex()[0xE9],
              FT_Get_Name_Index(standard->Face(), const_cast<char*>("Oslash")));
    EXPECT_EQ(sink.Text(), "");
}

TEST_F(OutlineFontTest, AnyEncodingFileOnTheLineReencodesTheFont) {
    // Times with the Cork vector: 0x15 is the en dash there (ffl in TeXBase1).
    FontMapEntry cork;
    ASSERT_TRUE(
        ParseFontMapLine("ptmr8t-cork Times-Roman \"ECEncoding ReEncodeFont\" <ec.enc "
                         "<utmr8a.pfb",
                         {}, cork));
    map.Insert(cork);
    auto font = Load("ptmr8t-cork");
    ASSERT_NE(font, nullptr) << sink.Text();
    FT_Face face = font->Face();
    EXPECT_EQ(font->GlyphIndex()[0x15], FT_Get_Name_Index(face, const_cast<char*>("endash")));
    EXPECT_NE(font->GlyphIndex()[0x15], 0);
    EXPECT_EQ(font->GlyphIndex()[0xE7], FT_Get_Name_Index(face, const_cast<char*>("ccedilla")));
    EXPECT_TRUE(font->Glyph(kTenPointAt150, 0x15, true).HasBits());

    // A missing encoding file is reported once; the font keeps its own encoding.
    FontMapEntry lost = cork;
    lost.texName = "ptmr-lost";
    lost.encodingFile = "quirn-no-such-vector.enc";
    map.Insert(lost);
    lost.texName = "ptmr-lost2";
    map.Insert(lost);
    auto standard = Load("ptmr-lost");
    ASSERT_NE(standard, nullptr);
    ASSERT_NE(Load("ptmr-lost2"), nullptr);
    EXPECT_EQ(sink.Text(), "Could not find encoding file: quirn-no-such-vector.enc\n");
    EXPECT_EQ(standard->GlyphIndex()['A'], FT_Get_Name_Index(face, const_cast<char*>("A")));

    // TeXBase1 is built in: without its file, an "8r.enc" line still finds "eacute" at
    // 0xE9 (the font's own encoding has "Oslash" there).
    sink.Clear();
    auto hide8r = [](const std::string& name, bool allowInstall) {
        return name == "8r.enc" ? std::string() : KpseFind(name, allowInstall);
    };
    auto times = LoadOutlineFont("ptmr8r", map, freeType, hide8r, &sink, nullptr);
    ASSERT_NE(times, nullptr);
    EXPECT_EQ(sink.Text(), "Could not find encoding file: 8r.enc\n");
    EXPECT_EQ(times->GlyphIndex()[0xE9],
              FT_Get_Name_Index(times->Face(), const_cast<char*>("eacute")));
}

// The x of the first ink pixel in a row of a monochrome glyph, from the reference point.
int32_t FirstMonoInk(const GlyphBitmap& g, int32_t rowFromTop) {
    for (int32_t x = 0; x < g.width; ++x) {
        if ((g.RowFromTop(rowFromTop)[x / 8] & (0x80 >> (x % 8))) == 0) {
            return g.left + x;
        }
    }
    return g.left + g.width;
}

int InkWidth(const GlyphBitmap& g) {
    return g.HasBits() ? g.width : 0;
}

TEST_F(OutlineFontTest, SlantAndExtensionFromTheMapShapeTheGlyphs) {
    const FontMapEntry* slanted = map.Find("ptmro8r");
    const FontMapEntry* narrow = map.Find("pcrr8rn");
    if (slanted == nullptr || narrow == nullptr || slanted->slant == 0.0 || narrow->extend == 1.0) {
        GTEST_SKIP() << "no slanted Times or narrow Courier in psfonts.map";
    }
    const int32_t size = 100;
    auto upright = Load("ptmr8r");
    auto oblique = Load("ptmro8r");
    ASSERT_NE(upright, nullptr);
    ASSERT_NE(oblique, nullptr);
    // A slanted "l" leans by the slant times the height: its top row starts that
    // much further right than the upright one, its bottom row where it did.
    const GlyphBitmap& l = upright->Glyph(size, 'l', false);
    const GlyphBitmap& lo = oblique->Glyph(size, 'l', false);
    ASSERT_TRUE(l.HasBits());
    ASSERT_TRUE(lo.HasBits());
    ASSERT_EQ(lo.rows, l.rows);
    ASSERT_EQ(lo.top, l.top);
    const int32_t topShift = FirstMonoInk(lo, 0) - FirstMonoInk(l, 0);
    const int32_t bottomShift = FirstMonoInk(lo, l.rows - 1) - FirstMonoInk(l, l.rows - 1);
    EXPECT_NEAR(topShift - bottomShift, slanted->slant * (l.rows - 1), 2.0);
    EXPECT_NEAR(bottomShift, slanted->slant * (l.top - l.rows), 2.0);

    auto courier = Load("pcrr8r");
    auto condensed = Load("pcrr8rn");
    ASSERT_NE(courier, nullptr);
    ASSERT_NE(condensed, nullptr);
    const int wide = InkWidth(courier->Glyph(size, 'm', true));
    const int slim = InkWidth(condensed->Glyph(size, 'm', true));
    ASSERT_GT(wide, 0);
    EXPECT_NEAR(slim, narrow->extend * wide, 2.0);
    EXPECT_EQ(courier->Glyph(size, 'm', true).rows, condensed->Glyph(size, 'm', true).rows);
    EXPECT_EQ(sink.Text(), "");
}

TEST_F(OutlineFontTest, TrueTypeCodesGoThroughUnicode) {
    const std::string ttf = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    if (KpseFind(ttf, false).empty()) {
        GTEST_SKIP() << "no DejaVuSans.ttf on this machine";
    }
    FontMapEntry dejavu;
    dejavu.texName = "dejavu";
    dejavu.postScriptName = "DejaVuSans";
    dejavu.outlineFile = ttf;
    map.Insert(dejavu);
    auto font = Load("dejavu");
    ASSERT_NE(font, nullptr) << sink.Text();
    FT_Face face = font->Face();
    EXPECT_FALSE(IsType1Face(face));
    EXPECT_EQ(face->charmap->encoding, FT_ENCODING_UNICODE);
    EXPECT_EQ(font->GlyphIndex()[0x27], FT_Get_Char_Index(face, 0x2019));
    EXPECT_EQ(font->GlyphIndex()[0x7B], FT_Get_Char_Index(face, 0x2013));
    EXPECT_EQ(font->GlyphIndex()[0xA1], FT_Get_Char_Index(face, '<'));
    EXPECT_EQ(font->GlyphIndex()['A'], FT_Get_Char_Index(face, 'A'));
    EXPECT_NE(font->GlyphIndex()[0x27], 0);
    EXPECT_EQ(font->GlyphIndex()[0x05], 0);  // no character
    EXPECT_TRUE(font->Glyph(kTenPointAt150, 'A', false).HasBits());
}

TEST_F(OutlineFontTest, FontsThatCannotBeDrawnSayWhy) {
    test::TempDir dir;
    const std::string bad = dir.Write("broken.pfb", "%!PS-AdobeFont-1.0: not really\n");
    map.Insert({"broken", "Broken", bad, false, {}, 0.0, 1.0});
    map.Insert({"missing", "Missing", "quirn-no-such-font.pfb", false, {}, 0.0, 1.0});
    FontMapEntry printerOnly;
    ASSERT_TRUE(ParseFontMapLine("pzzz8r Printer-Only \" TeXBase1Encoding ReEncodeFont \" <8r.enc",
                                 map.BuiltinDir(), printerOnly));
    map.Insert(printerOnly);

    std::string path = "unchanged";
    EXPECT_EQ(Load("nofont10", &path), nullptr);
    EXPECT_EQ(path, "unchanged");
    EXPECT_EQ(Load("pzzz8r"), nullptr);
    EXPECT_EQ(Load("missing", &path), nullptr);
    EXPECT_EQ(path, "");
    EXPECT_EQ(Load("broken", &path), nullptr);
    EXPECT_EQ(path, bad);
    EXPECT_EQ(sink.Text(),
              "No font mapping entry for font: nofont10\n"
              "Warning: PostScript only font 'Printer-Only' will not display in non-PS mode\n"
              "Could not find font outline file: quirn-no-such-font.pfb\n"
              "Corrupt font file: " +
                  bad + "\n");
    EXPECT_TRUE(map.NeedsReencoding("nofont10"));
}

}  // namespace
}  // namespace quirn

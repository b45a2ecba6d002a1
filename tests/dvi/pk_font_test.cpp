// The PK reader against TeX Live's own PK file reader (pktype) on bitmap fonts made by
// METAFONT through Quirn's file search, damaged PK files, and the resampling of PK
// glyphs to the drawn size.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <regex>
#include <sstream>
#include <thread>

#include "dvi/dvi_context.h"
#include "dvi/dvi_doc.h"
#include "dvi/fonts/byte_reader.h"
#include "dvi/fonts/file_search.h"
#include "dvi/fonts/pk_font.h"
#include "dvi/fonts/pk_maker.h"
#include "dvi_test_support.h"
#include "platform/environment_block.h"
#include "support/test_support.h"

namespace quirn {
namespace {

// The PK file of `font` at 600 dpi, made in a font cache inside `dir` when TeX Live
// holds none.
std::string MakePk(const test::TempDir& dir, const std::string& font) {
    FileSearch search(test::BuildDir() + "/");
    search.SetEnvironment(EnvironmentWith(
        ProcessEnvironment(), {"TEXMFVAR=" + dir.File("var"), "VARTEXFONTS=" + dir.File("fonts")}));
    int dpi = 0;
    const std::string path = search.FindPk(font, 600, true, dpi);
    EXPECT_EQ(dpi, 600) << font;
    return path;
}

// The characters as pktype lists them: size, offsets and the raster rebuilt from the
// run counts it prints ("(n)" white, "n" black, "[n]" repeats of the current row).
std::map<int, PkGlyph> PktypeGlyphs(const std::string& path) {
    std::string out;
    test::RunCommand("pktype '" + path + "'", &out);
    std::map<int, PkGlyph> glyphs;
    static const std::regex kChar(R"(Character = (\d+))");
    static const std::regex kSize(
        R"(Height = (\d+)\s+Width = (\d+)\s+X-offset = (-?\d+)\s+Y-offset = (-?\d+))");
    static const std::regex kRun(R"(\((\d+)\)|\[(\d+)\]|(\d+))");
    std::istringstream lines(out);
    std::string line;
    PkGlyph* glyph = nullptr;
    int code = -1;
    int64_t done = 0;  // pixels filled so far
    int64_t repeat = 0;
    for (std::smatch m; std::getline(lines, line);) {
        if (std::regex_search(line, m, kChar)) {
            code = std::stoi(m[1]);
            glyph = nullptr;
            continue;
        }
        if (code >= 0 && std::regex_search(line, m, kSize)) {
            glyph = &glyphs[code];
            glyph->height = std::stoi(m[1]);
            glyph->width = std::stoi(m[2]);
            glyph->hoff = std::stoi(m[3]);
            glyph->voff = std::stoi(m[4]);
            glyph->pixels.assign(static_cast<size_t>(glyph->width) * glyph->height, 0);
            done = 0;
            repeat = 0;
            continue;
        }
        if (glyph == nullptr || glyph->width == 0 || line.find('=') != std::string::npos) {
            continue;
        }
        const int64_t w = glyph->width;
        for (auto it = std::sregex_iterator(line.begin(), line.end(), kRun);
             it != std::sregex_iterator(); ++it) {
            const std::smatch& t = *it;
            if (t[2].matched) {
                repeat = std::stoll(t[2]);
                continue;
            }
            const bool ink = t[3].matched;
            int64_t count = std::stoll(ink ? t[3] : t[1]);
            while (count > 0 && done < static_cast<int64_t>(glyph->pixels.size())) {
                const int64_t take = std::min(count, w - done % w);
                std::fill_n(glyph->pixels.begin() + done, take, ink ? 1 : 0);
                done += take;
                count -= take;
                if (done % w == 0) {
                    // The row just finished is copied `repeat` times.
                    for (; repeat > 0 && done < static_cast<int64_t>(glyph->pixels.size());
                         --repeat) {
                        std::copy_n(glyph->pixels.begin() + done - w, w,
                                    glyph->pixels.begin() + done);
                        done += w;
                    }
                }
            }
        }
    }
    return glyphs;
}

TEST(PkFont, ReadsEveryCharacterAsPktypeDoes) {
    test::TempDir dir;
    // A METAFONT-only font of the manual, a logo font, and a T1 text font.
    for (const char* name : {"cmman", "logo10", "ecrm1000"}) {
        SCOPED_TRACE(name);
        const std::string path = MakePk(dir, name);
        ASSERT_FALSE(path.empty());
        const std::optional<std::vector<uint8_t>> bytes = ReadFileBytes(path);
        ASSERT_TRUE(bytes.has_value());
        std::string error;
        const std::optional<PkFile> file = ReadPkFile(*bytes, &error);
        ASSERT_TRUE(file.has_value()) << error;
        EXPECT_EQ(file->designSize, 10 << 20);
        EXPECT_NEAR(file->hppp / 65536.0, 600 / 72.27, 0.01);

        const std::map<int, PkGlyph> expected = PktypeGlyphs(path);
        ASSERT_FALSE(expected.empty());
        int count = 0;
        int inked = 0;
        for (int code = 0; code < 256; ++code) {
            const auto found = expected.find(code);
            ASSERT_EQ(file->glyphs[code].has_value(), found != expected.end()) << code;
            if (found == expected.end()) {
                continue;
            }
            ++count;
            const PkGlyph& mine = *file->glyphs[code];
            const PkGlyph& theirs = found->second;
            EXPECT_EQ(mine.width, theirs.width) << code;
            EXPECT_EQ(mine.height, theirs.height) << code;
            EXPECT_EQ(mine.hoff, theirs.hoff) << code;
            EXPECT_EQ(mine.voff, theirs.voff) << code;
            EXPECT_EQ(mine.pixels, theirs.pixels) << "raster of character " << code;
            inked += std::count(theirs.pixels.begin(), theirs.pixels.end(), 1) > 0;
        }
        EXPECT_EQ(count, static_cast<int>(expected.size()));
        EXPECT_GT(inked, 0);
    }
}

TEST(PkFont, DamagedFilesAreRejectedWithAReason) {
    test::TempDir dir;
    const std::string path = MakePk(dir, "cmman");
    ASSERT_FALSE(path.empty());
    const std::vector<uint8_t> good = *ReadFileBytes(path);
    std::string error;
    ASSERT_TRUE(ReadPkFile(good, &error).has_value()) << error;

    // Cut short anywhere before the postamble: never a font, always a reason.
    size_t post = good.size();
    while (post > 0 && good[post - 1] != 245) {
        --post;
    }
    ASSERT_GT(post, 0u);
    for (size_t length = 0; length + 1 < post; length += 7) {
        error.clear();
        EXPECT_FALSE(ReadPkFile(std::span(good.data(), length), &error).has_value()) << length;
        EXPECT_FALSE(error.empty()) << length;
    }
    // Not a PK file, and a preamble without a resolution.
    std::vector<uint8_t> bad = good;
    bad[1] = 90;
    EXPECT_FALSE(ReadPkFile(bad, &error).has_value());
    EXPECT_EQ(error, "not a PK file");
    // Every byte overwritten in turn: read or rejected, never beyond the buffer.
    for (size_t i = 0; i < good.size(); ++i) {
        bad = good;
        bad[i] = static_cast<uint8_t>(bad[i] ^ 0xA5);
        (void)ReadPkFile(bad, nullptr);
    }
    // A character claiming a raster far larger than any font's.
    std::vector<uint8_t> huge = {247, 89, 0};  // preamble without a comment
    auto put = [&huge](uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            huge.push_back(static_cast<uint8_t>(value >> shift));
        }
    };
    for (uint32_t value : {10u << 20, 0u, 544093u, 544093u}) {  // size, checksum, resolution
        put(value);
    }
    huge.push_back(0xE7);  // a character in the long form, stored as a plain bitmap
    for (uint32_t value : {32u, 65u, 0u, 0u, 0u, 0x7FFFFF00u, 0x7FFFFF00u, 0u, 0u}) {
        put(value);  // length, code, width, escapements, size and offsets
    }
    huge.push_back(245);
    EXPECT_FALSE(ReadPkFile(huge, &error).has_value());
    EXPECT_NE(error.find("character 65"), std::string::npos) << error;
}

TEST(PkFont, ResampledGlyphsKeepTheirInkAndPlace) {
    // A 5 x 8 block of ink that starts 3 pixels right of its reference point and
    // stands on the baseline.
    PkGlyph block;
    block.width = 5;
    block.height = 8;
    block.hoff = -3;
    block.voff = 8;
    block.pixels.assign(40, 1);

    GlyphBitmap same;
    ScalePkGlyph(block, 1.0, true, same);
    ASSERT_TRUE(same.HasBits());
    EXPECT_EQ(same.width, 5);
    EXPECT_EQ(same.rows, 8);
    EXPECT_EQ(same.left, 3);
    EXPECT_EQ(same.top, 8);
    EXPECT_EQ(same.RowFromTop(0)[0], 0);  // full ink

    // At a quarter, the block covers a quarter of one pixel and the whole next one.
    GlyphBitmap quarter;
    ScalePkGlyph(block, 0.25, true, quarter);
    ASSERT_TRUE(quarter.HasBits());
    EXPECT_EQ(quarter.width, 2);
    EXPECT_EQ(quarter.rows, 2);
    EXPECT_EQ(quarter.left, 0);
    EXPECT_EQ(quarter.top, 2);
    EXPECT_EQ(quarter.RowFromTop(0)[0], 191);  // a quarter covered: light grey
    EXPECT_EQ(quarter.RowFromTop(0)[1], 0);
    EXPECT_EQ(quarter.RowFromTop(1)[0], 191);
    GlyphBitmap mono;
    ScalePkGlyph(block, 0.25, false, mono);
    ASSERT_TRUE(mono.HasBits());
    EXPECT_EQ(mono.RowFromTop(0)[0] & 0xC0, 0x80);  // paper, then ink (a clear bit)

    // A real glyph keeps its ink through shrinking.
    test::TempDir dir;
    const std::string path = MakePk(dir, "cmman");
    ASSERT_FALSE(path.empty());
    std::optional<PkFile> file = ReadPkFile(*ReadFileBytes(path), nullptr);
    ASSERT_TRUE(file.has_value());
    const PkGlyph& g = *file->glyphs['0'];
    int64_t ink = 0;
    for (uint8_t p : g.pixels) {
        ink += p;
    }
    GlyphBitmap small;
    ScalePkGlyph(g, 0.25, true, small);
    ASSERT_TRUE(small.HasBits());
    double cover = 0;
    for (int32_t r = 0; r < small.rows; ++r) {
        for (int32_t x = 0; x < small.width; ++x) {
            cover += (255 - small.RowFromTop(r)[x]) / 255.0;
        }
    }
    EXPECT_NEAR(cover * 16, static_cast<double>(ink), ink * 0.02);
    // Through the font: at 150 dpi an em of 10 pt is about 21 pixels.
    PkFont font(std::move(*file));
    const GlyphBitmap& drawn = font.Glyph(21, '0', true);
    EXPECT_EQ(drawn.width, small.width);
    EXPECT_FALSE(font.Glyph(21, 200, true).HasBits());  // not in the font
}

TEST(PkFont, MissingBitmapFontsAreMadeInTheBackgroundAndAttachedWhenReady) {
    test::TempDir dir;
    // logo10 has only METAFONT sources; ptmr7t is a virtual font on ptmr8r, which has
    // metrics and no METAFONT source, so making its bitmaps fails.
    const std::string dvi = test::TypesetDvi(
        dir, "logo", "\\font\\l=logo10 \\font\\t=ptmr7t \\l META \\t x\\bye", "tex");
    ASSERT_FALSE(dvi.empty());

    StringSink sink;
    DviContext context(test::BuildDir() + "/", &sink, nullptr);
    const EnvironmentBlock environment = EnvironmentWith(
        ProcessEnvironment(), {"TEXMFVAR=" + dir.File("var"), "VARTEXFONTS=" + dir.File("fonts")});
    context.fileSearch.SetEnvironment(environment);
    BackgroundPkMaker maker(test::BuildDir() + "/", environment);
    context.pkMaker = &maker;

    // The load does not wait: both fonts are awaited, and the output window says so.
    CDVIDoc doc(context);
    ASSERT_TRUE(doc.OpenDocument(dvi)) << sink.Text();
    auto font = [&doc](const std::string& name) {
        for (const auto& f : doc.fonts) {
            if (f->name == name) {
                return f.get();
            }
        }
        return static_cast<DviFont*>(nullptr);
    };
    ASSERT_NE(font("logo10"), nullptr);
    EXPECT_EQ(font("logo10")->pkFont, nullptr);
    EXPECT_EQ(font("logo10")->pkPendingDpi, 600);
    EXPECT_NE(sink.Text().find("Font logo10 has no outline: making its bitmap font at 600 dpi "
                               "with METAFONT in the background"),
              std::string::npos)
        << sink.Text();
    EXPECT_TRUE(maker.Busy());
    // Asking again while it is being made starts no second helper.
    EXPECT_TRUE(maker.Start("logo10", 600));

    for (int i = 0; i < 1200 && maker.Busy(); ++i) {
        maker.Collect();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_FALSE(maker.Busy());
    sink.Clear();
    EXPECT_TRUE(AttachMadePkFonts(context, doc.fonts));
    ASSERT_NE(font("logo10")->pkFont, nullptr) << sink.Text();
    EXPECT_EQ(font("logo10")->pkPendingDpi, 0);
    EXPECT_TRUE(font("logo10")->pkFont->Glyph(21, 'M', true).HasBits());
    // The font that could not be made is reported, not dropped in silence, and not
    // tried again in the background.
    EXPECT_EQ(font("ptmr8r")->pkFont, nullptr);
    EXPECT_NE(sink.Text().find("Could not find or make a bitmap font for: ptmr8r"),
              std::string::npos)
        << sink.Text();
    EXPECT_EQ(sink.Text().find("making"), std::string::npos) << sink.Text();
    // A later load takes what was made without waiting or asking for it again.
    sink.Clear();
    ASSERT_TRUE(doc.Reload());
    EXPECT_NE(font("logo10")->pkFont, nullptr) << sink.Text();
    EXPECT_FALSE(maker.Busy());
    EXPECT_FALSE(maker.Busy());
    EXPECT_FALSE(AttachMadePkFonts(context, doc.fonts));
}

}  // namespace
}  // namespace quirn

// TFM metrics: real fonts against tftopl's listing, and hand-made files for the
// arithmetic and the rejection rules.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "dvi/dvi_test_support.h"
#include "dvi/fonts/byte_reader.h"
#include "dvi/fonts/file_search.h"
#include "dvi/fonts/tfm.h"

namespace quirn {
namespace {

using test::RunCommand;

std::string Kpsewhich(const std::string& name) {
    std::string out;
    RunCommand("kpsewhich " + name, &out);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) {
        out.pop_back();
    }
    return out;
}

// A TFM file with the given tables; char_info of each code comes from `index`.
struct TfmSpec {
    int bc = 0;
    int ec = -1;
    std::vector<int32_t> widths{0};
    std::vector<int32_t> heights{0};
    std::vector<int32_t> depths{0};
    int32_t checksum = 0;
    int32_t designSize = 10 << 20;
    std::function<std::array<int, 3>(int code)> index = [](int) {
        return std::array<int, 3>{0, 0, 0};
    };
    // Counts written instead of the table sizes (for rejection tests); -1 = real size.
    int nwOverride = -1, nhOverride = -1, ndOverride = -1, ecOverride = -1, bcOverride = -1;
};

std::vector<uint8_t> MakeTfm(const TfmSpec& spec) {
    test::DviWriter w;  // used only for its big-endian writer
    const int chars = spec.ec >= spec.bc ? spec.ec - spec.bc + 1 : 0;
    const int nw = static_cast<int>(spec.widths.size());
    const int nh = static_cast<int>(spec.heights.size());
    const int nd = static_cast<int>(spec.depths.size());
    const int lh = 2;
    const int lf = 6 + lh + chars + nw + nh + nd + 1 /* ni */;
    auto pick = [](int override, int real) { return override >= 0 ? override : real; };
    w.Int(lf, 2).Int(lh, 2).Int(pick(spec.bcOverride, spec.bc), 2);
    w.Int(pick(spec.ecOverride, spec.ec < 0 ? 0 : spec.ec), 2);
    w.Int(pick(spec.nwOverride, nw), 2).Int(pick(spec.nhOverride, nh), 2);
    w.Int(pick(spec.ndOverride, nd), 2).Int(1, 2).Int(0, 2).Int(0, 2).Int(0, 2).Int(0, 2);
    w.Int(spec.checksum, 4).Int(spec.designSize, 4);
    for (int code = spec.bc; code <= spec.ec; ++code) {
        auto [wi, hi, di] = spec.index(code);
        w.Byte(wi).Byte(hi << 4 | di).Byte(0).Byte(0);
    }
    for (int32_t v : spec.widths)
        w.Int(v, 4);
    for (int32_t v : spec.heights)
        w.Int(v, 4);
    for (int32_t v : spec.depths)
        w.Int(v, 4);
    w.Int(0, 4);  // italic correction 0
    return w.Bytes();
}

DviFont FontAt(int32_t s, int32_t d, int32_t c = 0) {
    DviFont font;
    font.s = s;
    font.d = d;
    font.c = c;
    return font;
}

TEST(ByteReader, BehavesLikeAByteStreamAtTheEnd) {
    const std::vector<uint8_t> bytes{0xFF, 0xFE, 0x80, 0x00, 0x01};
    ByteReader in(bytes);
    EXPECT_EQ(in.ReadSigned(2), -2);  // 0xFFFE sign-extended
    EXPECT_EQ(in.ReadSigned(1), -128);
    EXPECT_EQ(in.ReadUnsigned(2), 1u);
    // Every read that meets the end yields all bits set, signed or not.
    EXPECT_EQ(in.ReadByte(), -1);
    EXPECT_EQ(in.ReadSigned(3), -1);
    EXPECT_EQ(in.ReadUnsigned(1), 0xFFFFFFFFu);
    in.Seek(3);
    EXPECT_EQ(in.ReadUnsigned(4), 0xFFFFFFFFu) << "a read running over the end";
    // ungetc semantics: a real byte goes back, the end value does not.
    in.Seek(0);
    int b = in.ReadByte();
    in.PushBack(b);
    EXPECT_EQ(in.ReadUnsigned(1), 0xFFu);
    in.Seek(5);
    in.PushBack(in.ReadByte());
    EXPECT_EQ(in.Tell(), 5u);
    EXPECT_FALSE(in.Seek(-1));
    EXPECT_EQ(in.Tell(), 5u);
    in.Skip(int64_t{1} << 40);
    EXPECT_EQ(in.ReadByte(), -1);
}

// Every character that tftopl lists comes out as its fix_word times the size, and
// the others are 0; checked at the design size and at twice that.
TEST(TfmMetrics, MatchTheReferenceListingForTexAndPostScriptFonts) {
    for (const std::string name : {"cmr10", "cmmi10", "ptmr8r"}) {
        SCOPED_TRACE(name);
        const std::string path = Kpsewhich(name + ".tfm");
        ASSERT_FALSE(path.empty());
        const test::PlReport pl = test::RunTftopl(path);
        ASSERT_TRUE(pl.ok);
        ASSERT_FALSE(pl.chars.empty());
        const std::vector<uint8_t> bytes = test::ReadBytes(path);
        const auto header = ReadTfmHeader(bytes);
        ASSERT_TRUE(header);
        EXPECT_DOUBLE_EQ(header->designSize / 1048576.0, pl.designSize);

        const int32_t design = header->designSize / 16;
        for (int scale : {1, 2}) {
            DviFont font = FontAt(design * scale, design, header->checksum);
            ASSERT_TRUE(LoadMetricsFromBytes(font, bytes));
            std::array<bool, 256> listed{};
            for (const test::PlChar& c : pl.chars) {
                listed[static_cast<std::size_t>(c.code)] = true;
                const CharMetrics& m = font.metrics[static_cast<std::size_t>(c.code)];
                // tftopl prints six decimals, a little coarser than a fix_word.
                const double unit = static_cast<double>(design) * scale;
                EXPECT_NEAR(m.width, c.width * unit, 1.5 * scale) << "code " << c.code;
                EXPECT_NEAR(m.height, c.height * unit, 1.5 * scale) << "code " << c.code;
                EXPECT_NEAR(m.depth, c.depth * unit, 1.5 * scale) << "code " << c.code;
            }
            for (int code = 0; code < 256; ++code) {
                if (!listed[static_cast<std::size_t>(code)]) {
                    EXPECT_EQ(font.metrics[static_cast<std::size_t>(code)].width, 0);
                }
            }
        }
    }
}

TEST(TfmMetrics, FoundThroughTheFileSearchWithChecksumRules) {
    FileSearch search(test::BuildDir());
    const std::vector<uint8_t> bytes = test::ReadBytes(Kpsewhich("cmr10.tfm"));
    const int32_t checksum = ReadTfmHeader(bytes)->checksum;
    ASSERT_NE(checksum, 0);

    DviFont direct = FontAt(655360, 655360);
    ASSERT_TRUE(LoadMetricsFromBytes(direct, bytes));
    DviFont searched = FontAt(655360, 655360, checksum);
    searched.name = "cmr10";
    ASSERT_TRUE(LoadMetrics(searched, search));
    EXPECT_EQ(searched.metrics[65].width, direct.metrics[65].width);
    EXPECT_EQ(searched.metrics[65].width, 491521);  // 'A': 0.750002 of 10pt

    DviFont wrongChecksum = FontAt(655360, 655360, checksum ^ 1);
    wrongChecksum.name = "cmr10";
    EXPECT_FALSE(LoadMetrics(wrongChecksum, search));

    DviFont missing = FontAt(655360, 655360);
    missing.name = "quirn-no-such-font";
    EXPECT_FALSE(LoadMetrics(missing, search));
    EXPECT_EQ(search.StartCount(), 1) << "one helper serves every lookup";
}

TEST(TfmMetrics, TruncatesTowardZeroAndFillsTheWholeRange) {
    TfmSpec spec;
    spec.bc = 0;
    spec.ec = 255;
    // At 10pt: 41943 · 10 / 16 = 26214.375 and -6 · 10 / 16 = -3.75.
    spec.widths = {0, 41943, -6};
    spec.heights = {0, 1 << 20};
    spec.depths = {0, -(1 << 19)};
    spec.index = [](int code) { return std::array<int, 3>{code % 2 == 0 ? 1 : 2, 1, 1}; };
    const auto bytes = MakeTfm(spec);
    DviFont font = FontAt(655360, 655360);
    ASSERT_TRUE(LoadMetricsFromBytes(font, bytes));
    EXPECT_EQ(font.metrics[0].width, 26214);
    EXPECT_EQ(font.metrics[1].width, -3);
    EXPECT_EQ(font.metrics[254].width, 26214);
    EXPECT_EQ(font.metrics[255].width, -3);
    EXPECT_EQ(font.metrics[255].height, 655360);
    EXPECT_EQ(font.metrics[255].depth, -327680);

    // Scaled to 12pt of a 10pt font: w · s / 2^20.
    DviFont scaled = FontAt(786432, 655360);
    ASSERT_TRUE(LoadMetricsFromBytes(scaled, bytes));
    EXPECT_EQ(scaled.metrics[0].width, 31457);  // 41943 · 786432 / 2^20 = 31457.25
}

TEST(TfmMetrics, RejectsImpossibleCountsAndChecksumMismatches) {
    TfmSpec base;
    base.bc = 10;
    base.ec = 20;
    base.widths = {0, 1 << 19};
    base.index = [](int) { return std::array<int, 3>{1, 0, 0}; };
    const int32_t size = 655360;

    auto loads = [&](const TfmSpec& spec, int32_t c = 0) {
        DviFont font = FontAt(size, size, c);
        return LoadMetricsFromBytes(font, MakeTfm(spec));
    };
    EXPECT_TRUE(loads(base));
    TfmSpec s = base;
    s.ecOverride = 256;
    EXPECT_FALSE(loads(s)) << "ec 256";
    s = base;
    s.bcOverride = 257;
    EXPECT_FALSE(loads(s)) << "bc 257";
    s = base;
    s.nwOverride = 257;
    EXPECT_FALSE(loads(s)) << "nw 257";
    s = base;
    s.nhOverride = 17;
    EXPECT_FALSE(loads(s)) << "nh 17";
    s = base;
    s.ndOverride = 17;
    EXPECT_FALSE(loads(s)) << "nd 17";

    // An empty font (ec < bc) is fine and has no character.
    TfmSpec empty;
    empty.bc = 1;
    empty.ec = 0;
    DviFont font = FontAt(size, size);
    font.metrics[5].width = 99;
    ASSERT_TRUE(LoadMetricsFromBytes(font, MakeTfm(empty)));
    EXPECT_EQ(font.metrics[5].width, 0);

    // Checksums are compared only when both are set.
    s = base;
    s.checksum = 1234;
    EXPECT_TRUE(loads(s, 0));
    EXPECT_TRUE(loads(s, 1234));
    EXPECT_FALSE(loads(s, 4321));
    EXPECT_TRUE(loads(base, 4321)) << "a TFM checksum of 0";

    // A truncated file: counts read past the end are rejected; a file cut inside the
    // tables loads with what the end-of-file value makes of them, without reading out
    // of bounds.
    const auto whole = MakeTfm(base);
    DviFont cut = FontAt(size, size);
    EXPECT_FALSE(LoadMetricsFromBytes(cut, std::span(whole).first(10)));
    for (std::size_t n = 0; n < whole.size(); ++n) {
        DviFont partial = FontAt(size, size);
        LoadMetricsFromBytes(partial, std::span(whole).first(n));
    }
}

}  // namespace
}  // namespace quirn

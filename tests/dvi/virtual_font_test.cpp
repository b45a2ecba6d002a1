// Virtual fonts: a hand-made VF whose packet uses every kind of movement, a VF that
// names itself, and real psnfss fonts expanded against dvicopy's expansion.
#include <gtest/gtest.h>

#include <cstdlib>

#include "dvi/dvi_context.h"
#include "dvi/dvi_doc.h"
#include "dvi/dvi_test_support.h"
#include "dvi/fonts/virtual_font.h"
#include "dvi/interpret.h"
#include "dvi/interpret_page.h"

namespace quirn {
namespace {

// A VF file byte by byte.
struct VfBytes {
    std::vector<uint8_t> bytes{247, 202, 0};
    VfBytes() { I(0, 4).I(10 << 20, 4); }  // checksum 0, design size 10pt
    VfBytes& B(int b) {
        bytes.push_back(static_cast<uint8_t>(b));
        return *this;
    }
    VfBytes& I(int64_t v, int n) {
        for (int i = n - 1; i >= 0; --i) {
            B(static_cast<int>((static_cast<uint64_t>(v) >> (8 * i)) & 0xFF));
        }
        return *this;
    }
    VfBytes& Str(const std::string& s) {
        bytes.insert(bytes.end(), s.begin(), s.end());
        return *this;
    }
    // fnt_def1 k with a size relative to the VF's design size (2^20 = 1.0).
    VfBytes& FontDef(int k, const std::string& name, int32_t scale) {
        return B(243)
            .B(k)
            .I(0, 4)
            .I(scale, 4)
            .I(10 << 20, 4)
            .B(0)
            .B(static_cast<int>(name.size()))
            .Str(name);
    }
    VfBytes& Packet(int code, const std::vector<uint8_t>& dvi) {
        B(static_cast<int>(dvi.size())).B(code).I(0, 3);
        bytes.insert(bytes.end(), dvi.begin(), dvi.end());
        return *this;
    }
    VfBytes& Post() { return B(248).B(248).B(248); }
};

std::vector<uint8_t> Dvi(std::initializer_list<int> ops) {
    std::vector<uint8_t> v;
    for (int b : ops) {
        v.push_back(static_cast<uint8_t>(b & 0xFF));
    }
    return v;
}

TEST(VirtualFont, PacketMovementsScaleWithTheFontSize) {
    test::TempDir dir;
    StringSink sink;
    DviContext context(test::BuildDir() + "/", &sink, nullptr);
    std::vector<uint8_t> special = {239, 14};
    const std::string push = "color push Red";
    std::vector<uint8_t> packet = Dvi({'A',                    // set_char
                                       144, 0x03, 0xE8,        // right2 1000
                                       150, 0,    0x07, 0xD0,  // w3 2000
                                       147,                    // w0
                                       153, 0xF6,              // x1 -10
                                       157, 5,                 // down1 5
                                       163, 0,    100,         // y2 100
                                       167, 0xFC,              // z1 -4
                                       166,                    // z0
                                       141,                    // push
                                       132, 0,    0,    0x75, 0x30, 0, 0, 0x9C, 0x40,  // rule
                                       142,                                            // pop
                                       172,                                            // fnt_num_1
                                       133, 'B',                                       // put1
                                       176});  // fnt_num_5: not defined
    packet.insert(packet.end(), special.begin(), special.end());
    packet.insert(packet.end(), push.begin(), push.end());
    for (int b : std::initializer_list<int>{'C', 239, 9, 'c', 'o', 'l', 'o', 'r', ' ', 'p', 'o',
                                            'p', 142, 'D'}) {
        packet.push_back(static_cast<uint8_t>(b));
    }
    VfBytes vf;
    vf.FontDef(0, "cmr10", 1 << 20).FontDef(1, "cmr10", 1 << 19).Packet('A', packet);
    vf.Packet('E', Dvi({'E'})).Post();
    const std::string path = dir.File("synth.vf");
    test::WriteBytes(path, vf.bytes);

    DviFontList list;
    list.push_back(std::make_unique<DviFont>());
    DviFont& font = *list.back();
    font.name = "synth";
    font.s = 2 * 655360;  // twice the design size: movements scale by 1.25
    font.d = 655360;
    ASSERT_TRUE(LoadVirtualFontBytes(context, font, list, path, vf.bytes)) << sink.Text();
    const VirtualFontData& data = *font.virtualFont;
    EXPECT_EQ(data.path, path);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(data.defaultFont, list[1].get());
    EXPECT_EQ(list[1]->s, 2 * 655360);  // 1.0 of the 20pt font
    EXPECT_EQ(list[2]->s, 655360);      // 0.5 of it
    EXPECT_EQ(list[1]->d, 10 << 16);
    EXPECT_EQ(data.packets.size(), 2u);
    EXPECT_EQ(context.virtualFontNesting, 0);

    PageContent content;
    ColorState colours;
    GraphicsSearch search;
    PageInterpreter interpreter(context, colours, content, true, search, sink);
    interpreter.ExpandVirtualChar(GlyphPlacement{1000, 2000, 0, 'A', &font});
    interpreter.ExpandVirtualChar(GlyphPlacement{0, 0, 0, 'Z', &font});  // no packet
    EXPECT_EQ(context.movementScale, 1.0);

    const DviFont& big = *list[1];
    const DviFont& small = *list[2];
    const int32_t afterA = 1000 + big.metrics['A'].width;
    const int32_t h = afterA + 1250 + 2500 + 2500 - 12;  // right, w3, w0, x1 (trunc -12.5)
    const int32_t v = 2000 + 6 + 125 - 5 - 5;            // down1 6.25, y2, z1, z0
    ASSERT_EQ(content.glyphs.size(), 4u);
    EXPECT_EQ(content.glyphs[0].h, 1000);
    EXPECT_EQ(content.glyphs[0].v, 2000);
    EXPECT_EQ(content.glyphs[0].font, &big);
    EXPECT_EQ(content.glyphs[1].h, h);  // put1 B after the rule's push/pop
    EXPECT_EQ(content.glyphs[1].v, v);
    EXPECT_EQ(content.glyphs[1].font, &small);
    EXPECT_EQ(content.glyphs[2].code, static_cast<uint32_t>('C'));  // undefined font: skipped
    EXPECT_EQ(content.glyphs[2].h, h);
    EXPECT_EQ(content.glyphs[2].colour, 0x0000FFu);
    EXPECT_EQ(content.glyphs[3].code, static_cast<uint32_t>('D'));  // after the bad pop
    EXPECT_EQ(content.glyphs[3].h, h + small.metrics['C'].width);
    EXPECT_EQ(content.glyphs[3].colour, 0u);
    ASSERT_EQ(content.rules.size(), 1u);
    EXPECT_EQ(content.rules[0].h, h);
    EXPECT_EQ(content.rules[0].height, 37500);
    EXPECT_EQ(content.rules[0].width, 50000);
    EXPECT_EQ(content.specials.size(), 2u);
}

TEST(VirtualFont, DamagedFilesAreRejected) {
    StringSink sink;
    DviContext context(test::BuildDir() + "/", &sink, nullptr);
    auto load = [&](std::vector<uint8_t> bytes, int32_t checksum = 0) {
        DviFontList list;
        list.push_back(std::make_unique<DviFont>());
        list.back()->name = "bad";
        list.back()->c = checksum;
        list.back()->s = list.back()->d = 655360;
        return LoadVirtualFontBytes(context, *list.back(), list, "/nonexistent/bad.vf", bytes);
    };
    VfBytes good;
    good.Packet(1, Dvi({'x'})).Post();
    EXPECT_TRUE(load(good.bytes));
    auto wrongId = good.bytes;
    wrongId[1] = 2;
    EXPECT_FALSE(load(wrongId));
    auto checksum = good.bytes;
    checksum[6] = 1;  // checksum 1 against the definition's 7
    EXPECT_FALSE(load(checksum, 7));
    EXPECT_TRUE(load(checksum, 0));
    VfBytes badPacket;
    badPacket.B(243 + 7).Post();  // 250: not a packet
    EXPECT_FALSE(load(badPacket.bytes));
    auto truncated = good.bytes;
    truncated.resize(truncated.size() - 4);  // no post
    EXPECT_FALSE(load(truncated));
    EXPECT_FALSE(load({}));
    EXPECT_EQ(context.virtualFontNesting, 0);
}

TEST(VirtualFont, AFontThatNamesItselfStopsAfterTenLevels) {
    test::TempDir dir;
    std::string cmr10;
    ASSERT_EQ(test::RunCommand("kpsewhich cmr10.tfm", &cmr10), 0);
    cmr10.erase(cmr10.find_last_not_of("\n") + 1);
    test::WriteBytes(dir.File("selfvf.tfm"), test::ReadBytes(cmr10));
    VfBytes vf;
    vf.FontDef(0, "selfvf", 1 << 20).Packet('A', Dvi({'A'})).Post();
    test::WriteBytes(dir.File("selfvf.vf"), vf.bytes);
    const std::string searchPath = dir.Path() + ":";
    setenv("TEXFONTS", searchPath.c_str(), 1);  // the metric and virtual font paths

    StringSink sink;
    DviContext context(test::BuildDir() + "/", &sink, nullptr);
    test::DviWriter w;
    w.Pre().Page(1, {171, 'A'}).Post().FontDef(0, "selfvf").FontDef(1, "ptmr7t").PostPost();
    CDVIDoc doc(context);
    const bool loaded = doc.LoadDviBytes(w.Bytes());
    unsetenv("TEXFONTS");
    ASSERT_TRUE(loaded);

    const std::string& text = sink.Text();
    size_t recursions = 0, corrupt = 0;
    for (size_t at = text.find("VF recursion found in font selfvf!"); at != std::string::npos;
         at = text.find("VF recursion", at + 1)) {
        ++recursions;
    }
    for (size_t at = text.find("Corrupt VF file selfvf\n"); at != std::string::npos;
         at = text.find("Corrupt VF file", at + 1)) {
        ++corrupt;
    }
    EXPECT_EQ(recursions, 1u) << text;
    EXPECT_EQ(corrupt, 1u) << text;
    EXPECT_EQ(context.virtualFontNesting, 0);
    // The font loaded after it is an ordinary, working virtual font.
    const DviFont& times = *doc.fontTable.at(1);
    ASSERT_NE(times.virtualFont, nullptr);
    EXPECT_FALSE(times.virtualFont->path.empty());
    EXPECT_EQ(times.virtualFont->defaultFont->name, "ptmr8r");
    // The page expands through the ten good levels down to the eleventh, which has no
    // packets: nothing is drawn, and nothing hangs.
    const PageContent& c = *GetPageContent(doc, 0, true);
    EXPECT_EQ(c.glyphs.size(), 0u);
    EXPECT_EQ(GetPageContent(doc, 0, false)->glyphs.size(), 1u);
}

// Reads the records of `quirn-cli page-content` output.
std::vector<std::string> Records(const std::string& dvi, bool plain) {
    std::string out, err;
    test::RunCommand("'" + test::Program("quirn-cli") + "' page-content '" + dvi + "' --page 1" +
                         (plain ? " --plain" : ""),
                     &out, &err);
    std::vector<std::string> lines;
    for (size_t at = 0, nl; (nl = out.find('\n', at)) != std::string::npos; at = nl + 1) {
        lines.push_back(out.substr(at, nl - at));
    }
    return lines;
}

TEST(VirtualFont, ExpansionAgreesWithDvicopy) {
    test::TempDir dir;
    setenv("QUIRN_CONFIG_DIR", dir.File("config").c_str(), 1);
    const std::string dvi = test::TypesetDvi(dir, "doc", R"(\documentclass{article}
\usepackage{times}
\begin{document}
Times ``quoted'' text, ffi fl --- \textit{italic} \textbf{bold} \textsf{Helvetica}
\texttt{Courier}. {\fontencoding{T1}\selectfont Composite accents \'e \`a \^o \"u \c{c}
\v{s} \r{a} and guillemets \guillemotleft\ x \guillemotright.}
\end{document}
)");
    ASSERT_FALSE(dvi.empty());
    std::string out;
    ASSERT_EQ(test::RunCommand("cd '" + dir.Path() + "' && dvicopy doc.dvi copy.dvi", &out), 0);

    const std::vector<std::string> expanded = Records(dvi, false);
    const std::vector<std::string> copied = Records(dir.File("copy.dvi"), true);
    const std::vector<std::string> plain = Records(dvi, true);
    ASSERT_GT(expanded.size(), 60u);
    ASSERT_EQ(expanded.size(), copied.size());
    EXPECT_NE(expanded, plain);  // the plain content keeps the virtual characters
    // Same records in the same order; positions may differ by dvicopy's rounding of
    // the scaled packet amounts.
    for (size_t i = 0; i < expanded.size(); ++i) {
        char kindA[16], kindB[16], restA[64] = "", restB[64] = "";
        long ha = 0, va = 0, hb = 0, vb = 0;
        std::sscanf(expanded[i].c_str(), "%15s %ld %ld %63[^\n]", kindA, &ha, &va, restA);
        std::sscanf(copied[i].c_str(), "%15s %ld %ld %63[^\n]", kindB, &hb, &vb, restB);
        EXPECT_STREQ(kindA, kindB) << i;
        EXPECT_NEAR(ha, hb, 2) << expanded[i] << " | " << copied[i];
        EXPECT_NEAR(va, vb, 2) << expanded[i] << " | " << copied[i];
        EXPECT_STREQ(restA, restB) << i;
    }
}

}  // namespace
}  // namespace quirn

// Encoding vectors: the ".enc" files of the installed TeX Live read by the parser,
// damaged vectors rejected, and the font map reading each file once.
#include "dvi/fonts/encoding.h"

#include <gtest/gtest.h>

#include <string>

#include "dvi/fonts/byte_reader.h"
#include "dvi/fonts/font_map.h"
#include "platform/output_sink.h"
#include "support/test_support.h"

namespace quirn {
namespace {

std::string Kpsewhich(const std::string& name) {
    std::string out;
    if (test::RunCommand("kpsewhich '" + name + "'", &out) != 0) {
        return {};
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) {
        out.pop_back();
    }
    return out;
}

std::string ReadText(const std::string& path) {
    auto bytes = ReadFileBytes(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

TEST(EncodingVector, InstalledFilesParseAnd8rMatchesTheBuiltInTable) {
    const std::string path8r = Kpsewhich("8r.enc");
    ASSERT_FALSE(path8r.empty());
    EncodingVector vector;
    std::string error;
    ASSERT_TRUE(ParseEncodingVector(ReadText(path8r), vector, error)) << error;
    EXPECT_EQ(vector.name, "TeXBase1Encoding");
    for (int code = 0; code < 256; ++code) {
        EXPECT_EQ(vector.glyphs[static_cast<size_t>(code)], TeXBase1GlyphName(code)) << code;
    }

    // The Cork vector puts the dashes and accented letters where T1 fonts use them.
    const std::string pathEc = Kpsewhich("ec.enc");
    ASSERT_FALSE(pathEc.empty());
    ASSERT_TRUE(ParseEncodingVector(ReadText(pathEc), vector, error)) << error;
    EXPECT_EQ(vector.name, "ECEncoding");
    EXPECT_EQ(vector.glyphs[0x15], "endash");
    EXPECT_EQ(vector.glyphs[0xDF], "Germandbls");
    EXPECT_EQ(vector.glyphs[0xE7], "ccedilla");
}

TEST(EncodingVector, ShortVectorsAreFilledAndDamagedOnesRejected) {
    EncodingVector vector;
    std::string error;
    ASSERT_TRUE(ParseEncodingVector("% comment [ /x\n/Tiny[/a/b %c /z\n /c]def", vector, error))
        << error;
    EXPECT_EQ(vector.name, "Tiny");
    EXPECT_EQ(vector.glyphs[0], "a");
    EXPECT_EQ(vector.glyphs[1], "b");
    EXPECT_EQ(vector.glyphs[2], "c");
    EXPECT_EQ(vector.glyphs[3], ".notdef");
    EXPECT_EQ(vector.glyphs[255], ".notdef");

    std::string tooLong = "/Big [";
    for (int i = 0; i < 257; ++i) {
        tooLong += " /g" + std::to_string(i);
    }
    tooLong += " ] def";
    for (const std::string& text : {
             std::string(),
             std::string("% only a comment\n"),
             std::string("[ /a ] def"),
             std::string("/X /a /b"),
             std::string("/X [ /a /b"),
             std::string("/X [ /a 12 ] def"),
             std::string("/X [ / ] def"),
             std::string("/X [ /a (b) ]"),
             tooLong,
         }) {
        vector.name = "unchanged";
        error.clear();
        EXPECT_FALSE(ParseEncodingVector(text, vector, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
        EXPECT_EQ(vector.name, "unchanged");
    }
}

TEST(FontMapEncoding, EachFileIsReadOnceAndFailuresAreReportedOnce) {
    test::TempDir dir;
    const std::string good = dir.Write("good.enc", "/Good [ /A /B ] def\n");
    const std::string bad = dir.Write("bad.enc", "/Bad [ /A ");
    int lookups = 0;
    auto find = [&](const std::string& name, bool) -> std::string {
        ++lookups;
        if (name == "good.enc")
            return good;
        if (name == "bad.enc")
            return bad;
        return {};
    };
    FontMap map;
    StringSink sink;
    const EncodingVector* first = map.Encoding("good.enc", find, &sink);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->glyphs[1], "B");
    EXPECT_EQ(map.Encoding("good.enc", find, &sink), first);
    EXPECT_EQ(map.Encoding("bad.enc", find, &sink), nullptr);
    EXPECT_EQ(map.Encoding("bad.enc", find, &sink), nullptr);
    EXPECT_EQ(map.Encoding("none.enc", find, &sink), nullptr);
    EXPECT_EQ(map.Encoding("none.enc", find, &sink), nullptr);
    EXPECT_EQ(lookups, 3);
    EXPECT_EQ(sink.Text(), "Corrupt encoding file: " + bad +
                               " (the vector has no closing \"]\")\n"
                               "Could not find encoding file: none.enc\n");

    // A new set of map files reads the encodings afresh.
    map.LoadFontMap({}, find, &sink, false);
    EXPECT_NE(map.Encoding("good.enc", find, &sink), nullptr);
    EXPECT_EQ(lookups, 4);
}

}  // namespace
}  // namespace quirn

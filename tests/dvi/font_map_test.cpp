// The previewer's font map: map lines as dvips writes them, and loading a set of map
// files through the file search.
#include "dvi/fonts/font_map.h"

#include <gtest/gtest.h>

#include "platform/output_sink.h"
#include "support/test_support.h"

namespace quirn {
namespace {

FontMapEntry Parse(const std::string& line, const std::string& builtin = {}) {
    FontMapEntry entry;
    EXPECT_TRUE(ParseFontMapLine(line, builtin, entry)) << line;
    return entry;
}

TEST(FontMapLine, OutlineFileEncodingAndTransformsFollowTheLine) {
    FontMapEntry e =
        Parse("ptmr8r Times-Roman \"TeXBase1Encoding ReEncodeFont\" <8r.enc <utmr8a.pfb\n");
    EXPECT_EQ(e.texName, "ptmr8r");
    EXPECT_EQ(e.postScriptName, "Times-Roman");
    EXPECT_EQ(e.outlineFile, "utmr8a.pfb");
    EXPECT_TRUE(e.reencode);
    EXPECT_EQ(e.encodingFile, "8r.enc");
    EXPECT_EQ(e.slant, 0.0);
    EXPECT_EQ(e.extend, 1.0);

    e = Parse("ptmr8r Times-Roman \"TeXBase1Encoding ReEncodeFont\" < utmr8a.PFB");
    EXPECT_EQ(e.outlineFile, "utmr8a.PFB");
    EXPECT_FALSE(e.reencode);
    EXPECT_EQ(e.encodingFile, "");

    // Blanks after "<" are allowed; any word holding a font extension counts, the
    // last one wins; every encoding file is taken, also in the "<[" and "<<" forms.
    e = Parse("cmr10 CMR10 <  cmr10.pfa <texnansi.enc <other.TTF\n");
    EXPECT_EQ(e.outlineFile, "other.TTF");
    EXPECT_TRUE(e.reencode);
    EXPECT_EQ(e.encodingFile, "texnansi.enc");
    EXPECT_EQ(Parse("x X <[cm-super-t1.enc <x.pfb").encodingFile, "cm-super-t1.enc");
    EXPECT_EQ(Parse("x X <<t2a.ENC <x.pfb").encodingFile, "t2a.ENC");
    // A "<<" download mark keeps its second "<" in the file name.
    EXPECT_EQ(Parse("cmr10 CMR10 <<cmr10.pfb").outlineFile, "<cmr10.pfb");
    // Marks stop at the first word that is not one.
    e = Parse("x X <8r.enc trailing <x.pfb");
    EXPECT_TRUE(e.reencode);
    EXPECT_EQ(e.outlineFile, "!PS X");

    // The quoted instructions slant and widen the font.
    e = Parse(
        "ptmro8r Times-Roman \" .167 SlantFont TeXBase1Encoding ReEncodeFont \" <8r.enc "
        "<utmr8a.pfb");
    EXPECT_DOUBLE_EQ(e.slant, 0.167);
    EXPECT_EQ(e.extend, 1.0);
    e = Parse("phvr8rn Helvetica \".82 ExtendFont TeXBase1Encoding ReEncodeFont\" <8r.enc");
    EXPECT_EQ(e.slant, 0.0);
    EXPECT_DOUBLE_EQ(e.extend, 0.82);
    e = Parse("x X \"-0.2 SlantFont 1.2 ExtendFont\" <x.pfb");
    EXPECT_DOUBLE_EQ(e.slant, -0.2);
    EXPECT_DOUBLE_EQ(e.extend, 1.2);
    // Nonsense values and operators without a number leave the font as it is.
    for (const char* line : {"x X \"SlantFont ExtendFont\" <x.pfb", "x X \"abc SlantFont\" <x.pfb",
                             "x X \"0 ExtendFont -1 ExtendFont 1e300 SlantFont\" <x.pfb",
                             "x X \"nan SlantFont inf ExtendFont\" <x.pfb", "x X \".5 SlantFont"}) {
        e = Parse(line);
        EXPECT_EQ(e.extend, 1.0) << line;
        EXPECT_EQ(e.slant, line == std::string("x X \".5 SlantFont") ? 0.5 : 0.0) << line;
    }

    // Without a file the font is printer-only, unless Quirn has it built in.
    EXPECT_EQ(Parse("phvr8r Helvetica \" TeXBase1Encoding ReEncodeFont \" <8r.enc").outlineFile,
              "!PS Helvetica");
    test::TempDir dir;
    dir.Write("PS35/Helvetica.pfb", "x");
    EXPECT_EQ(Parse("phvr8r Helvetica <8r.enc", dir.File("PS35")).outlineFile,
              dir.File("PS35") + "/Helvetica.pfb");
    EXPECT_EQ(BuiltinPostScriptFontDir("/opt/quirn/"), "/opt/quirn/texmf-tlv/fonts/pfb/Quirn/PS35");
}

TEST(FontMapLine, CommentsIndentedAndShortLinesDefineNothing) {
    FontMapEntry e;
    for (const char* line :
         {"% cmr10 CMR10 <cmr10.pfb", "* cmr10 CMR10", "#cmr10 CMR10", ";cmr10 CMR10",
          " cmr10 CMR10 <cmr10.pfb", "\tcmr10 CMR10", "\n", "", "cmr10\n", "lonely"}) {
        EXPECT_FALSE(ParseFontMapLine(line, {}, e)) << line;
    }
    // Words are cut at 80 characters; the rest of a long name becomes the next word.
    std::string longName(85, 'a');
    e = Parse(longName + " PS <f.pfb");
    EXPECT_EQ(e.texName, std::string(80, 'a'));
    EXPECT_EQ(e.postScriptName, "aaaaa");
}

TEST(FontMap, LoadReadsTheMapsInOrderAndReportsMissingOnes) {
    test::TempDir dir;
    const std::string first = dir.Write("first.map",
                                        "% comment\n"
                                        "cmr10 CMR10 <cmr10.pfb\n"
                                        "ptmr8r Times-Roman \" TeXBase1Encoding ReEncodeFont \" "
                                        "<8r.enc <utmr8a.pfb\n");
    const std::string second = dir.Write("second.map", "cmr10 CMR10 <other-cmr10.pfb\n");
    auto find = [&](const std::string& name, bool allowInstall) -> std::string {
        EXPECT_TRUE(allowInstall);
        if (name == "first.map")
            return first;
        if (name == "second.map")
            return second;
        if (name == "unreadable.map")
            return dir.File("gone.map");
        return {};
    };
    FontMap map("/nonexistent-install/");
    FontMapEntry stale;
    stale.texName = "stale";
    stale.outlineFile = "stale.pfb";
    map.Insert(stale);
    StringSink sink;
    map.LoadFontMap({"first.map", "missing.map", "second.map", "unreadable.map"}, find, &sink,
                    true);
    EXPECT_EQ(sink.Text(), "map file = " + first +
                               "\n"
                               "map file = \n"
                               "Warning: could not find fontmap file missing.map\n"
                               "map file = " +
                               second + "\nmap file = " + dir.File("gone.map") +
                               "\nWarning: could not find fontmap file unreadable.map\n");
    EXPECT_EQ(map.Size(), 2u);
    EXPECT_EQ(map.LookupOutline("stale"), "");
    EXPECT_EQ(map.LookupOutline("cmr10"), "other-cmr10.pfb");  // the later line wins
    EXPECT_FALSE(map.NeedsReencoding("cmr10"));
    EXPECT_TRUE(map.NeedsReencoding("ptmr8r"));
    EXPECT_TRUE(map.NeedsReencoding("unknown"));
    EXPECT_EQ(map.LookupOutline("CMR10"), "");  // names are compared exactly

    // Without debug mode only the warnings appear.
    sink.Clear();
    map.LoadFontMap({"missing.map"}, find, &sink, false);
    EXPECT_EQ(sink.Text(), "Warning: could not find fontmap file missing.map\n");
    EXPECT_EQ(map.Size(), 0u);
}

}  // namespace
}  // namespace quirn

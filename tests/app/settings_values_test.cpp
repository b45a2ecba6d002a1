// The values the pages of the Settings dialog edit: taken from the settings record,
// written back on OK only, and the conversions of sizes, colours, engines and
// dictionaries. No window is involved.
#include "app/settings_values.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "app/profile.h"
#include "app/settings.h"
#include "platform/program_resolver.h"
#include "platform/settings_store.h"
#include "support/test_support.h"

namespace quirn {
namespace {

using test::TempDir;

TEST(SettingsValues, OkWritesThePageMembersBackAndLeavesEveryOtherMemberAlone) {
    Settings record;
    record.texEngine = "tex";
    record.dviMagnification = 40;  // out of range: shown as the default step
    record.viewMagH = 123;         // edited by no page
    SpellOptions spell;
    SettingsPageValues v = ValuesFromSettings(record, spell);
    EXPECT_EQ(v.typesetting.engine, "tex");
    EXPECT_EQ(v.viewer.magnification, 10);

    v.editor.wordWrap = false;
    v.editor.commandColor = 0x123456;
    v.typesetting.engine = "pdfetex";
    v.viewer.magnification = kMagnificationFitPage;
    v.spell.options.ignoreComments = 1;
    v.spell.dictionary = "british";
    v.bibtex.bibInput = "/bib";
    v.advanced.psRender = 3;
    v.advanced.psRenderCmd = "gs %DPI";
    ApplyValues(v, record, spell);
    EXPECT_EQ(record.wordWrap, 0);
    EXPECT_EQ(record.commandColor, 0x123456);
    EXPECT_EQ(record.texEngine, "pdfetex");
    EXPECT_EQ(record.dviMagnification, 12);
    EXPECT_EQ(spell.ignoreComments, 1);
    EXPECT_EQ(record.ispellHash, "british");
    EXPECT_EQ(record.bibInput, "/bib");
    EXPECT_EQ(record.psRender, 3);
    EXPECT_EQ(record.psRenderCmd, "gs %DPI");
    EXPECT_EQ(record.viewMagH, 123);
    // Taking the values again gives what was written.
    EXPECT_EQ(ValuesFromSettings(record, spell), v);

    // The spelling options live in their own section, with defaults for missing keys.
    auto store = MakeMemoryStore();
    Profile profile(*store);
    EXPECT_EQ(LoadSpellOptions(profile), SpellOptions{});
    ASSERT_TRUE(SaveSpellOptions(profile, spell));
    EXPECT_EQ(profile.GetInt("TeXSpell", "IgnoreComments", -1), 1);
    EXPECT_EQ(LoadSpellOptions(profile), spell);
}

TEST(SettingsValues, SizesColoursEnginesAndDictionaries) {
    EXPECT_EQ(ThousandthsText(8500), "8.5");
    EXPECT_EQ(ThousandthsText(21000), "21");
    EXPECT_EQ(ThousandthsText(8268), "8.268");
    EXPECT_EQ(ParseThousandths(" 8.5 "), 8500);
    EXPECT_FALSE(ParseThousandths("").has_value());
    EXPECT_FALSE(ParseThousandths("8.5in").has_value());
    EXPECT_FALSE(ParseThousandths("-1").has_value());
    EXPECT_FALSE(ParseThousandths("0").has_value());
    EXPECT_EQ(ConvertThousandths(8500, 0, 1), 21590);
    EXPECT_EQ(ConvertThousandths(21590, 1, 0), 8500);
    EXPECT_EQ(PageSizes().at(static_cast<size_t>(CustomPageSizeIndex())).width, 0);
    EXPECT_EQ(RulerUnitNames().at(3), "Points");

    Rgb c = RgbFromColorRef(0x00332211);
    EXPECT_EQ(c.red, 0x11);
    EXPECT_EQ(c.green, 0x22);
    EXPECT_EQ(c.blue, 0x33);
    EXPECT_EQ(ColorRefFromRgb(c), 0x00332211);

    TempDir dir;
    std::vector<std::string> engines = UsableEngines(dir.Path() + "/", "mytex");
    EXPECT_EQ(engines.front(), "pdfetex");  // TeX Live's engines are on PATH here
    EXPECT_EQ(engines.back(), "mytex");     // the current one is always offered
    // XeLaTeX and LuaLaTeX run on these engines.
    for (const char* pdfEngine : {"xetex", "luatex"}) {
        if (!ResolveProgram(dir.Path() + "/", pdfEngine).empty()) {
            EXPECT_NE(std::find(engines.begin(), engines.end(), pdfEngine), engines.end())
                << pdfEngine;
        }
    }
    dir.Write("a/british.hash", "");
    dir.Write("a/notes.txt", "");
    dir.Write("b/american.hash", "");
    EXPECT_EQ(DictionaryNames({dir.File("a"), dir.File("b"), dir.File("none")}, "american"),
              (std::vector<std::string>{"american", "british"}));
}

}  // namespace
}  // namespace quirn

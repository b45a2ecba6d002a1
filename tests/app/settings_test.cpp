#include "app/settings.h"

#include <gtest/gtest.h>

#include "app/registry.h"

namespace quirn {
namespace {

DataRoots Roots() {
    return {"/opt/quirn/", "/usr/share/quirn/", "/var/lib/quirn/", "/home/u/q/"};
}

TEST(Settings, LoadGivesTheTableDefaultsAndSaveWritesThemBack) {
    auto store = MakeMemoryStore();
    Profile profile(*store);
    DataRoots roots = Roots();
    SettingsManager m(profile, roots, 96);

    // A save without a prior load writes nothing at all.
    m.Record().wordWrap = 0;
    m.LoadSaveSettings(Direction::Save);
    EXPECT_FALSE(store->KeyExists(StoreRoot::User, kUserRootKey));

    m.LoadSaveSettings(Direction::Load);
    const Settings& s = m.Record();
    EXPECT_EQ(s.wordWrap, 1);
    EXPECT_EQ(s.texEngine, "pdfetex");
    EXPECT_EQ(s.viewAAThresh, 10000);
    EXPECT_EQ(s.copyBackColor, 16777215);
    EXPECT_DOUBLE_EQ(s.pageWidth, 8.5);
    EXPECT_EQ(s.bibtexOptions, "-8");
    EXPECT_EQ(s.screenFont.height, -(17 * 96) / 120);
    EXPECT_EQ(s.screenFont.faceName, "Monospace");
    EXPECT_EQ(s.tdsArchivePath, (std::vector<std::string>{
                                    "/home/u/q/texmf", "/opt/quirn/texmf-tlv",
                                    "/usr/share/quirn/texmf", "/var/lib/quirn/texmf-var",
                                    "/usr/share/quirn/texmf-dist", "/usr/share/quirn/texmf-doc"}));
    EXPECT_EQ(s.tfmPath, std::vector<std::string>{"."});
    EXPECT_EQ(s.fontPrioritySlots, (std::array<int, 3>{2, 1, 3}));

    m.Record().pageWidth = 8.5;
    m.Record().texEngine = "tex";
    m.LoadSaveSettings(Direction::Save);
    Registry reg(*store);
    EXPECT_EQ(reg.ReadInt(UserPath("Settings/PageWidth")), 8500);
    EXPECT_EQ(reg.ReadText(UserPath("Settings/TeXEngine6")), "tex");
    EXPECT_EQ(reg.ReadText(UserPath("Directories/Install")), "/opt/quirn/");
    EXPECT_EQ(reg.ReadText(UserPath("Font/FaceName")), "Monospace");
    EXPECT_EQ(reg.ReadInt(UserPath("PrintFont/PitchAndFamily")), 49);
    // Keys that are only read at load are not written by the main save.
    EXPECT_FALSE(reg.ReadText(UserPath("Directories/TFMPath")));
    EXPECT_FALSE(reg.ReadInt(UserPath("Settings/MagnifyingBoxSize")));
}

TEST(Settings, StoredValuesWinAndRealsAreThousandths) {
    auto store = MakeMemoryStore();
    Registry reg(*store);
    reg.WriteInt(UserPath("Settings/PageHeight"), 8499);
    reg.WriteInt(UserPath("Settings/ViewMagH"), 500);
    reg.WriteText(UserPath("Typeset/Format"), "LaTeX");
    reg.WriteText(UserPath("Directories/TFMPath"), "/a;/b;;" + std::string(300, 'x') + ";/c");
    reg.WriteText(UserPath("fonts/Priority"), "TT");
    reg.WriteInt(UserPath("Font/CommandColor"), 0x123456);
    reg.WriteText(UserPath("Font/FaceName"), std::string(40, 'F'));
    reg.WriteInt(UserPath("Font/Height"), -20);

    Profile profile(*store);
    DataRoots roots = Roots();
    SettingsManager m(profile, roots, 120);
    int mathBefore = m.Record().mathColor;
    m.LoadSaveSettings(Direction::Load);
    const Settings& s = m.Record();
    EXPECT_DOUBLE_EQ(s.pageHeight, 8.499);
    EXPECT_EQ(s.viewMagH, 500);
    EXPECT_EQ(s.format, "LaTeX");
    EXPECT_EQ(s.tfmPath.size(), 4u);
    // The font loader's slots leave out an entry that does not fit 256 characters.
    EXPECT_EQ(s.tfmSlots, (std::vector<std::string>{"/a", "/b", "/c"}));
    EXPECT_EQ(s.fontPrioritySlots, (std::array<int, 3>{1, 0, 3}));
    EXPECT_EQ(s.commandColor, 0x123456);
    EXPECT_EQ(s.mathColor, mathBefore);  // no stored colour keeps the current one
    EXPECT_EQ(s.screenFont.faceName.size(), 31u);
    EXPECT_EQ(s.screenFont.height, -20);
    EXPECT_EQ(s.printFont.height, -(17 * 120) / 120);
}

TEST(Settings, TheEditorFontIsTheDesktopsMonospaceFaceAndOtherFacesStay) {
    for (auto [stored, loaded] : {std::pair{"Courier New", "Monospace"},
                                  std::pair{"DejaVu Sans Mono", "DejaVu Sans Mono"}}) {
        auto store = MakeMemoryStore();
        Profile profile(*store);
        profile.WriteText("Font", "FaceName", stored);
        DataRoots roots = Roots();
        SettingsManager m(profile, roots, 96);
        m.LoadSaveSettings(Direction::Load);
        EXPECT_EQ(m.Record().screenFont.faceName, loaded);
    }
}

TEST(Settings, FontPriorityFillsTwoSlotsAndAlwaysEndsWithBitmaps) {
    EXPECT_EQ(ParseFontPriority("PS,TT"), (std::array<int, 3>{2, 1, 3}));
    EXPECT_EQ(ParseFontPriority("TT"), (std::array<int, 3>{1, 0, 3}));
    EXPECT_EQ(ParseFontPriority("TT,PS,TT"), (std::array<int, 3>{1, 2, 3}));
    EXPECT_EQ(ParseFontPriority("xxPSyy"), (std::array<int, 3>{2, 0, 3}));
    EXPECT_EQ(ParseFontPriority(""), (std::array<int, 3>{0, 0, 3}));
}

TEST(Settings, RealValuesTruncateTowardZero) {
    auto store = MakeMemoryStore();
    Profile p(*store);
    double v = 8.5;
    p.ProfileReal(Direction::Save, "S", "A", v, 0);
    EXPECT_EQ(p.GetInt("S", "A", 0), 8500);
    v = 1.2349;
    p.ProfileReal(Direction::Save, "S", "A", v, 0);
    EXPECT_EQ(p.GetInt("S", "A", 0), 1234);
    v = -2.0009;
    p.ProfileReal(Direction::Save, "S", "A", v, 0);
    EXPECT_EQ(p.GetInt("S", "A", 0), -2000);
    p.ProfileReal(Direction::Load, "S", "Missing", v, 11.0);
    EXPECT_DOUBLE_EQ(v, 11.0);
}

}  // namespace
}  // namespace quirn

// Font map regeneration over real trees: the map list, the combined dvips and pdfTeX
// maps built with Quirn's file search from the TeX installation's maps and the trees'
// own maps, and the previewer's font map that follows them.
#include "packages/font_maps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "app/profile.h"
#include "app/settings.h"
#include "app/tex_environment.h"
#include "dvi/fonts/font_context.h"
#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/settings_store.h"
#include "support/test_support.h"

namespace quirn {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Every font that the installed TeX Live's map of that name maps has a line in `lines`.
::testing::AssertionResult MapsEveryFontOf(const std::vector<std::string>& lines,
                                           const std::string& installedMap) {
    const std::set<std::string> installed = test::InstalledMapFontNames(installedMap);
    if (installed.empty())
        return ::testing::AssertionFailure() << "kpsewhich finds no " << installedMap;
    std::set<std::string> mapped;
    for (const std::string& line : lines)
        mapped.insert(line.substr(0, line.find_first_of(" \t")));
    for (const std::string& name : installed) {
        if (!mapped.count(name))
            return ::testing::AssertionFailure() << name << " of " << installedMap << " is missing";
    }
    return ::testing::AssertionSuccess();
}

// Answers "not installed" after giving the test a chance to act during a lookup.
class CallbackInstaller : public MissingFileInstaller {
  public:
    std::function<void(const std::string&)> onAsk;
    bool InstallMissingFile(const std::string& name) override {
        if (onAsk) {
            onAsk(name);
        }
        return false;
    }
};

// A Quirn installation (the build tree, with Quirn's texmf-tlv) whose system,
// variable and user data roots lie in a temporary directory, and the TeX
// environment pointing the file search at them.
class FontMapsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        roots.installDir = test::BuildDir() + "/";
        roots.tdsPath = dir.Path() + "/data/";
        roots.varDataPath = roots.tdsPath;
        roots.userDataPath = dir.Path() + "/user/";
        fs::create_directories(roots.tdsPath + "texmf-var");
        fs::create_directories(roots.userDataPath + "texmf");
        context.fileSearch.SetEnvironment(
            BuildTexEnvironment(ProcessEnvironment(), roots, profile));
        context.fileSearch.SetInstaller(&installer);
    }

    std::string Read(const std::string& path) const { return test::ReadFile(path); }

    std::unique_ptr<SettingsStore> store = MakeMemoryStore();
    Profile profile{*store};
    test::TempDir dir;
    DataRoots roots;
    StringSink sink;
    CallbackInstaller installer;
    FontContext context{test::BuildDir() + "/", &sink};
};

TEST_F(FontMapsTest, RefreshListsTheTreesMapsAndCombinesTheActiveOnes) {
    dir.Write("data/texmf/fonts/map/dvips/pkg/pkgfont.map",
              "% pkgfont: a package's map\n"
              "pkgr10 PkgFont-Regular <cmr10.pfb\n"
              "cmr10 CMR10 <cmr10.pfb\n");
    dir.Write("data/texmf/tpm/package/pkg.tpm",
              "<?xml version=\"1.0\"?>\n<!DOCTYPE rdf:RDF SYSTEM \"tpm.dtd\">\n"
              "<TPM:Installation>\n  <TPM:Execute function=\"addMap\" mode=\"mixed\" "
              "parameter=\"pkgfont.map\"/>\n</TPM:Installation>\n");
    dir.Write("data/texmf/tpm/package/ignored.zip.tpm",
              "<!DOCTYPE rdf <TPM:Execute function=\"addMap\" parameter=\"zipped.map\"/>");
    dir.Write("data/texmf-dist/fonts/map/dvips/other/inactive.map",
              "inactr10 Inactive-Regular <cmr10.pfb\n");
    dir.Write("data/texmf-doc/fonts/map/doc.map", "docr10 Doc <cmr10.pfb\n");
    dir.Write("user/texmf/dvips/base/user.map", "userr10 UserFont <cmr10.pfb\n");

    FontMapRegenerator maps(context, roots);
    ASSERT_TRUE(maps.RefreshFontMapping(DefaultTreeList(roots))) << sink.Text();
    const FontMapFiles& files = maps.Files();
    EXPECT_EQ(files.mapList, roots.varDataPath + "texmf-var/fonts/map/mapfiles.map");
    EXPECT_EQ(sink.Text(), "Could not find map file " + files.mapList + ".\n");

    // Sorted by path; the maps of the documentation tree are left out.
    EXPECT_EQ(Read(files.mapList),
              "% All map files: % - not installed, remove % to install it\n"
              "\n% From path: " +
                  dir.Path() +
                  "/data/texmf-dist/fonts/map/dvips/other\n\n"
                  "% PD inactive.map\n"
                  "\n% From path: " +
                  dir.Path() +
                  "/data/texmf/fonts/map/dvips/pkg\n\n"
                  "PD pkgfont.map\n"
                  "\n% From path: " +
                  dir.Path() +
                  "/user/texmf/dvips/base\n\n"
                  "PD user.map\n");

    // dvips.map: the installation's psfonts.map, the package's map and the user's,
    // without comments, sorted, every line once.
    const std::vector<std::string> dvips = Lines(Read(files.dvipsMap));
    EXPECT_TRUE(MapsEveryFontOf(dvips, "psfonts.map"));
    EXPECT_TRUE(std::is_sorted(dvips.begin(), dvips.end()));
    EXPECT_EQ(std::adjacent_find(dvips.begin(), dvips.end()), dvips.end());
    EXPECT_TRUE(HasLine(dvips, "pkgr10 PkgFont-Regular <cmr10.pfb"));
    EXPECT_TRUE(HasLine(dvips, "cmr10 CMR10 <cmr10.pfb"));
    EXPECT_TRUE(HasLine(dvips, "userr10 UserFont <cmr10.pfb"));
    EXPECT_FALSE(HasLine(dvips, "inactr10 Inactive-Regular <cmr10.pfb"));
    EXPECT_FALSE(HasLine(dvips, "% pkgfont: a package's map"));
    const std::vector<std::string> pdftex = Lines(Read(files.pdftexMap));
    EXPECT_TRUE(MapsEveryFontOf(pdftex, "pdftex.map"));
    EXPECT_TRUE(std::is_sorted(pdftex.begin(), pdftex.end()));
    EXPECT_TRUE(HasLine(pdftex, "pkgr10 PkgFont-Regular <cmr10.pfb"));
    EXPECT_EQ(maps.Written(),
              (std::vector<std::string>{files.mapList, files.dvipsMap, files.pdftexMap}));
    EXPECT_EQ(maps.DvipsSet(),
              (std::vector<std::string>{"psfonts.map", "pkgfont.map", "user.map"}));
    EXPECT_EQ(maps.PdftexSet(),
              (std::vector<std::string>{"pdftex_dl14.map", "pkgfont.map", "user.map"}));

    // The previewer's font map follows the dvips set.
    EXPECT_EQ(context.fontMap.LookupOutline("pkgr10"), "cmr10.pfb");
    EXPECT_EQ(context.fontMap.LookupOutline("userr10"), "cmr10.pfb");
    EXPECT_EQ(context.fontMap.LookupOutline("ptmr8r"), "utmr8a.pfb");
    EXPECT_TRUE(context.fontMap.NeedsReencoding("ptmr8r"));
    EXPECT_EQ(context.fontMap.LookupOutline("inactr10"), "");

    // Activating a map keeps it active through the next rebuild of the list.
    ASSERT_TRUE(maps.AppendActiveMap("inactive.map"));
    EXPECT_NE(Read(files.mapList).find("PD user.map\nPD inactive.map\n"), std::string::npos);
    sink.Clear();
    ASSERT_TRUE(maps.RefreshFontMapping(DefaultTreeList(roots)));
    EXPECT_EQ(sink.Text(), "");
    EXPECT_NE(Read(files.mapList).find("\n\nPD inactive.map\n"), std::string::npos);
    EXPECT_TRUE(HasLine(Lines(Read(files.dvipsMap)), "inactr10 Inactive-Regular <cmr10.pfb"));
    EXPECT_EQ(context.fontMap.LookupOutline("inactr10"), "cmr10.pfb");
}

TEST_F(FontMapsTest, MissingMapsAreReportedAndARegenerationIsNotReentered) {
    FontMapRegenerator maps(context, roots);
    context.debugMode = true;
    dir.Write("data/texmf-var/fonts/map/mapfiles.map",
              "% hand-written list\nPD quirn-no-such.map\nD\n");
    // The file search offers the missing map for installation; a regeneration started
    // from there returns at once.
    std::vector<bool> nested;
    installer.onAsk = [&](const std::string& name) {
        if (name == "quirn-no-such.map") {
            nested.push_back(maps.RegenerateMaps());
        }
    };
    ASSERT_TRUE(maps.RegenerateMaps()) << sink.Text();
    EXPECT_FALSE(maps.Running());
    ASSERT_FALSE(nested.empty());
    EXPECT_FALSE(nested[0]);
    const std::string text = sink.Text();
    EXPECT_EQ(text.rfind("Regenerating font maps\n", 0), 0u) << text;
    EXPECT_EQ(text.find("Regenerating font maps\n", 1), std::string::npos) << text;
    EXPECT_NE(text.find("Warning: could not find fontmap file quirn-no-such.map\n"),
              std::string::npos);
    EXPECT_NE(text.find("map file = "), std::string::npos);  // the font map's debug lines
    // The user's map is created empty when missing.
    EXPECT_TRUE(fs::exists(maps.Files().userMap));
    EXPECT_TRUE(maps.DvipsSet().size() == 2 && maps.DvipsSet()[1] == "quirn-no-such.map");

    // A variable-data root that cannot hold files: nothing is written, every output
    // says so, and the previewer still gets its font map.
    test::TempDir other;
    DataRoots broken = roots;
    broken.varDataPath = other.Write("not-a-directory", "x") + "/";
    FontMapRegenerator failing(context, broken);
    sink.Clear();
    context.debugMode = false;
    EXPECT_FALSE(failing.RefreshFontMapping({}));
    const std::string failed = sink.Text();
    for (const std::string& path :
         {failing.Files().mapList, failing.Files().dvipsMap, failing.Files().pdftexMap}) {
        EXPECT_NE(failed.find("Couldn't create mapfile " + path + "\n"), std::string::npos)
            << failed;
    }
    EXPECT_TRUE(failing.Written().empty());
    EXPECT_EQ(context.fontMap.LookupOutline("cmr10"), "cmr10.pfb");
}

TEST_F(FontMapsTest, DeferredRefreshRunsEachRequestedStepOnceOnRelease) {
    FontMapRegenerator maps(context, roots);
    int rebuilds = 0;
    {
        DeferredMapRefresh refresh(maps, [&] { ++rebuilds; });
        refresh.PackageDatabasesChanged();
        refresh.PackageDatabasesChanged();
        EXPECT_EQ(rebuilds, 0);
        EXPECT_FALSE(fs::exists(maps.Files().dvipsMap));
        refresh.Release();
        EXPECT_EQ(rebuilds, 1);
        EXPECT_FALSE(fs::exists(maps.Files().dvipsMap));  // maps were not asked for
        refresh.FontMapsChanged();
    }
    EXPECT_EQ(rebuilds, 1);
    EXPECT_TRUE(fs::exists(maps.Files().dvipsMap));
    EXPECT_GE(context.fontMap.Size(), test::InstalledMapFontNames("psfonts.map").size());
}

TEST_F(FontMapsTest, FileNameDatabasesAreRebuiltWhereTheTreesKeepOne) {
    const std::string indexed = dir.Path() + "/data/texmf";
    const std::string plain = dir.Path() + "/data/texmf-dist";
    dir.Write("data/texmf/ls-R",
              "% ls-R -- filename database for kpathsea; do not change this line.\n");
    dir.Write("data/texmf/fonts/map/dvips/pkg/new.map", "");
    dir.Write("data/texmf-dist/fonts/map/other.map", "");
    ASSERT_FALSE(context.fileSearch.FindFile("texmf.cnf", false).empty());
    ASSERT_TRUE(context.fileSearch.Running());

    RebuildFileNameDatabases(context, {indexed, plain}, roots.installDir);
    EXPECT_EQ(sink.Text(), "Regenerating package databases ...\n");
    EXPECT_NE(test::ReadFile(indexed + "/ls-R").find("new.map"), std::string::npos);
    EXPECT_FALSE(fs::exists(plain + "/ls-R"));
    EXPECT_FALSE(context.fileSearch.Running());  // the next lookup sees the new files
}

TEST(FontMapsCommand, RegenerateWritesTheThreeFilesAndNamesThem) {
    test::TempDir home;
    std::string out, err;
    const int rc =
        test::RunCommand("cd '" + home.Path() + "' && env HOME='" + home.Path() +
                             "' XDG_DATA_HOME='" + home.File("data") + "' XDG_CONFIG_HOME='" +
                             home.File("config") + "' QUIRN_CONFIG_DIR='" + home.File("config") +
                             "' '" + test::Program("quirn-cli") + "' maps regenerate",
                         &out, &err);
    ASSERT_EQ(rc, 0) << err;
    const std::vector<std::string> paths = Lines(out);
    ASSERT_EQ(paths.size(), 3u) << out << err;
    EXPECT_EQ(FileNameOf(paths[0]), "mapfiles.map");
    EXPECT_EQ(FileNameOf(paths[1]), "dvips.map");
    EXPECT_EQ(FileNameOf(paths[2]), "pdftex.map");
    for (const std::string& path : paths) {
        EXPECT_EQ(path.rfind(home.File("data") + "/", 0), 0u) << path;
        EXPECT_TRUE(fs::exists(path)) << path;
    }
    EXPECT_TRUE(HasLine(Lines(test::ReadFile(paths[1])), "cmr10 CMR10 <cmr10.pfb"));
    EXPECT_EQ(err.find("could not find"), std::string::npos) << err;
    EXPECT_EQ(test::RunCommand(test::Program("quirn-cli") + " maps", &out, &err), 2);
}

}  // namespace
}  // namespace quirn

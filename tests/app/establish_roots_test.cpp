#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/profile.h"
#include "app/tex_environment.h"
#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/settings_store.h"
#include "platform/user_prompt.h"
#include "support/test_support.h"

namespace quirn {
namespace {

namespace fs = std::filesystem;

// An installation with its starting files, an application-data folder and a documents
// folder holding an older layout, all in one temporary directory.
class EstablishRootsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        install = dir.File("install/");
        dir.Write("install/texmf-tlv/dvips/base/user.map", "% user map\n");
        dir.Write("install/texmf-tlv/fonts/pfb/Quirn/qfont.pfb", "font");
        dir.Write("install/texmf-var/tex/generic/config/language.dat", "english hyphen.tex\n");
        dir.Write("install/samples/QuirnIntro/QuirnIntro.tex", "\\relax\n");
        dir.Write("install/CUSTOM.DIC", "quirn\n");
        dir.Write("install/ispell/ispell_german.dic", "wort\n");
        dir.Write("docs/My TeXMF/tex/latex/old/old.sty", "%old\n");
        fs::create_directories(dir.File("data"));
        env.Set("XDG_DATA_HOME", dir.File("data"));
        env.Set("XDG_DOCUMENTS_DIR", dir.File("docs"));
        env.Set("QUIRN_CONFIG_DIR", dir.File("config"));
        for (const char* v : {"VARTEXMF", "TEXMFMAIN", "TEXMFDIST", "TEXMFLOCAL", "MYTEXMF",
                              "QUIRN_USERTEXINPUT", "TEXMFCNF"}) {
            env.Unset(v);
        }
        root = dir.File("data/quirn/");
    }

    bool Establish() {
        roots = DataRoots{};
        roots.installDir = install;
        return EstablishRoots(roots, profile, output, &prompt);
    }

    // A variable of the data roots as children get it.
    std::string Env(const char* name) {
        return EnvironmentValue(TexVariables(roots, profile), name).value_or("(unset)");
    }

    test::TempDir dir;
    test::ScopedEnvironment env;
    std::unique_ptr<SettingsStore> store = MakeMemoryStore();
    Profile profile{*store};
    StringSink output;
    ScriptedPrompt prompt;
    DataRoots roots;
    std::string install, root;
};

TEST_F(EstablishRootsTest, FirstStartSetsUpTheUserRootOnceAndPublishesTheRoots) {
    ASSERT_TRUE(Establish());
    EXPECT_EQ(roots.installDir, install);
    EXPECT_EQ(roots.userDataPath, root);
    // The installation holds no texmf tree: the system data root moves to the common
    // data folder, which here is the user's own.
    EXPECT_EQ(roots.tdsPath, root);
    EXPECT_EQ(roots.varDataPath, root);
    EXPECT_EQ(Env("VARTEXMF"), root + "texmf-var");
    EXPECT_TRUE(DirectoryExists(root + "texmf-var"));
    // The moved root's trees are reached through the overlay (beside VARTEXMF);
    // TEXMFMAIN and TEXMFDIST stay TeX Live's own, which they would hide.
    EXPECT_EQ(Env("TEXMFMAIN"), "(unset)");
    EXPECT_EQ(Env("TEXMFDIST"), "(unset)");

    const std::string tree = root + "texmf/";
    EXPECT_EQ(test::ReadFile(tree + "dvips/base/user.map"), "% user map\n");
    EXPECT_TRUE(FileExists(tree + "fonts/pfb/Quirn/qfont.pfb"));
    EXPECT_TRUE(FileExists(tree + "tex/generic/config/language.dat"));
    EXPECT_TRUE(FileExists(tree + "Samples/QuirnIntro/QuirnIntro.tex"));
    EXPECT_TRUE(FileExists(tree + "tex/latex/old/old.sty"));  // the older layout
    EXPECT_TRUE(DirectoryExists(root + "templates"));
    EXPECT_EQ(test::ReadFile(root + "ispell/ispell_american.dic"), "quirn\n");
    EXPECT_EQ(test::ReadFile(root + "ispell/ispell_german.dic"), "wort\n");
    EXPECT_EQ(profile.GetText("Migration", "LocalDataPath", ""), "1");
    EXPECT_EQ(profile.GetText("Directories", "LocalDataPath", ""), dir.File("data/quirn"));
    EXPECT_EQ(profile.GetInt("Migration", "NewAppData", 0), 1);
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_EQ(output.Text(), "");

    // Second start with the stored root unchanged: nothing is copied again.
    dir.Write("data/quirn/texmf/dvips/base/user.map", "% the user's own fonts\n");
    fs::remove_all(dir.File("docs/My TeXMF"));
    ASSERT_TRUE(Establish());
    EXPECT_EQ(roots.userDataPath, root);
    EXPECT_EQ(test::ReadFile(root + "texmf/dvips/base/user.map"), "% the user's own fonts\n");

    // A stored root that is not the default location: set-up runs again and the
    // stored value is replaced.
    profile.WriteText("Directories", "LocalDataPath", dir.File("elsewhere"));
    ASSERT_TRUE(Establish());
    EXPECT_EQ(roots.userDataPath, root);
    EXPECT_EQ(test::ReadFile(root + "texmf/dvips/base/user.map"), "% user map\n");
    EXPECT_EQ(profile.GetText("Directories", "LocalDataPath", ""), dir.File("data/quirn"));
}

// A user data root made under the earlier names keeps the user's files: it is renamed
// to the current names, and the stored root follows it.
TEST_F(EstablishRootsTest, EarlierFolderNamesAreRenamedWithTheirContents) {
    fs::remove_all(dir.File("docs/My TeXMF"));
    dir.Write("data/Quirn/My TeXMF/tex/latex/mine/mine.sty", "%mine\n");
    dir.Write("data/Quirn/My TeXMF/dvips/base/user.map", "% the user's own fonts\n");
    dir.Write("data/Quirn/My Templates/letter.tex", "%letter\n");
    profile.WriteInt("Migration", "NewAppData", 1);
    profile.WriteText("Migration", "LocalDataPath", "1");
    profile.WriteText("Directories", "LocalDataPath", dir.File("data/Quirn"));
    ASSERT_TRUE(Establish());
    EXPECT_EQ(roots.userDataPath, root);
    EXPECT_FALSE(FileExists(dir.File("data/Quirn")));
    EXPECT_EQ(test::ReadFile(root + "texmf/tex/latex/mine/mine.sty"), "%mine\n");
    EXPECT_EQ(test::ReadFile(root + "texmf/dvips/base/user.map"), "% the user's own fonts\n");
    EXPECT_EQ(test::ReadFile(root + "templates/letter.tex"), "%letter\n");
    EXPECT_FALSE(FileExists(root + "My TeXMF"));
    EXPECT_EQ(Env("MYTEXMF"), root + "texmf");
    EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(EstablishRootsTest, FailuresKeepTheUserRootAtInstallDir) {
    // A copy that fails names the file and leaves the user root at InstallDir; nothing
    // is stored, so set-up runs again at the next start.
    dir.Write("data/quirn/texmf/dvips", "a file where a folder belongs");
    Establish();
    EXPECT_EQ(roots.userDataPath, install);
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].rfind("Cannot migrate " + install +
                                           "texmf-tlv/dvips/base/user.map"
                                           ", error: ",
                                       0),
              0u)
        << prompt.messages[0];
    EXPECT_FALSE(profile.Has("Migration", "LocalDataPath"));
    fs::remove(dir.File("data/quirn/texmf/dvips"));
    ASSERT_TRUE(Establish());
    EXPECT_EQ(roots.userDataPath, root);

    // An installation that ships no language list only warns.
    fs::remove_all(dir.File("data"));
    fs::remove(install + "texmf-var/tex/generic/config/language.dat");
    profile.WriteText("Migration", "LocalDataPath", "0");
    output.Clear();
    ASSERT_TRUE(Establish());
    EXPECT_EQ(output.Text(), "Warning: reference file language.dat is missing\n");

    // The application-data folder cannot be created: the user root becomes InstallDir.
    env.Set("XDG_DATA_HOME", dir.Write("blocked", "a file") + "/share");
    prompt.messages.clear();
    output.Clear();
    // The user's tree ("texmf") then lies in the installation, which so holds a
    // writable tree and stays the system data root as well.
    EXPECT_TRUE(Establish());
    EXPECT_EQ(roots.userDataPath, install);
    EXPECT_TRUE(FileExists(install + "texmf/dvips/base/user.map"));
    EXPECT_EQ(roots.tdsPath, install);
    EXPECT_TRUE(DirectoryExists(install + "texmf-var"));

    // Without a writable variable-data root there is nothing to run with.
    fs::remove_all(install + "texmf");
    fs::remove_all(install + "texmf-var");
    dir.Write("install/texmf-var", "a file where a folder belongs");
    EXPECT_FALSE(Establish());
    EXPECT_NE(output.Text().find("Cannot create the folder"), std::string::npos);
}

TEST_F(EstablishRootsTest, InstallationWithWritableTreesKeepsTheSystemRoot) {
    fs::create_directories(install + "texmf-dist");
    ASSERT_TRUE(Establish());
    EXPECT_EQ(roots.tdsPath, install);
    EXPECT_EQ(roots.varDataPath, install);
    EXPECT_EQ(Env("VARTEXMF"), install + "texmf-var");
    EXPECT_EQ(Env("TEXMFMAIN"), "(unset)");
}

TEST_F(EstablishRootsTest, VariablesForChildrenAndTheirDiagnosticBlock) {
    ASSERT_TRUE(Establish());
    profile.WriteText("Directories", "ExtraTexInputPath", "C:\\figs;/home/u/in");
    profile.WriteText("Directories", "TFMPath", "");
    EXPECT_EQ(Env("QUIRN_USERTEXINPUT"), "C:/figs;/home/u/in;.;" + root + "texmf/");
    EXPECT_EQ(Env("TEXMFLOCAL"), install + "texmf-tlv");
    EXPECT_EQ(Env("MYTEXMF"), root + "texmf");
    EXPECT_EQ(Env("TEXMFCNF"), install + "texmf-tlv/web2c:");

    // The directory settings change: the input path follows.
    profile.WriteText("Directories", "FigurePath", "/pics");
    EXPECT_EQ(Env("QUIRN_USERTEXINPUT"), "C:/figs;/home/u/in;/pics;" + root + "texmf/");

    output.Clear();
    PrintEnvironment(roots, TexVariables(roots, profile), output);
    EXPECT_EQ(
        output.Text(),
        "\nSystem values:\nPath: TDSPath = " + root + "\nPath: VarDataPath = " + root +
            "\nEVar: TEXMFMAIN = \nEVar: TEXMFDIST = \nEVar: VARTEXMF = " + root +
            "texmf-var\nEVar: TEXMFLOCAL = " + install + "texmf-tlv\nEVar: MYTEXMF = " + root +
            "texmf\nEVar: QUIRN_USERTEXINPUT = C:/figs;/home/u/in;/pics;" + root + "texmf/\n");
}

}  // namespace
}  // namespace quirn

// The configuration overlay, checked with the real file search of the TeX
// installation: what a child process of Quirn finds, and what it must not find.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/application.h"
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

// Runs kpsewhich as a child of this process, with this process's environment.
std::string Which(const std::string& args) {
    std::string out;
    test::RunCommand("kpsewhich " + args, &out);
    return out;
}

TEST(TexmfOverlay, ChildrenSearchQuirnsTreesFirstAndNeverInheritedPaths) {
    test::TempDir dir;
    // The installation: Quirn's own tree is the project's, as in the build tree.
    fs::create_directories(dir.File("install"));
    fs::create_directory_symlink(test::SourceDir() + "/data/texmf-tlv",
                                 dir.File("install/texmf-tlv"));
    dir.Write("data/.keep", "");
    dir.Write("leak/leaked.sty", "");
    dir.Write("leak/article.cls", "");
    dir.Write("extra/extrafile.tex", "");

    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
    for (const char* v :
         {"XDG_DATA_HOME", "QUIRN_CONFIG_DIR", "TEXINPUTS", "TEXMFCNF", "VARTEXMF", "TEXMFLOCAL",
          "MYTEXMF", "QUIRN_USERTEXINPUT", "TEXMFMAIN", "TEXMFDIST", "TEXMFHOME"}) {
        const char* old = std::getenv(v);
        saved.emplace_back(v, old ? std::optional<std::string>(old) : std::nullopt);
    }
    ::setenv("XDG_DATA_HOME", dir.File("data").c_str(), 1);
    ::setenv("QUIRN_CONFIG_DIR", dir.File("config").c_str(), 1);
    // What the parent's environment may carry into Quirn.
    ::setenv("TEXINPUTS", (dir.File("leak") + ":").c_str(), 1);
    ::setenv("TEXMFCNF", dir.File("leak").c_str(), 1);
    ::setenv("TEXMFHOME", dir.File("leak").c_str(), 1);

    auto store = MakeMemoryStore();
    Profile profile(*store);
    profile.WriteText("Directories", "ExtraTexInputPath", dir.File("extra"));
    StringSink output;
    DataRoots roots;
    roots.installDir = dir.File("install/");
    // The start-up order: roots, removal of inherited TeX variables, TeX variables.
    ASSERT_TRUE(EstablishRoots(roots, profile, output, nullptr));
    RemoveInheritedTexVariables();
    SetTexVariables(roots, profile);

    std::string userSty = dir.Write("data/quirn/texmf/tex/latex/x/quirnx.sty", "");
    std::string systemSty = dir.Write("data/quirn/texmf/tex/latex/y/quirny.sty", "");
    std::string ownCls = dir.Write("data/quirn/texmf/tex/latex/x/report.cls", "");

    EXPECT_EQ(Which("-progname=latex quirnx.sty"), userSty + "\n");
    // The system data root's tree is reached beside the variable-data tree.
    std::string found = Which("-progname=latex quirny.sty");
    ASSERT_FALSE(found.empty());
    found.pop_back();
    EXPECT_EQ(fs::canonical(found), fs::canonical(systemSty));
    // The user's tree comes before the installation's.
    EXPECT_EQ(Which("-progname=latex report.cls"), ownCls + "\n");
    // The installation's files are still found, never the inherited ones.
    std::string article = Which("-progname=latex article.cls");
    EXPECT_NE(article.find("/tex/latex/base/article.cls"), std::string::npos) << article;
    EXPECT_EQ(article.find(dir.File("leak")), std::string::npos) << article;
    EXPECT_EQ(Which("-progname=latex leaked.sty"), "");
    EXPECT_NE(Which("-progname=pdfetex latex.ltx").find("latex.ltx"), std::string::npos);
    // The user's extra input directories are searched after the trees, for LaTeX and
    // for any format name.
    EXPECT_EQ(Which("-progname=latex extrafile.tex"), dir.File("extra/extrafile.tex") + "\n");
    EXPECT_EQ(Which("-progname=mylatex extrafile.tex"), dir.File("extra/extrafile.tex") + "\n");

    for (auto& [name, value] : saved) {
        if (value) {
            ::setenv(name.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name.c_str());
        }
    }
}

}  // namespace
}  // namespace quirn

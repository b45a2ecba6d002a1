// The configuration overlay, checked with the real file search of the TeX
// installation: what a child process of Quirn finds, and what it must not find.
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

// Runs kpsewhich with exactly the environment Quirn builds for its children.
std::string Which(const EnvironmentBlock& environment, const std::string& progname,
                  const std::string& name) {
    auto quote = [](const std::string& text) {
        std::string quoted = "'";
        for (char c : text)
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return quoted + "'";
    };
    std::string command = "env -i";
    for (const std::string& entry : environment)
        command += " " + quote(entry);
    std::string out;
    test::RunCommand(command + " kpsewhich " + quote("-progname=" + progname) + " " + quote(name),
                     &out);
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

    test::ScopedEnvironment parent;
    parent.Set("XDG_DATA_HOME", dir.File("data"));
    parent.Set("QUIRN_CONFIG_DIR", dir.File("config"));
    // What the parent's environment may carry into Quirn.
    parent.Set("TEXINPUTS", dir.File("leak") + ":");
    parent.Set("TEXMFCNF", dir.File("leak"));
    parent.Set("TEXMFHOME", dir.File("leak"));

    auto store = MakeMemoryStore();
    Profile profile(*store);
    profile.WriteText("Directories", "ExtraTexInputPath", dir.File("extra"));
    StringSink output;
    DataRoots roots;
    roots.installDir = dir.File("install/");
    // The start-up order: roots, then the children's environment without the
    // inherited TeX variables and with the roots' own.
    ASSERT_TRUE(EstablishRoots(roots, profile, output, nullptr));
    const EnvironmentBlock env = BuildTexEnvironment(ProcessEnvironment(), roots, profile);

    std::string userSty = dir.Write("data/quirn/texmf/tex/latex/x/quirnx.sty", "");
    std::string systemSty = dir.Write("data/quirn/texmf/tex/latex/y/quirny.sty", "");
    std::string ownCls = dir.Write("data/quirn/texmf/tex/latex/x/report.cls", "");

    EXPECT_EQ(Which(env, "latex", "quirnx.sty"), userSty + "\n");
    // The system data root's tree is reached beside the variable-data tree.
    std::string found = Which(env, "latex", "quirny.sty");
    ASSERT_FALSE(found.empty());
    found.pop_back();
    EXPECT_EQ(fs::canonical(found), fs::canonical(systemSty));
    // The user's tree comes before the installation's.
    EXPECT_EQ(Which(env, "latex", "report.cls"), ownCls + "\n");
    // The installation's files are still found, never the inherited ones.
    std::string article = Which(env, "latex", "article.cls");
    EXPECT_NE(article.find("/tex/latex/base/article.cls"), std::string::npos) << article;
    EXPECT_EQ(article.find(dir.File("leak")), std::string::npos) << article;
    EXPECT_EQ(Which(env, "latex", "leaked.sty"), "");
    EXPECT_NE(Which(env, "pdfetex", "latex.ltx").find("latex.ltx"), std::string::npos);
    // The user's extra input directories are searched after the trees, for LaTeX and
    // for any format name.
    EXPECT_EQ(Which(env, "latex", "extrafile.tex"), dir.File("extra/extrafile.tex") + "\n");
    EXPECT_EQ(Which(env, "mylatex", "extrafile.tex"), dir.File("extra/extrafile.tex") + "\n");
}

}  // namespace
}  // namespace quirn

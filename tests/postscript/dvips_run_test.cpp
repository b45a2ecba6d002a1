// RunDvips with the real dvips on real LaTeX output, and with a stand-in dvips where
// the exact command line, environment and folder must be seen.
#include "postscript/dvips_run.h"

#include <gtest/gtest.h>

#include <chrono>
#include <regex>

#include "platform/paths.h"
#include "postscript/ps_test_support.h"
#include "postscript/temp_file.h"

namespace quirn {
namespace {

using test::TempDir;

std::string TwoPagesWithFigure(const TempDir& dir) {
    dir.Write("figs/box.eps", test::BoxFigure());
    return test::LatexDvi(dir, "paper",
                          "\\documentclass{article}\\usepackage{graphicx}\\begin{document}\n"
                          "One \\includegraphics{figs/box.eps}\\newpage Two\\end{document}\n");
}

int CountPages(const std::string& text) {
    const std::regex page("(^|\n)%%Page: ");
    return static_cast<int>(std::distance(std::sregex_iterator(text.begin(), text.end(), page),
                                          std::sregex_iterator()));
}

TEST(RunDvips, RealDvipsWritesTheDocumentsPagesIntoATemporaryFile) {
    TempDir tmp;
    test::ScopedEnvironment env;
    env.Set("TMPDIR", tmp.Path());
    TempDir dir;
    const std::string dvi = TwoPagesWithFigure(dir);
    ASSERT_FALSE(dvi.empty());
    auto open = test::OpenDviDocument(dvi);
    ASSERT_TRUE(open);

    DvipsResult result = RunDvips(*open->doc, "", true);
    ASSERT_FALSE(result.path.empty()) << result.error;
    TempFile owner(result.path);
    EXPECT_FALSE(result.placeholder) << result.error;
    EXPECT_EQ(DirectoryOf(result.path), tmp.Path());
    EXPECT_TRUE(FileNameOf(result.path).starts_with("quirn"));
    const std::string ps = test::ReadFile(result.path);
    EXPECT_TRUE(ps.starts_with("%!PS-Adobe"));
    EXPECT_EQ(CountPages(ps), 2);
    // The figure, named relative to the DVI's folder, is inside the PostScript.
    EXPECT_NE(ps.find("%%BeginDocument: figs/box.eps"), std::string::npos);
    owner.Remove();
    EXPECT_EQ(test::CountQuirnTempFiles(), 0);
}

TEST(RunDvips, CommandLineEnvironmentAndFolderAsBuilt) {
    TempDir tmp;
    test::ScopedEnvironment env;
    env.Set("TMPDIR", tmp.Path());
    TempDir dir;
    const std::string dvi = TwoPagesWithFigure(dir);
    ASSERT_FALSE(dvi.empty());
    auto open = test::OpenDviDocument(dvi);
    ASSERT_TRUE(open);

    TempDir install;
    const std::string log = install.File("log");
    test::WriteProgram(install.Path(), "dvips",
                       "#!/bin/sh\nfor a in \"$@\"; do echo \"arg:$a\"; done > '" + log +
                           "'\necho \"env:$QUIRN_EXCLUDESPECIAL\" >> '" + log +
                           "'\necho \"pwd:$(pwd)\" >> '" + log +
                           "'\nfor a in \"$@\"; do case \"$a\" in -o*) printf "
                           "'%%!PS-Adobe-3.0\\n%%%%Page: 1 1\\nx\\n%%%%Trailer\\n' > "
                           "\"${a#-o}\";; esac; done\n");
    DvipsSetup setup = DvipsSetupFor(*open->doc);
    setup.installDir = install.Path();
    setup.userOptions = "-Z \"-x 1\"";

    DvipsResult result = RunDvips(*open->doc, "-E -n1 -p =2", true, setup);
    TempFile owner(result.path);
    ASSERT_FALSE(result.placeholder) << result.error;
    EXPECT_EQ(test::ReadFile(log),
              "arg:-M\narg:-q\narg:-T\narg:8.50in,11.00in\narg:-D300\n"
              "arg:-Z\narg:-x 1\narg:-E\narg:-n1\narg:-p\narg:=2\narg:-o" +
                  result.path + "\narg:paper.dvi\nenv:1\npwd:" + dir.Path() + "\n");
    EXPECT_TRUE(test::ReadFile(result.path).starts_with("%!PS-Adobe-3.0\n%%Page: 1 1"));
    owner.Remove();

    // Without the exclusion the variable is there but empty.
    result = RunDvips(*open->doc, "", false, setup);
    owner = TempFile(result.path);
    EXPECT_NE(test::ReadFile(log).find("\nenv:\n"), std::string::npos);
}

TEST(RunDvips, FailingMissingOrHangingDvipsGivesEmptyPages) {
    TempDir tmp;
    test::ScopedEnvironment env;
    env.Set("TMPDIR", tmp.Path());
    TempDir dir;
    const std::string dvi = TwoPagesWithFigure(dir);
    ASSERT_FALSE(dvi.empty());
    auto open = test::OpenDviDocument(dvi);
    ASSERT_TRUE(open);
    const std::string placeholder =
        "%!PS-Adobe\n%%Page: 1\n showpage\n%%Page: 2\n showpage\n%%EOF\n";

    TempDir install;
    DvipsSetup setup = DvipsSetupFor(*open->doc);
    setup.installDir = install.Path();
    setup.wait = {200, 2};
    test::WriteProgram(install.Path(), "dvips", "#!/bin/sh\necho broken\nexit 3\n");
    DvipsResult failed = RunDvips(*open->doc, "", true, setup);
    TempFile a(failed.path);
    EXPECT_TRUE(failed.placeholder);
    EXPECT_EQ(test::ReadFile(failed.path), placeholder);
    EXPECT_NE(failed.error.find("broken"), std::string::npos);

    // A dvips that never ends is killed once its output has stopped changing.
    test::WriteProgram(install.Path(), "dvips", "#!/bin/sh\nexec sleep 60\n");
    const auto start = std::chrono::steady_clock::now();
    DvipsResult hung = RunDvips(*open->doc, "", true, setup);
    TempFile b(hung.path);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_TRUE(hung.placeholder);
    EXPECT_EQ(test::ReadFile(hung.path), placeholder);

    setup.installDir = install.File("nowhere");
    setup.environment = {"PATH=" + install.File("nowhere")};
    DvipsResult missing = RunDvips(*open->doc, "", true, setup);
    TempFile c(missing.path);
    EXPECT_TRUE(missing.placeholder);
    EXPECT_EQ(test::ReadFile(missing.path), placeholder);
}

TEST(RunDvips, LandscapeLinesAfterTheSetupAreTakenOut) {
    TempDir dir;
    const std::string dvi = TwoPagesWithFigure(dir);
    ASSERT_FALSE(dvi.empty());
    Settings settings;
    settings.landscape = 1;
    auto open = test::OpenDviDocument(dvi, settings);
    ASSERT_TRUE(open);
    TempDir install;
    test::WriteProgram(install.Path(), "dvips",
                       "#!/bin/sh\nfor a in \"$@\"; do case \"$a\" in -o*) printf "
                       "'%%!PS\\n@landscape early\\n%%%%BeginSetup\\nkeep\\n@landscape\\n"
                       "%%%%EndSetup\\n%%%%Page: 1 1\\n' > \"${a#-o}\";; esac; done\n");
    DvipsSetup setup = DvipsSetupFor(*open->doc);
    setup.installDir = install.Path();
    DvipsResult result = RunDvips(*open->doc, "", true, setup);
    TempFile owner(result.path);
    EXPECT_EQ(test::ReadFile(result.path),
              "%!PS\n@landscape early\n%%BeginSetup\nkeep\n%%EndSetup\n%%Page: 1 1\n");
    EXPECT_NE(DvipsCommandText(*open->doc, "", setup, "OUT").find("-T 11.00in,8.50in"),
              std::string::npos);
}

}  // namespace
}  // namespace quirn

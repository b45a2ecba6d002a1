// Every quirn-cli command that takes a file takes a relative name from the folder it
// was started in. The commands run from a folder beside the document's ("../doc/...")
// and must give what they give for the absolute names. Each run's shell changes into
// its folder; this process never changes its own.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "support/test_support.h"

namespace quirn {
namespace {

using test::ReadFile;
using test::RunCommand;

class RelativeNames : public ::testing::Test {
  protected:
    // quirn-cli ARGS started in `folder`; fails the test on a non-zero exit status.
    std::string CliIn(const std::string& folder, const std::string& args) {
        std::string out, err;
        const int status = RunCommand(
            "cd '" + folder + "' && QUIRN_CONFIG_DIR='" + dir.File("config") + "' XDG_DATA_HOME='" +
                dir.File("data") + "' '" + test::Program("quirn-cli") + "' " + args,
            &out, &err);
        EXPECT_EQ(status, 0) << args << "\n" << err;
        return out;
    }
    // The same command started in the document's sibling folder with relative names,
    // and in the temporary folder with absolute ones.
    void ExpectSame(const std::string& relativeArgs, const std::string& absoluteArgs) {
        const std::string relative = CliIn(other, relativeArgs);
        EXPECT_EQ(relative, CliIn(dir.Path(), absoluteArgs)) << relativeArgs;
        EXPECT_NE(relative, "") << relativeArgs;
    }

    // Paths as the programs see them from inside (with any symbolic link resolved).
    std::string In(const std::string& name) const { return root + "/" + name; }

    test::TempDir dir;
    std::string root = std::filesystem::canonical(dir.Path()).string();
    std::string other = In("other");
};

TEST_F(RelativeNames, EveryFileTakingCommandResolvesNamesAgainstItsStartFolder) {
    const std::string tex = In("doc/doc.tex");
    dir.Write("doc/doc.tex",
              "\\documentclass{article}\\begin{document}\n"
              "First paragraph with $x$.\n\n"
              "Second paragraph.\n"
              "\\end{document}\n");
    std::filesystem::create_directories(other);
    const std::string dvi = In("doc/doc.dvi");

    // typeset (the first run builds the formats) writes the DVI beside the source.
    std::string out, err;
    ASSERT_EQ(RunCommand("cd '" + other + "' && QUIRN_CONFIG_DIR='" + dir.File("config") +
                             "' XDG_DATA_HOME='" + dir.File("data") + "' '" +
                             test::Program("quirn-cli") + "' typeset ../doc/doc.tex --answer no",
                         &out, &err),
              0)
        << out << err;
    EXPECT_NE(err.find("view: " + dvi + "\n"), std::string::npos) << err;

    ExpectSame("dvi-info ../doc/doc.dvi", "dvi-info " + dvi);
    const std::string content = CliIn(other, "page-content ../doc/doc.dvi --page 1");
    EXPECT_EQ(content, CliIn(dir.Path(), "page-content " + dvi + " --page 1"));

    // A point inside the first character: 1 pt right of and 2 pt above its reference
    // point, in pixels at 72.27 dpi (one pixel a point, 65536 DVI units).
    long h = 0, v = 0;
    const size_t glyph = content.find("\nglyph ");
    ASSERT_NE(glyph, std::string::npos) << content;
    ASSERT_EQ(std::sscanf(content.c_str() + glyph, "\nglyph %ld %ld", &h, &v), 2);
    const std::string point = std::to_string(h / 65536 + 1) + " " + std::to_string(v / 65536 - 2);
    const std::string info = CliIn(other, "point-info ../doc/doc.dvi --page 1 --dpi 72 " + point);
    EXPECT_NE(info.find("Font: cmr10"), std::string::npos) << info;
    EXPECT_EQ(info, CliIn(dir.Path(), "point-info " + dvi + " --page 1 --dpi 72 " + point));

    // Source links: the source name is relative too, and inverse search hands over an
    // absolute source file however the DVI file was named.
    ExpectSame("forward-search ../doc/doc.dvi ../doc/doc.tex 4",
               "forward-search " + dvi + " " + tex + " 4");
    const std::string found = CliIn(other, "forward-search ../doc/doc.dvi ../doc/doc.tex 4");
    int page = 0, x = 0, y = 0;
    ASSERT_EQ(std::sscanf(found.c_str(), "page: %d\npoint: %d %d", &page, &x, &y), 3) << found;
    const std::string place =
        std::to_string(page) + " " + std::to_string(x) + " " + std::to_string(y);
    EXPECT_EQ(CliIn(other, "inverse-search ../doc/doc.dvi " + place), "goto: " + tex + ":4\n");
    EXPECT_EQ(CliIn(In("doc"), "inverse-search doc.dvi " + place), "goto: " + tex + ":4\n");

    // Pictures are written where the relative output name says.
    CliIn(other, "render ../doc/doc.dvi --dpi 40 -o page%d.png");
    CliIn(dir.Path(), "render " + dvi + " --dpi 40 -o " + In("page%d.png"));
    ASSERT_TRUE(std::filesystem::exists(In("other/page1.png")));
    EXPECT_EQ(ReadFile(In("other/page1.png")), ReadFile(In("page1.png")));
    ExpectSame("graphic-info page1.png", "graphic-info " + In("page1.png"));
    ExpectSame("view ../doc/doc.dvi --client 300x200 --png view.png",
               "view " + dvi + " --client 300x200 --png " + In("view.png"));
    EXPECT_EQ(ReadFile(In("other/view.png")), ReadFile(In("view.png")));

    // A TFM file named by a path.
    std::string cmr10;
    ASSERT_EQ(RunCommand("kpsewhich cmr10.tfm", &cmr10), 0);
    std::filesystem::copy_file(cmr10.substr(0, cmr10.find('\n')), In("doc/mine.tfm"));
    EXPECT_EQ(CliIn(other, "tfm ../doc/mine.tfm"), CliIn(other, "tfm cmr10"));

    // The editor's commands read and write the named file.
    ExpectSame("edit styles ../doc/doc.tex", "edit styles " + tex);
    CliIn(other, "edit comment ../doc/doc.tex 0 1");
    EXPECT_EQ(ReadFile(tex).rfind("%\\documentclass", 0), 0u) << ReadFile(tex);

    // A name that does not exist is reported with the place it was looked for.
    RunCommand("cd '" + other + "' && QUIRN_CONFIG_DIR='" + dir.File("config") + "' '" +
                   test::Program("quirn-cli") + "' dvi-info ../doc/none.dvi",
               &out, &err);
    EXPECT_EQ(err, "Bad/missing DVI file " + other + "/../doc/none.dvi\n");
}

}  // namespace
}  // namespace quirn

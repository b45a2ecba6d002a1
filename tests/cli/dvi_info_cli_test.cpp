// quirn-cli dvi-info and tfm on real TeX output.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "support/test_support.h"

namespace quirn {
namespace {

using test::Program;
using test::RunCommand;

class DviCli : public ::testing::Test {
  protected:
    int Cli(const std::string& args, std::string* out, std::string* err) {
        return RunCommand(
            "QUIRN_CONFIG_DIR='" + dir.File("config") + "' " + Program("quirn-cli") + " " + args,
            out, err);
    }
    test::TempDir dir;
};

TEST_F(DviCli, DviInfoPrintsThePageIndexAndFontTable) {
    dir.Write("doc.tex", "\\hsize=3in \\vsize=9in Hello $x$.\\vfill\\eject\\count0=-4 Two.\\bye\n");
    std::string out, err;
    ASSERT_EQ(RunCommand("cd '" + dir.Path() + "' && tex doc.tex", &out), 0);
    const std::string dvi = dir.File("doc.dvi");

    ASSERT_EQ(Cli("dvi-info " + dvi, &out, &err), 0) << err;
    EXPECT_EQ(err.find("Bad or missing TFM"), std::string::npos) << err;
    std::istringstream lines(out);
    std::vector<std::string> got;
    for (std::string line; std::getline(lines, line);)
        got.push_back(line);
    ASSERT_GE(got.size(), 9u) << out;
    EXPECT_EQ(got[0], "pages 2");
    EXPECT_EQ(got[1], "paper 8500 11000 (width and height in thousandths of an inch)");
    EXPECT_EQ(got[2], "num 25400000");
    EXPECT_EQ(got[3], "den 473628672");
    EXPECT_EQ(got[4], "mag 1000");
    // Each table comes under a header line that says what its numbers are.
    EXPECT_EQ(got[5].rfind("# page INDEX COUNT0 OFFSET (", 0), 0u) << got[5];
    EXPECT_EQ(got[6], "page 0 1 42");
    EXPECT_EQ(got[7].rfind("page 1 -4 ", 0), 0u) << got[7];
    EXPECT_EQ(got[8].rfind("# font NUMBER NAME s=SCALED d=DESIGN (", 0), 0u) << got[8];

    // The same bop as dvitype, and one font line per definition.
    std::string ref;
    RunCommand("dvitype " + dvi + " | grep 'beginning of page -4'", &ref);
    EXPECT_EQ(ref.substr(0, ref.find(':')), got[7].substr(10));
    std::string pfb;
    RunCommand("kpsewhich cmr10.pfb", &pfb);
    pfb.pop_back();
    EXPECT_NE(out.find("font 0 cmr10 s=655360 d=655360 c=1274110073 outline=" + pfb +
                       " enc=- virtual=no\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("font 6 cmmi10 s=655360 d=655360 c="), std::string::npos) << out;

    // Landscape from the settings.
    ASSERT_EQ(Cli("settings write '/HKCU/Software/Tolvane Inc/Quirn6/Settings/Landscape' 1 --int",
                  &out, &err),
              0)
        << err;
    ASSERT_EQ(Cli("dvi-info " + dvi, &out, &err), 0);
    EXPECT_NE(out.find("\npaper 11000 8500 ("), std::string::npos) << out;
}

// The paper a document names in its papersize special, unless the settings fix one.
TEST_F(DviCli, DviInfoTakesThePaperFromThePaperSizeSpecial) {
    dir.Write("a4.tex", "\\special{papersize=210mm,297mm}A4.\\bye\n");
    std::string out, err;
    ASSERT_EQ(RunCommand("cd '" + dir.Path() + "' && tex a4.tex", &out), 0);
    ASSERT_EQ(Cli("dvi-info " + dir.File("a4.dvi"), &out, &err), 0) << err;
    EXPECT_NE(out.find("\npaper 8268 11693 ("), std::string::npos) << out;

    ASSERT_EQ(Cli("settings write '/HKCU/Software/Tolvane Inc/Quirn6/Settings/Landscape' 1 --int",
                  &out, &err),
              0)
        << err;
    ASSERT_EQ(Cli("dvi-info " + dir.File("a4.dvi"), &out, &err), 0);
    EXPECT_NE(out.find("\npaper 11000 8500 ("), std::string::npos) << out;
}

TEST_F(DviCli, DviInfoMarksVirtualFonts) {
    dir.Write("doc.tex",
              "\\documentclass{article}\\usepackage{times}\\begin{document}Times."
              "\\end{document}\n");
    std::string out, err;
    ASSERT_EQ(RunCommand("cd '" + dir.Path() + "' && latex doc.tex", &out), 0);
    ASSERT_EQ(Cli("dvi-info " + dir.File("doc.dvi"), &out, &err), 0) << err;
    std::string vf;
    RunCommand("kpsewhich ptmr7t.vf", &vf);
    vf.pop_back();
    EXPECT_NE(out.find(" ptmr7t s=655360 d=655360 c=104037337 vf=" + vf + " enc=- virtual=yes\n"),
              std::string::npos)
        << out;
}

TEST_F(DviCli, PointInfoAndForwardSearchSayWhatTheirNumbersAre) {
    dir.Write("doc.tex",
              "\\documentclass{article}\\begin{document}\nFirst.\n\nSecond.\n"
              "\\end{document}\n");
    std::string out, err;
    ASSERT_EQ(RunCommand("cd '" + dir.Path() + "' && latex -src-specials doc.tex", &out), 0);
    const std::string dvi = dir.File("doc.dvi");

    ASSERT_EQ(Cli("forward-search " + dvi + " " + dir.File("doc.tex") + " 4 --dpi 72", &out, &err),
              0)
        << err;
    int page = 0, x = 0, y = 0;
    ASSERT_EQ(std::sscanf(out.c_str(), "page: %d\npoint: %d %d", &page, &x, &y), 3) << out;
    EXPECT_EQ(out, "page: 1\npoint: " + std::to_string(x) + " " + std::to_string(y) +
                       " (pixels at 72 dpi from the paper's top left corner)\n");
    EXPECT_EQ(err, "");  // no font messages about a map that was never read

    // The paper's corner is empty; the paragraph's first letter sits right of and above
    // its source place.
    ASSERT_EQ(Cli("point-info " + dvi + " --page 1 --dpi 72 3 4", &out, &err), 0) << err;
    EXPECT_EQ(out, "nothing at this point: no character covers pixel 3 4 of page 1 at 72 dpi\n");
    const std::string letter = std::to_string(x + 2) + " " + std::to_string(y - 2);
    ASSERT_EQ(Cli("point-info " + dvi + " --page 1 --dpi 72 " + letter, &out, &err), 0) << err;
    EXPECT_EQ(out.rfind("(x,y) (", 0), 0u) << out;
    EXPECT_NE(out.find("Font: cmr10  CharCode: 83 ('S')"), std::string::npos) << out;
}

TEST_F(DviCli, DviInfoReportsABadFileOnStandardError) {
    dir.Write("bad.dvi", "not a dvi file");
    std::string out, err;
    EXPECT_EQ(Cli("dvi-info " + dir.File("bad.dvi"), &out, &err), 1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "Bad/missing DVI file " + dir.File("bad.dvi") + "\n");
}

TEST_F(DviCli, TfmPrintsTheScaledMetrics) {
    std::string out, err;
    ASSERT_EQ(Cli("tfm cmr10", &out, &err), 0) << err;
    std::istringstream lines(out);
    std::vector<std::string> got;
    for (std::string line; std::getline(lines, line);)
        got.push_back(line);
    ASSERT_EQ(got.size(), 128u);
    // Character 0 of cmr10 is 0.625002 design sizes wide and 0.683332 high.
    EXPECT_EQ(got[0], "0 409601 447828 0");
    ASSERT_EQ(Cli("tfm cmr10 --scaled 1310720 --design 655360", &out, &err), 0);
    EXPECT_EQ(out.substr(0, out.find('\n')), "0 819202 895657 0");

    EXPECT_EQ(Cli("tfm quirn-no-such-font", &out, &err), 1);
    EXPECT_EQ(err, "Bad or missing TFM file quirn-no-such-font\n");
    EXPECT_EQ(Cli("tfm cmr10 --scaled", &out, &err), 2);
}

}  // namespace
}  // namespace quirn

// quirn-cli fonts on real TeX output: outline fonts, a reencoded and a slanted Times,
// virtual fonts, METAFONT bitmaps made into a font cache of the test's own, and a font
// that nothing can draw.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "support/test_support.h"

namespace quirn {
namespace {

using test::Program;
using test::RunCommand;

// The full path kpsewhich gives for `args`, without the line end; empty when none.
// `environment` goes before the command ("NAME=VALUE ...").
std::string Kpsewhich(const std::string& args, const std::string& environment = {}) {
    std::string out;
    if (RunCommand(environment + "kpsewhich " + args, &out) != 0 || out.empty()) {
        return {};
    }
    return out.substr(0, out.find('\n'));
}

class FontsCli : public ::testing::Test {
  protected:
    // Runs quirn-cli with the test's settings and font cache.
    int Cli(const std::string& args, std::string* out, std::string* err) {
        return RunCommand(Cache() + "QUIRN_CONFIG_DIR='" + dir.File("config") + "' " +
                              Program("quirn-cli") + " " + args,
                          out, err);
    }
    std::string Cache() const {
        return "TEXMFVAR='" + dir.File("var") + "' VARTEXFONTS='" + dir.File("fonts") + "' ";
    }
    // The lines of `out` by their first word.
    static std::map<std::string, std::string> ByFont(const std::string& out) {
        std::map<std::string, std::string> lines;
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);) {
            lines[line.substr(0, line.find(' '))] = line;
        }
        return lines;
    }
    test::TempDir dir;
};

TEST_F(FontsCli, NamesTheSourceEncodingAndTransformsOfEveryFont) {
    dir.Write("doc.tex",
              "\\documentclass{article}\\begin{document}Computer Modern $x$.\n"
              "{\\fontencoding{T1}\\selectfont Fran\\c{c}ais.}\n"
              "{\\fontfamily{ptm}\\selectfont Times \\textsl{slanted}.}\\end{document}\n");
    std::string out, err;
    ASSERT_EQ(RunCommand("cd '" + dir.Path() + "' && latex -interaction=batchmode doc.tex", &out),
              0);
    const std::string dvi = dir.File("doc.dvi");
    ASSERT_EQ(Cli("fonts " + dvi, &out, &err), 0) << out << err;
    std::map<std::string, std::string> lines = ByFont(out);

    // Computer Modern from its outlines, in their own encoding.
    const std::string cmr = Kpsewhich("cmr10.pfb");
    if (!cmr.empty()) {
        EXPECT_EQ(lines["cmr10"], "cmr10 type1 " + cmr + " enc=- slant=0 extend=1") << out;
        EXPECT_EQ(lines["cmmi10"],
                  "cmmi10 type1 " + Kpsewhich("cmmi10.pfb") + " enc=- slant=0 extend=1")
            << out;
    }

    // The T1 text font: from its bitmaps, made in the test's font cache when no outline
    // maps it and the TeX trees hold no bitmaps.
    if (Kpsewhich("ecrm1000.pfb sfrm1000.pfb").empty()) {
        const std::string pk = Kpsewhich("-mode=cx -dpi=600 ecrm1000.pk", Cache());
        ASSERT_FALSE(pk.empty()) << "the bitmaps were not made: " << err;
        EXPECT_EQ(lines["ecrm1000"], "ecrm1000 pk " + pk + " enc=- slant=0 extend=1") << out;
        if (pk.rfind(dir.Path(), 0) == 0) {
            EXPECT_NE(err.find("Font ecrm1000 has no outline: making its bitmap font"),
                      std::string::npos)
                << err;
        }
    }

    // Times: virtual fonts over the raw font, reencoded; the slanted one also slanted as
    // its map line says.
    EXPECT_EQ(lines["ptmr7t"],
              "ptmr7t virtual " + Kpsewhich("ptmr7t.vf") + " enc=- slant=0 extend=1")
        << out;
    EXPECT_EQ(lines["ptmro7t"],
              "ptmro7t virtual " + Kpsewhich("ptmro7t.vf") + " enc=- slant=0 extend=1")
        << out;
    const std::string enc = Kpsewhich("8r.enc");
    std::string mapLine;
    RunCommand("grep '^ptmro8r ' \"$(kpsewhich psfonts.map)\"", &mapLine);
    ASSERT_NE(mapLine.find(" SlantFont"), std::string::npos) << mapLine;
    for (const char* name : {"ptmr8r", "ptmro8r"}) {
        SCOPED_TRACE(name);
        std::istringstream words(lines[name]);
        std::string font, kind, file, encoding, slant, extend;
        words >> font >> kind >> file >> encoding >> slant >> extend;
        EXPECT_EQ(kind, "type1");
        EXPECT_EQ(file.substr(file.size() - 4), ".pfb");
        EXPECT_EQ(file, Kpsewhich(file.substr(file.rfind('/') + 1)));
        EXPECT_EQ(encoding, "enc=" + enc);
        EXPECT_EQ(extend, "extend=1");
        if (std::string(name) == "ptmr8r") {
            EXPECT_EQ(slant, "slant=0");
        } else {
            // The map line's ".167 SlantFont".
            ASSERT_NE(mapLine.find(".167 SlantFont"), std::string::npos) << mapLine;
            EXPECT_EQ(slant, "slant=0.167");
        }
    }

    // dvi-info names the same sources.
    ASSERT_EQ(Cli("dvi-info " + dvi, &out, &err), 0) << err;
    EXPECT_NE(out.find(" ptmr7t s=655360 d=655360 c=104037337 vf=" + Kpsewhich("ptmr7t.vf") +
                       " enc=- virtual=yes\n"),
              std::string::npos)
        << out;
    if (lines["ecrm1000"].find(" pk ") != std::string::npos) {
        EXPECT_NE(out.find(" ecrm1000 s=655360 d=655360 c="), std::string::npos) << out;
        EXPECT_NE(out.find(" pk=" + Kpsewhich("-mode=cx -dpi=600 ecrm1000.pk", Cache()) +
                           " enc=- virtual=no\n"),
                  std::string::npos)
            << out;
    }

    // Bitmaps at another resolution, made on request.
    if (lines["ecrm1000"].find(" pk ") != std::string::npos) {
        ASSERT_EQ(Cli("fonts " + dvi + " --dpi 300", &out, &err), 0) << err;
        const std::string line = ByFont(out)["ecrm1000"];
        const std::string tail = "/ecrm1000.300pk enc=- slant=0 extend=1";
        ASSERT_GT(line.size(), tail.size()) << out;
        EXPECT_EQ(line.substr(line.size() - tail.size()), tail) << out;
        EXPECT_EQ(line.rfind("ecrm1000 pk /", 0), 0u) << out;
    }
    EXPECT_EQ(Cli("fonts " + dvi + " --dpi", &out, &err), 2);
    EXPECT_EQ(Cli("fonts " + dvi + " --dpi 0", &out, &err), 2);
}

// A font nothing draws, first for want of bitmaps, then for want of its metrics too
// (they went away after typesetting): the line says why and the exit status is 1;
// the other fonts are still listed.
TEST_F(FontsCli, AFontThatCannotBeFoundFailsWithTheReason) {
    const std::string tfm = Kpsewhich("cmr10.tfm");
    ASSERT_FALSE(tfm.empty());
    std::string out, err;
    ASSERT_EQ(RunCommand("cp '" + tfm + "' '" + dir.File("quirnghost.tfm") + "'", &out), 0);
    dir.Write("doc.tex", "\\font\\g=quirnghost \\g Ghost. Roman.\\bye\n");
    ASSERT_EQ(RunCommand("cd '" + dir.Path() + "' && tex -interaction=batchmode doc.tex", &out), 0);
    // Its metrics beside the document, but no outline and no METAFONT source.
    EXPECT_EQ(Cli("fonts " + dir.File("doc.dvi"), &out, &err), 1) << out << err;
    EXPECT_EQ(ByFont(out)["quirnghost"],
              "quirnghost missing - enc=- slant=0 extend=1 (the font map has no entry for it "
              "and there is no METAFONT source (quirnghost.mf) to make its bitmaps from)")
        << out;
    EXPECT_NE(err.find("Could not find or make a bitmap font for: quirnghost"), std::string::npos)
        << err;

    ASSERT_EQ(std::remove(dir.File("quirnghost.tfm").c_str()), 0);

    EXPECT_EQ(Cli("fonts " + dir.File("doc.dvi"), &out, &err), 1) << out << err;
    std::map<std::string, std::string> lines = ByFont(out);
    EXPECT_EQ(lines["quirnghost"],
              "quirnghost missing - enc=- slant=0 extend=1 (no metrics (quirnghost.tfm) in the "
              "TeX trees)")
        << out;
    EXPECT_EQ(lines["cmr10"].rfind("cmr10 ", 0), 0u) << out;
    EXPECT_EQ(lines["cmr10"].find("missing"), std::string::npos) << out;

    ASSERT_EQ(Cli("dvi-info " + dir.File("doc.dvi"), &out, &err), 0) << err;
    const size_t ghost = out.find(" quirnghost s=655360 d=655360 c=");
    ASSERT_NE(ghost, std::string::npos) << out;
    const std::string line = out.substr(ghost, out.find('\n', ghost) - ghost);
    const std::string tail = " missing enc=- virtual=no";
    EXPECT_EQ(line.substr(line.size() - tail.size()), tail) << out;

    // A relative name is taken from the folder the command starts in.
    ASSERT_EQ(RunCommand("cd '" + dir.Path() + "' && " + Cache() + "QUIRN_CONFIG_DIR='" +
                             dir.File("config") + "' " + Program("quirn-cli") + " fonts doc.dvi",
                         &out, &err),
              1);
    EXPECT_NE(out.find("quirnghost missing"), std::string::npos) << out;
}

}  // namespace
}  // namespace quirn

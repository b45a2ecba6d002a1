// The checks before a run: the language table's marks, the babel option list of a
// document, the stale auxiliary file and the graphics conversions with the real
// converters (img2eps and Ghostscript).
#include "typeset/pre_typeset_checks.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <filesystem>

#include "platform/output_sink.h"
#include "platform/paths.h"
#include "support/test_support.h"

namespace quirn {
namespace {

namespace fs = std::filesystem;

TEST(PreTypesetChecks, BabelLanguagesAreEnabledWithTheirSynonyms) {
    test::TempDir dir;
    const std::string dat = dir.Write("language.dat",
                                      "% comment\nenglish hyphen.tex\n=american\n"
                                      "%! dutch hyph-nl.tex\n%!  =nederlands\n%! =flemish\n"
                                      "%! german dehypht.tex\n");
    EXPECT_EQ(BabelOptions("%\\usepackage[french]{babel}\n\\usepackage[ nederlands ,klingon,"
                           "american]{fontenc, babel}"),
              " nederlands ,klingon,american");
    EXPECT_EQ(BabelOptions("\\usepackage{babel}"), "");
    StringSink output;
    EXPECT_EQ(EnableBabelLanguages(" nederlands ,klingon,american", dat, output), 1);
    EXPECT_EQ(output.Text(),
              "Prepping LaTeX for first use of language 'nederlands'\n"
              "Skipping unknown language 'klingon' during pretypesettingcheck:babel\n");
    EXPECT_EQ(test::ReadFile(dat),
              "% comment\nenglish hyphen.tex\n=american\n"
              "dutch hyph-nl.tex\n=nederlands\n=flemish\n%! german dehypht.tex\n");
    output.Clear();
    EXPECT_EQ(EnableBabelLanguages("klingon", dat, output), 0);
    EXPECT_EQ(output.Text(),
              "Skipping unknown language 'klingon' during pretypesettingcheck:babel\n");
}

TEST(PreTypesetChecks, StaleAuxAndGraphicsConversions) {
    test::TempDir dir;
    const std::string tex = dir.Write("doc.tex", "x");
    const std::string aux = dir.Write("doc.aux", "y");
    ::utimensat(AT_FDCWD, aux.c_str(),
                std::array<timespec, 2>{timespec{1000, 0}, timespec{1000, 0}}.data(), 0);
    EXPECT_TRUE(RemoveStaleAuxFile(tex));
    EXPECT_FALSE(fs::exists(aux));
    EXPECT_FALSE(RemoveStaleAuxFile(tex));

    // A PNG gets an EPS and no PDF; an EPS gets a PDF only; a PDF gets an EPS and then
    // a PDF made from that EPS.
    std::string out;
    ASSERT_EQ(
        test::RunCommand(
            "cd '" + dir.Path() +
                "' && printf '\\\\nopagenumbers\\\\hbox{A}\\\\bye' > g.tex && "
                "tex -interaction=batchmode g.tex >/dev/null && dvips -q -E g.dvi -o g.eps && "
                "ps2pdf -dEPSCrop g.eps g.pdf && gs -q -dNOPAUSE -dBATCH -sDEVICE=png16m "
                "-sOutputFile=g.png g.eps",
            &out),
        0);
    dir.Write("converted_graphics/p.src", dir.File("g.png") + "\n");
    dir.Write("converted_graphics/e.src", "../g.eps\n");
    dir.Write("converted_graphics/f.src", dir.File("g.pdf"));
    dir.Write("converted_graphics/gone.src", dir.File("missing.png"));
    StringSink output;
    GraphicsConversion conversion{test::BuildDir(), {}, &output};
    ConvertGraphicsFolder(dir.File("converted_graphics"), conversion);
    EXPECT_EQ(output.Text(),
              "Converted EPS to PDF for DVI/PDF compatibility\n"
              "Converted " +
                  dir.File("g.pdf") +
                  " to EPS for DVI/PDF compatibility\n"
                  "Converted EPS to PDF for DVI/PDF compatibility\n"
                  "Converted " +
                  dir.File("g.png") + " to EPS for DVI/PDF compatibility\n");
    for (const char* made : {"e.pdf", "f.eps", "f.pdf", "p.eps"})
        EXPECT_GT(fs::file_size(dir.File(std::string("converted_graphics/") + made)), 100u) << made;
    EXPECT_FALSE(fs::exists(dir.File("converted_graphics/e.eps")));
    EXPECT_FALSE(fs::exists(dir.File("converted_graphics/p.pdf")));
    EXPECT_EQ(test::ReadFile(dir.File("converted_graphics/p.eps")).rfind("%!PS-Adobe", 0), 0u);

    // Up to date: nothing to do. A damaged newer source: the earlier EPS stays.
    output.Clear();
    ConvertGraphicsFolder(dir.File("converted_graphics"), conversion);
    EXPECT_EQ(output.Text(), "");
    const std::string earlier = test::ReadFile(dir.File("converted_graphics/p.eps"));
    dir.Write("g.png", "not a picture");
    ConvertGraphicsFolder(dir.File("converted_graphics"), conversion);
    EXPECT_EQ(output.Text(), "");
    EXPECT_EQ(test::ReadFile(dir.File("converted_graphics/p.eps")), earlier);
    EXPECT_FALSE(fs::exists(dir.File("converted_graphics/p.eps.part")));
}

}  // namespace
}  // namespace quirn

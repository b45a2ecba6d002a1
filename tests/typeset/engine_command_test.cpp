// The engine's arguments for the runs Quirn makes.
#include "typeset/engine_command.h"

#include <gtest/gtest.h>

namespace quirn {
namespace {

using Args = std::vector<std::string>;

EngineCommand Pdfetex() {
    EngineCommand c;
    c.program = "/opt/quirn/bin/pdfetex";
    c.engine = "pdfetex";
    c.eightBit = true;
    c.format = "latex";
    c.fileArgument = "paper.tex";
    return c;
}

TEST(EngineArguments, NormalRuns) {
    EngineCommand c = Pdfetex();
    EXPECT_EQ(BuildEngineArguments(c), (Args{"/opt/quirn/bin/pdfetex", "-8bit", "-src-specials",
                                             "-progname=latex", "&latex", "\"paper.tex\""}));

    c.eightBit = false;
    EXPECT_EQ(BuildEngineArguments(c), (Args{"/opt/quirn/bin/pdfetex", "-src-specials",
                                             "-progname=latex", "&latex", "\"paper.tex\""}));

    // "tex" never gets -8bit.
    c = Pdfetex();
    c.program = "/usr/bin/tex";
    c.engine = "tex";
    EXPECT_EQ(BuildEngineArguments(c), (Args{"/usr/bin/tex", "-src-specials", "-progname=latex",
                                             "&latex", "\"paper.tex\""}));

    // PDF mode, passed twice as a restart does, before the specials.
    c = Pdfetex();
    for (int i = 0; i < 2; ++i) {
        for (const std::string& option : PdfRunOptions())
            c.extraOptions.push_back(option);
    }
    EXPECT_EQ(BuildEngineArguments(c),
              (Args{"/opt/quirn/bin/pdfetex", "-8bit", "-kpathsea-debug=255", "--output-format=pdf",
                    "-kpathsea-debug=255", "--output-format=pdf", "-src-specials",
                    "-progname=latex", "&latex", "\"paper.tex\""}));

    // Blanks in the program path stay in one argument; the file name keeps every
    // character, in the quotes that make TeX read it whole.
    c = Pdfetex();
    c.program = "/opt/my tex/pdfetex";
    c.fileArgument = "bob's $x; a&b.tex";
    EXPECT_EQ(BuildEngineArguments(c),
              (Args{"/opt/my tex/pdfetex", "-8bit", "-src-specials", "-progname=latex", "&latex",
                    "\"bob's $x; a&b.tex\""}));
}

TEST(EngineArguments, DumpSchemeAndIniTeX) {
    EngineCommand c = Pdfetex();
    c.dumpScheme = true;
    EXPECT_EQ(BuildEngineArguments(c),
              (Args{"/opt/quirn/bin/pdfetex", "-8bit", "-src-specials", "-progname=latex", "-fmt",
                    "paper-pre", "\"paper.tex\""}));

    c = Pdfetex();
    c.iniTeX = true;
    c.format.clear();
    c.fileArgument = "latex.ltx";
    EXPECT_EQ(BuildEngineArguments(c), (Args{"/opt/quirn/bin/pdfetex", "-8bit", "-ini", "-etex",
                                             "\"latex.ltx\"", "\\dump"}));
    c.extraOptions = {"--mltex"};
    EXPECT_EQ(BuildEngineArguments(c), (Args{"/opt/quirn/bin/pdfetex", "-8bit", "--mltex", "-ini",
                                             "-etex", "\"latex.ltx\"", "\\dump"}));
    c.dumpScheme = true;
    c.extraOptions.clear();
    c.fileArgument = "paper.tex";
    EXPECT_EQ(BuildEngineArguments(c), (Args{"/opt/quirn/bin/pdfetex", "-8bit", "-ini", "-etex",
                                             "-progname=latex", "&latex", "\"paper.tex\""}));

    c = Pdfetex();
    c.engine = "tex";
    c.program = "tex";
    c.iniTeX = true;
    c.fileArgument = "plain";
    EXPECT_EQ(BuildEngineArguments(c), (Args{"tex", "-ini", "\"plain\"", "\\dump"}));
}

}  // namespace
}  // namespace quirn

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
                    "-synctex=1", "-kpathsea-debug=255", "--output-format=pdf", "-synctex=1",
                    "-src-specials", "-progname=latex", "&latex", "\"paper.tex\""}));

    // XeLaTeX and LuaLaTeX: PDF with SyncTeX, no 8-bit option and no source specials.
    c = Pdfetex();
    c.engine = "xetex";
    c.program = "/usr/bin/xetex";
    c.fileArgument = "my paper.tex";
    c.extraOptions = PdfRunOptions("xetex");
    EXPECT_EQ(BuildEngineArguments(c), (Args{"/usr/bin/xetex", "-kpathsea-debug=255", "-synctex=1",
                                             "-progname=latex", "&latex", "\"my paper.tex\""}));
    // XeTeX quotes a first argument itself: an INITeX run gives the name as it is.
    // LaTeX for XeTeX and LuaTeX is built from TeX Live's set-up files for the engine.
    c.extraOptions.clear();
    c.iniTeX = true;
    c.fileArgument = "my macros.tex";
    EXPECT_EQ(BuildEngineArguments(c),
              (Args{"/usr/bin/xetex", "-ini", "-etex", "my macros.tex", "\\dump"}));
    c.fileArgument = "latex.ltx";
    EXPECT_EQ(BuildEngineArguments(c),
              (Args{"/usr/bin/xetex", "-ini", "-etex", "-jobname=latex", "xelatex.ini", "\\dump"}));
    c.engine = "luatex";
    EXPECT_EQ(BuildEngineArguments(c), (Args{"/usr/bin/xetex", "-ini", "-etex", "-jobname=latex",
                                             "lualatex.ini", "\\dump"}));
    c.engine = "xetex";
    c.iniTeX = false;
    c.fileArgument = "my paper.tex";
    c.engine = "luatex";
    c.program = "/usr/bin/luatex";
    c.extraOptions = PdfRunOptions("luatex");
    EXPECT_EQ(BuildEngineArguments(c),
              (Args{"/usr/bin/luatex", "-kpathsea-debug=255", "--output-format=pdf", "-synctex=1",
                    "-progname=latex", "&latex", "\"my paper.tex\""}));
    EXPECT_TRUE(EngineWritesPdf("xetex") && EngineWritesPdf("luatex"));
    EXPECT_FALSE(EngineWritesPdf("pdfetex") || EngineWritesPdf("tex"));

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

// The engine's command line for the runs Quirn makes.
#include "typeset/engine_command.h"

#include <gtest/gtest.h>

#include "process/command_line.h"

namespace quirn {
namespace {

EngineCommand Pdfetex() {
    EngineCommand c;
    c.program = "/opt/quirn/bin/pdfetex";
    c.engine = "pdfetex";
    c.eightBit = true;
    c.format = "latex";
    c.fileArgument = "paper.tex";
    return c;
}

TEST(EngineCommandLine, NormalRuns) {
    EngineCommand c = Pdfetex();
    EXPECT_EQ(
        BuildEngineCommandLine(c),
        "/opt/quirn/bin/pdfetex -8bit -src-specials -progname=latex \"&latex\" \"paper.tex\"");
    EXPECT_EQ(SplitCommandLine(BuildEngineCommandLine(c)),
              (std::vector<std::string>{"/opt/quirn/bin/pdfetex", "-8bit", "-src-specials",
                                        "-progname=latex", "&latex", "paper.tex"}));

    c.eightBit = false;
    EXPECT_EQ(BuildEngineCommandLine(c),
              "/opt/quirn/bin/pdfetex -src-specials -progname=latex \"&latex\" \"paper.tex\"");

    // "tex" never gets -8bit.
    c = Pdfetex();
    c.program = "/usr/bin/tex";
    c.engine = "tex";
    EXPECT_EQ(BuildEngineCommandLine(c),
              "/usr/bin/tex -src-specials -progname=latex \"&latex\" \"paper.tex\"");

    // PDF mode, passed twice as a restart does, then a blank before the specials.
    c = Pdfetex();
    c.extraOptions =
        " -kpathsea-debug=255 --output-format=pdf -kpathsea-debug=255 --output-format=pdf";
    std::string line = BuildEngineCommandLine(c);
    EXPECT_NE(line.find("--output-format=pdf -src-specials -progname=latex"), std::string::npos)
        << line;
    EXPECT_EQ(SplitCommandLine(line).size(), 10u);

    // Blanks in the program path and the file name stay one argument each.
    c = Pdfetex();
    c.program = "/opt/my tex/pdfetex";
    c.fileArgument = "my paper.tex";
    EXPECT_EQ(SplitCommandLine(BuildEngineCommandLine(c)),
              (std::vector<std::string>{"/opt/my tex/pdfetex", "-8bit", "-src-specials",
                                        "-progname=latex", "&latex", "my paper.tex"}));
}

TEST(EngineCommandLine, DumpSchemeAndIniTeX) {
    EngineCommand c = Pdfetex();
    c.dumpScheme = true;
    EXPECT_EQ(BuildEngineCommandLine(c),
              "/opt/quirn/bin/pdfetex -8bit -src-specials -progname=latex -fmt paper-pre "
              "\"paper.tex\"");

    c = Pdfetex();
    c.iniTeX = true;
    c.format.clear();
    c.fileArgument = "latex.ltx";
    EXPECT_EQ(BuildEngineCommandLine(c),
              "/opt/quirn/bin/pdfetex -8bit -ini -etex latex.ltx \\dump");
    c.extraOptions = "--mltex";
    EXPECT_EQ(BuildEngineCommandLine(c),
              "/opt/quirn/bin/pdfetex -8bit --mltex -ini -etex latex.ltx \\dump");
    c.dumpScheme = true;
    c.extraOptions.clear();
    c.fileArgument = "paper.tex";
    EXPECT_EQ(BuildEngineCommandLine(c),
              "/opt/quirn/bin/pdfetex -8bit -ini -etex -progname=latex \"&latex\" \"paper.tex\"");

    c = Pdfetex();
    c.engine = "tex";
    c.program = "tex";
    c.iniTeX = true;
    c.fileArgument = "plain";
    EXPECT_EQ(BuildEngineCommandLine(c), "tex -ini plain \\dump");
}

}  // namespace
}  // namespace quirn

#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"

namespace quirn {
namespace {

class ToolCli : public ::testing::Test {
  protected:
    int Cli(const std::string& args, std::string* out, std::string* err) {
        std::string cmd = "cd '" + dir.Path() + "' && QUIRN_CONFIG_DIR='" + dir.Path() +
                          "/config' XDG_DATA_HOME='" + dir.Path() + "/data' " +
                          test::Program("quirn-cli") + " " + args;
        return test::RunCommand(cmd, out, err);
    }
    test::TempDir dir;
};

TEST_F(ToolCli, BibTeXAndMakeIndexRunOnTheDocumentsTheEngineWrote) {
    dir.Write("refs.bib", "@book{knuth, author={Donald Knuth}, title={The Book}, year=1984}\n");
    dir.Write("doc.tex",
              "\\documentclass{article}\\makeindex\\begin{document}\\cite{knuth}\\index{word}\n"
              "\\bibliographystyle{plain}\\bibliography{refs}\\end{document}\n");
    std::string out, err;
    ASSERT_EQ(test::RunCommand("cd '" + dir.Path() + "' && latex -interaction=batchmode doc.tex",
                               &out, &err),
              0);
    EXPECT_EQ(Cli("bibtex doc.tex", &out, &err), 0) << err;
    EXPECT_NE(err.find("run: "), std::string::npos);
    EXPECT_NE(err.find("bibtex  doc\ncwd: " + dir.Path() + "\n"), std::string::npos) << err;
    EXPECT_NE(out.find("Database file #1: refs.bib"), std::string::npos) << out;
    EXPECT_NE(test::ReadFile(dir.File("doc.bbl")).find("\\bibitem{knuth}"), std::string::npos);

    EXPECT_EQ(Cli("makeindex doc.tex", &out, &err), 0) << err;
    EXPECT_NE(err.find("makeindex doc\n"), std::string::npos) << err;
    EXPECT_NE(test::ReadFile(dir.File("doc.ind")).find("word"), std::string::npos);

    // A BibTeX error is BibTeX's exit status.
    dir.Write("refs.bib", "@book{knuth, author={Donald Knuth} title={The Book}}\n");
    EXPECT_EQ(Cli("bibtex doc.tex", &out, &err), 2) << out;
    EXPECT_EQ(Cli("bibtex", &out, &err), 2);
}

TEST_F(ToolCli, UserToolsAreStoredListedAndRun) {
    std::string out, err;
    const std::string script = dir.Write("bin/show", "#!/bin/sh\necho \"[$1][$2]\"\nexit 3\n");
    ASSERT_EQ(test::RunCommand("chmod +x '" + script + "'", &out, &err), 0);
    EXPECT_EQ(Cli("tool add bin/show", &out, &err), 0);
    EXPECT_EQ(out, "0\n");
    EXPECT_EQ(Cli("tool list", &out, &err), 0);
    EXPECT_EQ(out, "0\t&show\t" + script + "\t\t%w\t0\n");
    EXPECT_EQ(Cli("settings write '/HKCU/Software/Tolvane Inc/Quirn6/Tools/Parameters0' "
                  "'%f \"%%t\"'",
                  &out, &err),
              0);

    // The tool's own output and exit status; the file dialog when no file is given.
    dir.Write("sub/paper.tex", "");
    EXPECT_EQ(Cli("tool run 0 sub/paper.tex", &out, &err), 3);
    EXPECT_EQ(out, "[paper][%t]\n");
    EXPECT_EQ(err, "run: " + script + " paper \"%t\"\ncwd: " + dir.Path() + "/sub\n");
    EXPECT_EQ(Cli("tool run 0", &out, &err), 1);
    EXPECT_EQ(err, "choose: Select File For Tool:\n");
    EXPECT_EQ(Cli("tool run 0 --choose x.tex", &out, &err), 3);
    EXPECT_EQ(out, "[x][%t]\n");
    EXPECT_EQ(Cli("tool run 1", &out, &err), 1);
    EXPECT_EQ(err, "quirn-cli: no tool 1\n");
    EXPECT_EQ(Cli("tool run x", &out, &err), 2);
}

}  // namespace
}  // namespace quirn

#include <gtest/gtest.h>

#include "platform/paths.h"
#include "support/test_support.h"

namespace quirn {
namespace {

using test::Program;
using test::RunCommand;

class ProjectCli : public ::testing::Test {
  protected:
    std::string Cli(const std::string& args, std::string* err = nullptr) {
        std::string out;
        last = RunCommand("cd '" + dir.Path() + "' && QUIRN_CONFIG_DIR='" + config.Path() + "' " +
                              Program("quirn-cli") + " " + args,
                          &out, err);
        return out;
    }
    void Setting(const std::string& key, int value) {
        std::string out;
        RunCommand("QUIRN_CONFIG_DIR='" + config.Path() + "' " + Program("quirn-cli") +
                       " settings write '/HKCU/Software/Tolvane Inc/Quirn6/Settings/" + key + "' " +
                       std::to_string(value) + " --int",
                   &out);
    }
    test::TempDir dir;
    test::TempDir config;
    int last = 0;
};

TEST_F(ProjectCli, ChangesAreSavedClosedProjectsReopen) {
    dir.Write("thesis.tex", "\\documentclass{article}\n");
    dir.Write("chapters/chap1.tex", "x\n");
    dir.Write("notes.txt", "x\n");
    dir.Write("other.tex", "x\n");
    const std::string ptp = dir.File("thesis.ptp");
    std::string err;
    EXPECT_EQ(Cli("project add thesis.tex chapters/../chapters/chap1.tex notes.txt thesis.tex "
                  "--mode pdf",
                  &err),
              "");
    EXPECT_EQ(last, 2);  // add takes no mode
    std::string out = Cli("project add thesis.tex chapters/chap1.tex notes.txt thesis.tex");
    EXPECT_EQ(last, 0);
    EXPECT_NE(
        out.find("added=" + dir.File("chapters/chap1.tex") + "\nadded=" + dir.File("notes.txt") +
                 "\npresent=" + dir.File("thesis.tex") + "\npath=" + ptp + "\nname=thesis\n"),
        std::string::npos)
        << out;
    out = Cli("project save thesis.ptp --mode pdf --format plain");
    EXPECT_NE(out.find("texformat=plain\ntypesetmode=PDF\n"), std::string::npos) << out;
    EXPECT_NE(test::ReadFile(ptp).find("chapters/chap1.tex\nnotes.txt\n"), std::string::npos);

    Cli("project remove thesis.ptp thesis.tex", &err);
    EXPECT_EQ(last, 1);
    EXPECT_EQ(err, "message: You may not remove the main file in a project\n");
    Cli("project set-main thesis.ptp notes.txt", &err);
    EXPECT_EQ(err, "quirn-cli: not a TeX source: " + dir.File("notes.txt") + "\n");
    out = Cli("project set-main thesis.ptp chapters/chap1.tex");
    EXPECT_NE(out.find("path=" + dir.File("chapters/chap1.ptp") + "\n"), std::string::npos);
    EXPECT_NE(test::ReadFile(dir.File("chapters/chap1.ptp")).find("\nchap1.tex\n"),
              std::string::npos);

    // Asked at close, answered No: nothing written, both remembered for the next start.
    Setting("ProjectCreatePTP", 2);
    const std::string before = test::ReadFile(ptp);
    out = Cli("project close thesis.ptp other.tex --answer no", &err);
    EXPECT_EQ(out, "closed=" + ptp + " saved=no\nclosed=" + dir.File("other.ptp") + " saved=no\n");
    EXPECT_EQ(err,
              "question: Would you like to save project information for \"thesis\"?\n"
              "question: Would you like to save project information for \"other\"?\n");
    EXPECT_EQ(test::ReadFile(ptp), before);
    out = Cli("project reopen");
    EXPECT_NE(out.find("path=" + ptp + "\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("other.ptp"), std::string::npos) << out;  // no file: skipped
    Setting("ProjectReopen", 0);
    EXPECT_EQ(Cli("project reopen"), "");
}

TEST_F(ProjectCli, ADamagedProjectFileStopsEveryCommandAndStaysAsItWas) {
    dir.Write("a.tex", "x\n");
    for (const char* verb : {"show a.tex", "save a.tex", "close a.ptp", "rename a.tex B"}) {
        dir.Write("a.ptp", "# Quirn Project File, Version 9\nkeep\n");
        std::string err;
        EXPECT_EQ(Cli(std::string("project ") + verb, &err), "");
        EXPECT_EQ(last, 1) << verb;
        EXPECT_EQ(err, "quirn-cli: not a Quirn project file: " + dir.File("a.ptp") + "\n");
        EXPECT_EQ(test::ReadFile(dir.File("a.ptp")), "# Quirn Project File, Version 9\nkeep\n");
    }
    std::string err;
    Cli("project show missing.tex", &err);
    EXPECT_EQ(err, "quirn-cli: cannot find " + dir.File("missing.tex") + "\n");
    EXPECT_EQ(last, 1);
}

}  // namespace
}  // namespace quirn

namespace quirn {
namespace {

// A real LaTeX run of a project: the project's mode is the run's, the used files
// replace the list, and the project file is written at the end.
TEST(ProjectTypesetCli, TheProjectsModeTypesetsAndTheRunRefreshesItsFiles) {
    test::TempDir dir;
    dir.Write("thesis/thesis.tex",
              "\\documentclass{article}\\begin{document}\nMain.\n\\input{chapters/chap1}\n"
              "\\end{document}\n");
    dir.Write("thesis/chapters/chap1.tex", "Chapter text.\n");
    dir.Write("thesis/notes.txt", "x\n");
    auto cli = [&](const std::string& args, std::string* err) {
        std::string out;
        int status =
            test::RunCommand("cd '" + dir.File("thesis") + "' && QUIRN_CONFIG_DIR='" +
                                 dir.File("config") + "' XDG_DATA_HOME='" + dir.File("data") +
                                 "' '" + test::Program("quirn-cli") + "' " + args,
                             &out, err);
        return std::make_pair(status, out);
    };
    std::string err;
    ASSERT_EQ(cli("project add thesis.tex notes.txt", &err).first, 0) << err;
    ASSERT_EQ(cli("project save thesis.ptp --mode pdf", &err).first, 0) << err;
    EXPECT_EQ(cli("project typeset thesis.ptp notes.txt", &err).first, 1);
    EXPECT_EQ(err, "quirn-cli: not a TeX source: " + dir.File("thesis/notes.txt") + "\n");

    auto [status, out] = cli("project typeset thesis.ptp --answer no", &err);
    ASSERT_EQ(status, 0) << out << err;
    EXPECT_TRUE(RegularFileExists(dir.File("thesis/thesis.pdf"))) << out;
    const std::string ptp = test::ReadFile(dir.File("thesis/thesis.ptp"));
    EXPECT_NE(ptp.find("\ttypesetmode: PDF\n"), std::string::npos) << ptp;
    EXPECT_NE(ptp.find("\nthesis.log\n"), std::string::npos) << ptp;
    EXPECT_NE(ptp.find("\nchapters/chap1.tex\n"), std::string::npos) << ptp;
    EXPECT_EQ(ptp.find("notes.txt"), std::string::npos) << ptp;  // only the run's files stay
}

}  // namespace
}  // namespace quirn

#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"

namespace quirn {
namespace {

class SpellCli : public ::testing::Test {
  protected:
    int Cli(const std::string& args, std::string* out, std::string* err) {
        std::string cmd = "cd '" + dir.Path() + "' && QUIRN_CONFIG_DIR='" + dir.Path() +
                          "/config' XDG_DATA_HOME='" + dir.Path() + "/data' " +
                          test::Program("quirn-cli") + " spell " + args;
        return test::RunCommand(cmd, out, err);
    }
    test::TempDir dir;
};

TEST_F(SpellCli, ChecksAFileAndEditsThePersonalDictionary) {
    dir.Write("doc.tex",
              "\\documentclass{article}\n"
              "\\begin{document}\n"
              "A sentense with the the \\cite{smithjones} word $xyzzy$.\n"
              "% a commment\n"
              "\\end{document}\n");
    std::string out, err;
    EXPECT_EQ(Cli("check doc.tex", &out, &err), 0) << err;
    EXPECT_EQ(out,
              "unknown\t3\t3\tsentense\tsentence, Sen tense, Sen-tense\n"
              "repeated\t3\t17\tthe the\n"
              "unknown\t4\t5\tcommment\tcomment\n");
    EXPECT_NE(err.find("Banner = @(#) "), std::string::npos);
    EXPECT_NE(err.find("message: Spelling Check is complete.\n"
                       "  (11 words scanned, 0 words corrected)\n"),
              std::string::npos)
        << err;

    EXPECT_EQ(Cli("word sentense", &out, &err), 0);
    EXPECT_EQ(out, "sentence\nSen tense\nSen-tense\n-\nAdd\nIgnore All\n");
    EXPECT_EQ(Cli("word house", &out, &err), 0);
    EXPECT_EQ(out, "correct\n");

    // A capitalised word asks; "no" adds it in lower case, and it is then correct.
    EXPECT_EQ(Cli("add Sentense --answer no", &out, &err), 0);
    EXPECT_NE(err.find("question: Does the word require this capitalization?\n"),
              std::string::npos);
    EXPECT_EQ(test::ReadFile(dir.Path() + "/data/quirn/ispell/ispell_american.dic"), "sentense\n");
    EXPECT_EQ(Cli("check doc.tex", &out, &err), 0);
    EXPECT_EQ(out.find("sentense"), std::string::npos) << out;

    EXPECT_EQ(Cli("clear --answer no", &out, &err), 1);
    EXPECT_EQ(Cli("clear", &out, &err), 0);
    EXPECT_NE(err.find("question: Are you sure you want to clear the dictionary?\n"),
              std::string::npos);
    EXPECT_EQ(test::ReadFile(dir.Path() + "/data/quirn/ispell/ispell_american.dic"), "");

    EXPECT_EQ(Cli("check", &out, &err), 2);
    EXPECT_EQ(Cli("check nosuch.tex", &out, &err), 1);

    // A dictionary that is not installed is asked of the missing-file resolution
    // (which has no database here), then reported; spelling is not available.
    std::string settings =
        "cd '" + dir.Path() + "' && QUIRN_CONFIG_DIR='" + dir.Path() + "/config' " +
        test::Program("quirn-cli") +
        " settings write '/HKCU/Software/Tolvane Inc/Quirn6/Settings/IspellHash' "
        "nosuch";
    ASSERT_EQ(test::RunCommand(settings, &out, &err), 0) << err;
    EXPECT_EQ(Cli("word house", &out, &err), 1);
    EXPECT_EQ(out, "");
    EXPECT_NE(err.find("jit db"), std::string::npos) << err;
    EXPECT_NE(err.find("message: Could not load spell check dictionary - nosuch\n"),
              std::string::npos)
        << err;
    EXPECT_EQ(Cli("check nosuch.tex", &out, &err), 1);
}

}  // namespace
}  // namespace quirn

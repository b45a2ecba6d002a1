// quirn-cli formats: the list of the formats directory, and its refusals.
#include <gtest/gtest.h>

#include "support/test_support.h"

namespace quirn {
namespace {

using test::Program;
using test::RunCommand;

class FormatsCli : public ::testing::Test {
  protected:
    int Cli(const std::string& args, std::string* out, std::string* err) {
        return RunCommand("QUIRN_CONFIG_DIR='" + dir.File("config") + "' XDG_DATA_HOME='" +
                              dir.File("data") + "' " + Program("quirn-cli") + " formats " + args,
                          out, err);
    }
    test::TempDir dir;
};

TEST_F(FormatsCli, ListsTheFormatsOfTheEngine) {
    std::string out, err;
    ASSERT_EQ(Cli("", &out, &err), 0) << err;
    EXPECT_EQ(out, "No Formats Available\n");
    // The data root now exists; formats put into its directory are listed.
    const std::string formats = dir.File("data/quirn/texmf-var/formats/pdfetex/");
    dir.Write("data/quirn/texmf-var/formats/pdfetex/latex.fmt", "");
    dir.Write("data/quirn/texmf-var/formats/pdfetex/mylatex.fmt", "");
    dir.Write("data/quirn/texmf-var/formats/tex.fmt", "");  // the engine tex's, not listed
    ASSERT_EQ(Cli("", &out, &err), 0) << err;
    EXPECT_EQ(out, "   LaTeX\t" + formats + "latex.fmt\n   mylatex\t" + formats + "mylatex.fmt\n");

    EXPECT_EQ(Cli("--everything", &out, &err), 2);
    EXPECT_NE(err.find("usage: quirn-cli formats"), std::string::npos);
}

}  // namespace
}  // namespace quirn

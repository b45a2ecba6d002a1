#include <gtest/gtest.h>

#include "support/test_support.h"

namespace quirn::test {
namespace {

int Edit(const std::string& args, std::string* out, std::string* err) {
    return RunCommand("'" + Program("quirn-cli") + "' edit " + args, out, err);
}

TEST(EditCommand, MatchesCommentsColoursAndCompletesOnFiles) {
    TempDir dir;
    const std::string tex = dir.Write("a.tex", "%x\n$a$ (b] \\cite{k}\x1A");
    std::string out, err;
    EXPECT_EQ(Edit("match '" + tex + "' 3", &out, &err), 0) << err;
    EXPECT_EQ(out, "message: Trailing Control-Z characters have been stripped\\nfrom file " + tex +
                       "\nselect: 5 6\n");
    EXPECT_EQ(Edit("mismatch '" + tex + "'", &out, &err), 0) << err;
    EXPECT_EQ(out.substr(out.find("select")), "select: 7 10\n");
    EXPECT_EQ(Edit("match '" + tex + "' 1", &out, &err), 0);
    EXPECT_EQ(out.substr(out.find('\n') + 1), "beep\n");
    EXPECT_EQ(Edit("styles '" + tex + "' 2 2", &out, &err), 0) << err;
    EXPECT_EQ(out.substr(out.find('\n') + 1), "2: 4040000055555404\n");
    EXPECT_EQ(Edit("find '" + tex + "' CITE 0 --word", &out, &err), 0) << err;
    EXPECT_EQ(out.substr(out.find('\n') + 1), "select: 12 16\n");

    // Commenting writes the file back (without the Control-Z, with a final line feed).
    EXPECT_EQ(Edit("comment '" + tex + "' 0 4", &out, &err), 0) << err;
    EXPECT_EQ(out.substr(out.find('\n') + 1), "select: 0 21\n");
    EXPECT_EQ(ReadFile(tex), "%%x\n%$a$ (b] \\cite{k}\n");

    EXPECT_EQ(Edit("complete '\\sec'", &out, &err), 0) << err;
    EXPECT_NE(out.find(" \\section{"), std::string::npos) << out;
    EXPECT_EQ(out.rfind("candidates: ", 0), 0u);

    EXPECT_EQ(Edit("match '" + dir.File("none.tex") + "' 0", &out, &err), 1);
    EXPECT_NE(err.find("none.tex"), std::string::npos);
    EXPECT_EQ(Edit("match '" + tex + "' x", &out, &err), 2);
}

}  // namespace
}  // namespace quirn::test

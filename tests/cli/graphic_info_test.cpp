#include <gtest/gtest.h>

#include "graphics/image_readers.h"
#include "support/test_support.h"

namespace quirn::test {
namespace {

int GraphicInfo(const std::string& file, std::string* out, std::string* err) {
    return RunCommand("'" + Program("quirn-cli") + "' graphic-info '" + file + "'", out, err);
}

TEST(GraphicInfoCommand, PrintsPixelsForBitmapsAndPointsForPostScript) {
    TempDir dir;
    std::vector<uint8_t> grey(64 * 48, 200);
    std::string error, out, err;
    ASSERT_TRUE(WritePng(dir.File("p.png"), 64, 48, 1, grey.data(), 64, &error, 300)) << error;
    EXPECT_EQ(GraphicInfo(dir.File("p.png"), &out, &err), 0) << err;
    EXPECT_EQ(out, "64 48\n");
    std::string eps = dir.Write("f.eps", "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 10 20 110 70\n");
    EXPECT_EQ(GraphicInfo(eps, &out, &err), 0) << err;
    EXPECT_EQ(out, "100 50\n");
}

TEST(GraphicInfoCommand, UnknownFilesFailWithTheDialogMessage) {
    TempDir dir;
    std::string out, err;
    for (const std::string& file :
         {dir.Write("notes.txt", "hello"), dir.Write("nobox.eps", "%!PS-Adobe-3.0 EPSF-3.0\n"),
          dir.File("missing.png")}) {
        EXPECT_EQ(GraphicInfo(file, &out, &err), 1) << file;
        EXPECT_EQ(out, "");
        EXPECT_EQ(err, "Unknown graphics format\n");
    }
}

}  // namespace
}  // namespace quirn::test

#include "platform/paths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_support.h"

namespace quirn {
namespace {

TEST(Paths, JoinPutsExactlyOneSeparator) {
    EXPECT_EQ(JoinPath("/opt/quirn", "texmf-tlv"), "/opt/quirn/texmf-tlv");
    EXPECT_EQ(JoinPath("/opt/quirn/", "texmf-tlv"), "/opt/quirn/texmf-tlv");
    EXPECT_EQ(JoinPath("/opt/quirn/", "/texmf-tlv"), "/opt/quirn/texmf-tlv");
    EXPECT_EQ(JoinPath("", "texmf-tlv"), "texmf-tlv");
    // Relative names written with "\" (settings, project files) are turned around.
    EXPECT_EQ(JoinPath("/root", "My TeXMF\\dvips\\base"), "/root/My TeXMF/dvips/base");
    EXPECT_EQ(JoinPath("C:\\Quirn\\", "x"), "C:\\Quirn\\x");
}

TEST(Paths, DirectoryNameAndExtensionParts) {
    EXPECT_EQ(DirectoryOf("/home/u/paper.tex"), "/home/u");
    EXPECT_EQ(DirectoryOf("/paper.tex"), "/");
    EXPECT_EQ(DirectoryOf("paper.tex"), ".");
    EXPECT_EQ(DirectoryOf("c:notes.tex"), ".");
    EXPECT_EQ(DirectoryOf("sub\\paper.tex"), "sub");
    EXPECT_EQ(FileNameOf("/home/u/paper.tex"), "paper.tex");
    EXPECT_EQ(FileNameOf("paper"), "paper");
    EXPECT_EQ(FileNameOf("/home/u/"), "");

    EXPECT_EQ(ReplaceExtension("/home/u/paper.tex", "DVI"), "/home/u/paper.DVI");
    EXPECT_EQ(ReplaceExtension("/home/u/readme", "DVI"), "/home/u/readme.DVI");
    // A dot in a directory name is not an extension.
    EXPECT_EQ(ReplaceExtension("/home/u.v/readme", "DVI"), "/home/u.v/readme.DVI");
    EXPECT_EQ(StripExtension("/a.b/c.tar.gz"), "/a.b/c.tar");
    EXPECT_EQ(ExtensionOf("/a.b/c.tar.gz"), "gz");
    EXPECT_EQ(ExtensionOf("/a.b/c"), "");

    EXPECT_TRUE(IsAbsolute("/x"));
    EXPECT_FALSE(IsAbsolute("\\x"));
    EXPECT_FALSE(IsAbsolute("c:notes.tex"));
    EXPECT_FALSE(IsAbsolute("x/y"));
    EXPECT_FALSE(IsAbsolute(""));
    EXPECT_EQ(AbsolutePath("sub/doc.dvi", "/home/u"), "/home/u/sub/doc.dvi");
    EXPECT_EQ(AbsolutePath("c:notes.tex", "/home/u"), "/home/u/c:notes.tex");
    EXPECT_EQ(AbsolutePath("/tmp/doc.dvi", "/home/u"), "/tmp/doc.dvi");
    EXPECT_EQ(WithTrailingSeparator("/a//"), "/a/");
    EXPECT_EQ(WithTrailingSeparator("/"), "/");
}

TEST(Paths, ExistenceWritabilityAndSameDirectory) {
    test::TempDir dir;
    std::string file = dir.Write("f.txt", "x");
    EXPECT_TRUE(FileExists(file));
    EXPECT_TRUE(FileExists(dir.Path()));
    EXPECT_FALSE(DirectoryExists(file));
    EXPECT_FALSE(FileExists(dir.File("none")));
    EXPECT_FALSE(FileExists(""));

    EXPECT_TRUE(IsWritable(dir.Path()));
    EXPECT_TRUE(IsWritable(file));
    EXPECT_TRUE(IsWritable(dir.File("new.txt")));  // can be created
    // Below a regular file nothing can ever be created, whoever runs the test.
    EXPECT_FALSE(IsWritable(file + "/sub"));
    EXPECT_FALSE(IsWritable(file + "/sub/x.txt"));
    // The probe leaves nothing behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);

    std::filesystem::create_directories(dir.File("real/a"));
    std::filesystem::create_directory_symlink(dir.File("real"), dir.File("link"));
    EXPECT_TRUE(SameDirectory(dir.File("link/a"), dir.File("real/a/")));
    EXPECT_TRUE(SameDirectory(dir.File("real/./a/../a"), dir.File("real/a")));
    EXPECT_TRUE(SameDirectory(dir.File("missing//b/"), dir.File("missing/b")));
    EXPECT_FALSE(SameDirectory(dir.File("real"), dir.File("real/a")));
    EXPECT_FALSE(SameDirectory("", dir.Path()));
}

}  // namespace
}  // namespace quirn

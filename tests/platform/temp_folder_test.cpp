// The instance's private temporary folder and the clearing up after ended instances.
#include "platform/temp_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/paths.h"
#include "support/test_support.h"

namespace quirn {
namespace {

TEST(TempFolder, FilesAndFoldersLiveInOneFolderThatGoesWithTheInstance) {
    test::TempDir dir;
    std::string folder;
    {
        TempFolder temporary(dir.Path());
        EXPECT_FALSE(FileExists(dir.File("quirn-" + std::to_string(::getpid()))));
        std::string a = temporary.MakeFile("qui", ".tmp");
        std::string b = temporary.MakeFile("qui", ".tmp");
        std::string scratch = temporary.MakeFolder("gfx-");
        folder = temporary.Path();
        EXPECT_EQ(DirectoryOf(folder), dir.Path());
        EXPECT_EQ(FileNameOf(folder).rfind("quirn-" + std::to_string(::getpid()) + "-", 0), 0u);
        struct stat st {};
        ASSERT_EQ(::stat(folder.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);  // private to the user
        EXPECT_NE(a, b);
        for (const std::string& file : {a, b}) {
            EXPECT_EQ(DirectoryOf(file), folder);
            EXPECT_EQ(FileNameOf(file).rfind("qui", 0), 0u);
            EXPECT_EQ(ExtensionOf(file), "tmp");
            EXPECT_TRUE(RegularFileExists(file));
        }
        EXPECT_TRUE(DirectoryExists(scratch));
        EXPECT_EQ(DirectoryOf(scratch), folder);
        // A folder of this running instance is never taken for an ended one.
        EXPECT_EQ(RemoveAbandonedTempFolders(dir.Path()), 0);
        EXPECT_TRUE(RegularFileExists(a));
    }
    EXPECT_FALSE(FileExists(folder));

    // Without a usable parent there is no folder, and no file, only empty names.
    TempFolder nowhere(dir.File("missing/parent"));
    EXPECT_EQ(nowhere.Path(), "");
    EXPECT_EQ(nowhere.MakeFile("qui", ".tmp"), "");
    EXPECT_EQ(nowhere.MakeFolder("gfx-"), "");
}

TEST(TempFolder, OnlyFoldersOfEndedInstancesAreRemoved) {
    test::TempDir dir;
    pid_t ended = ::fork();
    if (ended == 0)
        ::_exit(0);
    ::waitpid(ended, nullptr, 0);
    const std::string gone = "quirn-" + std::to_string(ended) + "-aB1cD2";
    dir.Write(gone + "/qui000000.tmp", "x");
    dir.Write("quirn-1-aB1cD2/keep", "");  // init runs for ever
    dir.Write("quirn-" + std::to_string(ended) + "-short/keep", "");
    dir.Write("quirn-gfx-aB1cD2/keep", "");
    dir.Write("quirn-" + std::to_string(ended) + "-aB1cD3", "a file, not a folder");
    dir.Write("quick.tmp", "");
    EXPECT_EQ(RemoveAbandonedTempFolders(dir.Path()), 1);
    EXPECT_FALSE(FileExists(dir.File(gone)));
    for (const std::string& kept :
         {std::string("quirn-1-aB1cD2/keep"), "quirn-" + std::to_string(ended) + "-short/keep",
          std::string("quirn-gfx-aB1cD2/keep"), "quirn-" + std::to_string(ended) + "-aB1cD3",
          std::string("quick.tmp")}) {
        EXPECT_TRUE(FileExists(dir.File(kept))) << kept;
    }
}

}  // namespace
}  // namespace quirn

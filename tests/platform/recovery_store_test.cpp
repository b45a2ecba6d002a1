#include "platform/recovery_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/test_support.h"

namespace quirn {
namespace {

TEST(RecoveryStore, CopiesKeepTheirTextAndOriginalAndAreListedInOrder) {
    test::TempDir dir;
    RecoveryStore store(dir.File("state/quirn"));
    EXPECT_TRUE(store.List().empty());  // the folder does not exist yet

    // Odd names and texts come back byte for byte: line ends and "%" in the name, no
    // final line end, bytes that are not UTF-8, an unnamed document.
    const std::string odd = "/home/u/100% sure\nnotes.tex";
    const std::string text = "\\documentclass{article}\r\n\xe9t\xe9 % comment";
    ASSERT_TRUE(store.Write("/home/u/paper.tex", "first\n"));
    ASSERT_TRUE(store.Write(odd, text));
    ASSERT_TRUE(store.Write("", "unnamed"));
    dir.Write("state/quirn/notes.txt", "not a copy");
    dir.Write("state/quirn/forged.recovery", "something else\n/etc/passwd\n");

    std::vector<RecoveryCopy> copies = store.List();
    ASSERT_EQ(copies.size(), 3u);
    EXPECT_EQ(copies[0].originalPath, "/home/u/paper.tex");
    EXPECT_EQ(copies[0].text, "first\n");
    EXPECT_EQ(copies[1].originalPath, odd);
    EXPECT_EQ(copies[1].text, text);
    EXPECT_EQ(copies[2].originalPath, "");
    EXPECT_EQ(copies[2].text, "unnamed");

    // The folder and the copies are the user's alone.
    struct stat st {};
    ASSERT_EQ(::stat(store.Directory().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(copies[1].copyPath.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    EXPECT_TRUE(store.Remove(copies[1]));
    copies = store.List();
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(copies[1].text, "unnamed");
}

TEST(RecoveryStore, TheFolderIsInTheUsersStateFolder) {
    {
        test::ScopedEnvironment state;
        state.Set("XDG_STATE_HOME", "/home/u/state");
        EXPECT_EQ(DefaultRecoveryDirectory(), "/home/u/state/quirn");
    }
    test::ScopedEnvironment state;
    state.Unset("XDG_STATE_HOME");
    test::ScopedEnvironment home;
    home.Set("HOME", "/home/u");
    EXPECT_EQ(DefaultRecoveryDirectory(), "/home/u/.local/state/quirn");
}

TEST(RecoveryStore, AFolderThatCannotBeMadeIsAFailure) {
    test::TempDir dir;
    dir.Write("file", "x");
    RecoveryStore store(dir.File("file/quirn"));
    EXPECT_FALSE(store.Write("/a.tex", "text"));
    EXPECT_TRUE(store.List().empty());
}

}  // namespace
}  // namespace quirn

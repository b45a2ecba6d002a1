#include "platform/single_instance.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <future>

#include "support/test_support.h"

namespace quirn {
namespace {

using Files = std::vector<std::string>;

TEST(SingleInstance, SecondStartIsAnsweredWithItsFilesAndDeadSocketsAreReplaced) {
    test::TempDir dir;
    std::string path = dir.File("q.sock");
    EXPECT_FALSE(AskRunningInstance(path, {}, 200));  // nobody there

    InstanceServer first;
    ASSERT_TRUE(first.Listen(path));
    std::vector<Files> raised;
    const Files handed = {"/home/u/paper one.tex", "/home/u/\xc3\xa9t\xc3\xa9.dvi"};
    auto asking =
        std::async(std::launch::async, [&] { return AskRunningInstance(path, handed, 3000); });
    while (asking.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
        first.Poll([&](const Files& files) { raised.push_back(files); });
    }
    EXPECT_TRUE(asking.get());
    ASSERT_EQ(raised.size(), 1u);
    EXPECT_EQ(raised[0], handed);

    // A second server refuses to take over a live instance's socket.
    InstanceServer second;
    auto pollFirst = std::async(std::launch::async, [&] {
        for (int i = 0; i < 100 && !second.Listening(); ++i) {
            first.Poll([&](const Files& files) { raised.push_back(files); });
            usleep(10000);
        }
    });
    EXPECT_FALSE(second.Listen(path));
    pollFirst.wait();

    // A socket file left by an instance that died is replaced.
    test::TempDir other;
    std::string stale = other.File("stale.sock");
    {
        int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strcpy(addr.sun_path, stale.c_str());
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        ::close(fd);  // bound, never listening: like a crashed instance
    }
    InstanceServer revived;
    EXPECT_TRUE(revived.Listen(stale));
    revived.Close();
    EXPECT_FALSE(std::filesystem::exists(stale));
}

// A busy first instance (building a format) answers late: the second start still ends,
// and the files are read from the socket when the first gets to them.
TEST(SingleInstance, ABusyInstanceStillGetsTheFiles) {
    test::TempDir dir;
    std::string path = dir.File("q.sock");
    InstanceServer first;
    ASSERT_TRUE(first.Listen(path));
    EXPECT_TRUE(AskRunningInstance(path, {"/d/late.tex"}, 200));
    Files got;
    first.Poll([&](const Files& files) { got = files; });
    EXPECT_EQ(got, Files{"/d/late.tex"});
}

TEST(SingleInstance, TheSocketIsPerUserDisplayAndSettingsFolder) {
    test::TempDir dir;
    test::ScopedEnvironment runtime;
    runtime.Set("XDG_RUNTIME_DIR", dir.Path());
    std::string a = InstanceSocketPath(":0", "/home/u/.config/quirn");
    EXPECT_EQ(a, InstanceSocketPath(":0", "/home/u/.config/quirn"));
    EXPECT_EQ(a.rfind(dir.Path() + "/quirn-" + std::to_string(::getuid()) + "-", 0), 0u) << a;
    EXPECT_NE(a, InstanceSocketPath(":1", "/home/u/.config/quirn"));
    EXPECT_NE(a, InstanceSocketPath(":0", "/tmp/test-config"));

    // Without a runtime folder the socket goes into a folder private to the user; one
    // that others may enter is not used.
    test::ScopedEnvironment noRuntime;
    noRuntime.Unset("XDG_RUNTIME_DIR");
    test::ScopedEnvironment tmp;
    tmp.Set("TMPDIR", dir.Path());
    std::string folder = dir.File("quirn-" + std::to_string(::getuid()));
    std::string b = InstanceSocketPath(":0", "/home/u/.config/quirn");
    EXPECT_EQ(b.rfind(folder + "/", 0), 0u) << b;
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ::chmod(folder.c_str(), 0777);
    EXPECT_EQ(InstanceSocketPath(":0", "/home/u/.config/quirn"), "");
}

}  // namespace
}  // namespace quirn

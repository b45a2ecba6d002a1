#include "platform/single_instance.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <future>

#include "support/test_support.h"

namespace quirn {
namespace {

TEST(SingleInstance, SecondStartIsAnsweredAndDeadSocketsAreReplaced) {
    test::TempDir dir;
    std::string path = dir.File("q.sock");
    EXPECT_FALSE(AskRunningInstance(path, 200));  // nobody there

    InstanceServer first;
    ASSERT_TRUE(first.Listen(path));
    int raised = 0;
    auto asking = std::async(std::launch::async, [&] { return AskRunningInstance(path, 3000); });
    while (asking.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
        first.Poll([&] { ++raised; });
    }
    EXPECT_TRUE(asking.get());
    EXPECT_EQ(raised, 1);

    // A second server refuses to take over a live instance's socket.
    InstanceServer second;
    auto pollFirst = std::async(std::launch::async, [&] {
        for (int i = 0; i < 100 && !second.Listening(); ++i) {
            first.Poll([&] { ++raised; });
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
}

}  // namespace
}  // namespace quirn

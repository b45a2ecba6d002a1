// The background worker: requests are queued once, pictures come back through the
// ready call, and destroying the worker leaves no interpreter running.
#include "postscript/background_renderer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "postscript/ps_test_support.h"

namespace quirn {
namespace {

TEST(BackgroundRenderer, PicturesArriveAndNothingOutlivesTheWorker) {
    test::TempDir dir, install, tmp;
    test::ScopedEnvironment env;
    env.Set("TMPDIR", tmp.Path());
    Settings settings;
    const std::string eps = dir.Write("box.eps", test::BoxFigure());
    auto doc = OpenPostScriptDocument(eps, settings, nullptr);
    ASSERT_TRUE(doc);
    std::promise<RenderRequest> ready;
    auto arrived = ready.get_future();
    InterpreterSetup setup;
    BackgroundRenderer worker(std::move(doc), settings, setup,
                              [&ready](const RenderRequest& r) { ready.set_value(r); });
    EXPECT_TRUE(worker.Available());
    const RenderRequest request{0, 72, 8, false, false};
    EXPECT_FALSE(worker.Picture(request));
    EXPECT_FALSE(worker.Picture(request));  // queued once
    ASSERT_EQ(arrived.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_EQ(arrived.get(), request);
    auto picture = worker.Picture(request);
    ASSERT_TRUE(picture);
    EXPECT_FALSE(picture->empty);
    EXPECT_EQ(picture->width, 100);

    // An interpreter that hangs is killed at once when the worker goes, without the
    // seconds of the output wait.
    test::WriteProgram(install.Path(), "gs", "#!/bin/sh\nexec sleep 100\n");
    setup.installDir = install.Path();
    const auto start = std::chrono::steady_clock::now();
    {
        BackgroundRenderer hung(OpenPostScriptDocument(eps, settings, nullptr), settings, setup,
                                nullptr);
        EXPECT_FALSE(hung.Picture(request));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    std::string out;
    test::RunCommand("pgrep -x sleep -P " + std::to_string(::getpid()), &out);
    EXPECT_EQ(out, "");
    EXPECT_EQ(test::CountQuirnTempFiles(), 0);
}

}  // namespace
}  // namespace quirn

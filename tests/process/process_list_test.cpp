#include "process/process_list.h"

#include <gtest/gtest.h>
#include <time.h>

#include "platform/output_sink.h"
#include "support/test_support.h"

namespace quirn {
namespace {

std::string Child() {
    return "\"" + test::Program("echo_child") + "\"";
}

// Polls the way the idle processing does, until the list is empty.
void PollUntilEmpty(ProcessList& list) {
    for (int i = 0; i < 2000 && !list.Empty(); ++i) {
        list.Poll();
        timespec ts{0, 5000000};
        nanosleep(&ts, nullptr);
    }
    ASSERT_TRUE(list.Empty());
}

TEST(ProcessList, PollStreamsOutputAndRetiresEndedChildren) {
    test::TempDir dir;
    StringSink sink;
    ProcessList list(&sink, "");
    list.SetTraceStarts(true);
    std::vector<std::pair<std::string, int>> ended;
    list.SetEndHandler([&](ChildProcess& child) {
        // The analysis sees the finished child with all its output already forwarded.
        ended.emplace_back(child.CommandLine(), child.ExitCode());
        EXPECT_NE(sink.Text().find("tail of the run"), std::string::npos);
    });

    ChildProcess* tool = list.StartProcess(Child() + " out tool", dir.Path());
    ASSERT_NE(tool, nullptr);
    ChildProcess* engine =
        list.StartProcess(Child() + " sleep 50 out \"tail of the run\" exit 1", dir.Path(), true);
    ASSERT_NE(engine, nullptr);
    EXPECT_TRUE(engine->IsTypeset());
    EXPECT_EQ(list.Count(), 2u);
    EXPECT_TRUE(list.AnyTypesetRunning());
    EXPECT_EQ(list.StartProcess("quirn-no-such-program", dir.Path()), nullptr);
    EXPECT_EQ(list.Count(), 2u);

    PollUntilEmpty(list);
    // Only the engine run reaches the end handler.
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].second, 1);
    EXPECT_NE(
        sink.Text().find("starting process: '" + Child() + " out tool' in '" + dir.Path() + "'\n"),
        std::string::npos);
    EXPECT_NE(sink.Text().find("tool\n"), std::string::npos);
    EXPECT_FALSE(list.AnyTypesetRunning());
}

TEST(ProcessList, CancelKillsOnlyEngineRunsAndHandlerMayRestart) {
    StringSink sink;
    ProcessList list(&sink, "");
    int ends = 0;
    std::vector<int> codes;
    list.SetEndHandler([&](ChildProcess& child) {
        codes.push_back(child.ExitCode());
        // A restart from inside the end-of-run analysis joins the list being polled.
        if (++ends == 1)
            list.StartProcess(Child() + " out restarted", "", true);
    });
    ASSERT_NE(list.StartProcess(Child() + " out waiting hang", "", true), nullptr);
    ChildProcess* helper = list.StartProcess(Child() + " sleep 100 out helper", "", false);
    ASSERT_NE(helper, nullptr);
    EXPECT_EQ(list.KillTypesetRuns(), 1);
    EXPECT_FALSE(helper->HasEnded());
    PollUntilEmpty(list);
    EXPECT_EQ(codes, (std::vector<int>{kKilledExitCode, 0}));
    EXPECT_NE(sink.Text().find("helper\n"), std::string::npos);
    EXPECT_NE(sink.Text().find("restarted\n"), std::string::npos);

    // Whatever still runs when the list goes away is killed, never left behind.
    pid_t pid;
    {
        ProcessList scoped(nullptr, "");
        ChildProcess* hung = scoped.StartProcess(Child() + " hang", "", true);
        ASSERT_NE(hung, nullptr);
        pid = hung->Pid();
    }
    EXPECT_EQ(::kill(pid, 0), -1);
}

}  // namespace
}  // namespace quirn

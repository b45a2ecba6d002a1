#include "process/process_list.h"

#include <gtest/gtest.h>
#include <time.h>

#include "platform/output_sink.h"
#include "process/command_line.h"
#include "support/test_support.h"

namespace quirn {
namespace {

std::string Child() {
    return "\"" + test::Program("echo_child") + "\"";
}

// The tests write their children's arguments as one line for brevity.
std::vector<std::string> Args(const std::string& line) {
    return SplitCommandLine(line);
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
        return true;
    });

    ChildProcess* tool = list.StartProcess(Args(Child() + " out tool"), dir.Path());
    ASSERT_NE(tool, nullptr);
    ChildProcess* engine = list.StartProcess(
        Args(Child() + " sleep 50 out \"tail of the run\" exit 1"), dir.Path(), true);
    ASSERT_NE(engine, nullptr);
    EXPECT_TRUE(engine->IsTypeset());
    EXPECT_EQ(list.Count(), 2u);
    EXPECT_TRUE(list.AnyTypesetRunning());
    EXPECT_EQ(list.StartProcess(Args("quirn-no-such-program"), dir.Path()), nullptr);
    EXPECT_EQ(list.Count(), 2u);

    PollUntilEmpty(list);
    // Only the engine run reaches the end handler.
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].second, 1);
    EXPECT_NE(sink.Text().find("starting process: '" + test::Program("echo_child") +
                               " out tool' in '" + dir.Path() + "'\n"),
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
            list.StartProcess(Args(Child() + " out restarted"), "", true);
        return true;
    });
    ASSERT_NE(list.StartProcess(Args(Child() + " out waiting hang"), "", true), nullptr);
    ChildProcess* helper = list.StartProcess(Args(Child() + " sleep 100 out helper"), "", false);
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
        ChildProcess* hung = scoped.StartProcess(Args(Child() + " hang"), "", true);
        ASSERT_NE(hung, nullptr);
        pid = hung->Pid();
    }
    EXPECT_EQ(::kill(pid, 0), -1);
}

TEST(ProcessList, ChildrenGetTheListsEnvironmentAndAnEndedChildMayBeKept) {
    test::ScopedEnvironment parent;
    parent.Set("QUIRN_LIST_PARENT", "parent");
    StringSink sink;
    ProcessList list(&sink, "");
    list.SetEnvironment({"QUIRN_LIST_VAR=from the list", "QUIRN_LIST_OTHER=list"});
    StartOptions options;
    options.typeset = true;
    options.extraEnvironment = {"QUIRN_LIST_OTHER=this child"};
    std::vector<std::string> args{test::Program("echo_child"), "env", "QUIRN_LIST_VAR",   "env",
                                  "QUIRN_LIST_OTHER",          "env", "QUIRN_LIST_PARENT"};
    // The handler is not done with the first call: the child stays listed (a typeset
    // run still going on) and the next Poll hands it over again.
    int calls = 0;
    bool listedBetween = false;
    list.SetEndHandler([&](ChildProcess&) {
        if (++calls == 2)
            return true;
        return false;
    });
    ASSERT_NE(list.StartProcess(args, "", options), nullptr);
    for (int i = 0; i < 2000 && calls == 0; ++i) {
        list.Poll();
        timespec ts{0, 5000000};
        nanosleep(&ts, nullptr);
    }
    listedBetween = list.Count() == 1 && list.AnyTypesetRunning();
    list.Poll();
    EXPECT_TRUE(listedBetween);
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(sink.Text(), "from the list\nthis child\n(unset)\n");
}

}  // namespace
}  // namespace quirn

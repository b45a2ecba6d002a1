#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <thread>

#include "app/registry.h"
#include "platform/output_sink.h"
#include "platform/settings_store.h"
#include "support/test_support.h"

namespace quirn {
namespace {

using test::Program;
using test::RunCommand;

class SettingsCli : public ::testing::Test {
  protected:
    std::string Cli(const std::string& args, std::string* out, std::string* err = nullptr) {
        std::string cmd =
            "QUIRN_CONFIG_DIR='" + dir.Path() + "' " + Program("quirn-cli") + " " + args;
        last = RunCommand(cmd, out, err);
        return *out;
    }
    test::TempDir dir;
    int last = 0;
};

TEST_F(SettingsCli, ReadWriteListOverTheRegistryPaths) {
    std::string out, err;
    Cli("settings write '/HKCU/Software/Tolvane Inc/Quirn6/Settings/Units' cm", &out);
    EXPECT_EQ(last, 0);
    Cli("settings write '/HKCU/Software/Tolvane Inc/Quirn6/Settings/MRU' 6 --int", &out);
    EXPECT_EQ(last, 0);
    EXPECT_EQ(Cli("settings read '/HKCU/Software/Tolvane Inc/Quirn6/Settings/Units'", &out),
              "cm\n");
    EXPECT_EQ(Cli("settings list '/HKCU/Software/Tolvane Inc/Quirn6/Settings'", &out),
              "MRU=6\nUnits=cm\n");
    EXPECT_EQ(Cli("settings list '/HKCU/Software/Tolvane Inc/'", &out), "Quirn6/\n");

    // The store is the one the program itself reads.
    StringSink sink;
    auto store = OpenFileStore(dir.Path(), &sink);
    EXPECT_EQ(Registry(*store).ReadInt(UserPath("Settings/MRU")), 6);

    // Refused paths: exit status 1 and a message.
    Cli("settings read 'Software/Tolvane Inc/Quirn6/Settings/Units'", &out, &err);
    EXPECT_EQ(last, 1);
    EXPECT_NE(err.find("must begin with /HKCU/, /HKLM/ or /HKCR/"), std::string::npos) << err;
    Cli("settings read '/HKCU/Software/Nothing/Here'", &out, &err);
    EXPECT_EQ(last, 1);
    Cli("settings list '/HKLM/Software'", &out, &err);
    EXPECT_EQ(last, 1);
    Cli("settings write '/HKCU/Software/x' notanumber --int", &out, &err);
    EXPECT_EQ(last, 1);
}

TEST_F(SettingsCli, KillingAWriteNeverLosesTheValuesTheStoreHeld) {
    // A store large enough that a write takes a while.
    {
        StringSink sink;
        auto store = OpenFileStore(dir.Path(), &sink);
        Registry reg(*store);
        StoreUpdate batch(*store);
        for (int i = 0; i < 3000; ++i) {
            reg.WriteText(UserPath("Bulk/Value" + std::to_string(i)),
                          std::string(60, 'a' + i % 26));
        }
    }
    const std::string cli = Program("quirn-cli");
    std::mt19937 rng(12345);
    int killed = 0;
    for (int round = 0; round < 40; ++round) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::setenv("QUIRN_CONFIG_DIR", dir.Path().c_str(), 1);
            std::string value = "round" + std::to_string(round);
            ::execl(cli.c_str(), cli.c_str(), "settings", "write",
                    "/HKCU/Software/Tolvane Inc/Quirn6/Bulk/Changing", value.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % 20000));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (WIFSIGNALED(status))
            ++killed;
    }
    EXPECT_GT(killed, 0);

    StringSink sink;
    auto store = OpenFileStore(dir.Path(), &sink);
    Registry reg(*store);
    EXPECT_EQ(sink.Text(), "");  // never damaged
    for (int i = 0; i < 3000; i += 7) {
        EXPECT_EQ(reg.ReadText(UserPath("Bulk/Value" + std::to_string(i))),
                  std::string(60, 'a' + i % 26));
    }
}

TEST_F(SettingsCli, TwoWritersAtOnceKeepEveryValue) {
    // Two loops of quirn-cli processes write 30 values each into the same key, at the
    // same time; every write must leave the other loop's values in place.
    const std::string cli = Program("quirn-cli");
    std::string command = "export QUIRN_CONFIG_DIR='" + dir.Path() + "'; ";
    for (const std::string writer : {"A", "B"}) {
        command += "(for i in $(seq 1 30); do '" + cli +
                   "' settings write \"/HKCU/Software/Tolvane Inc/Quirn6/Race/" + writer +
                   "$i\" \"" + writer + " $i\" || echo \"write " + writer + "$i failed\"; done) & ";
    }
    command += "wait";
    std::string out, err;
    ASSERT_EQ(RunCommand(command, &out, &err), 0) << err;
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "");

    StringSink sink;
    auto store = OpenFileStore(dir.Path(), &sink);
    Registry reg(*store);
    std::string lost;
    for (const std::string writer : {"A", "B"}) {
        for (int i = 1; i <= 30; ++i) {
            const std::string name = writer + std::to_string(i);
            if (reg.ReadText(UserPath("Race/" + name)) != writer + " " + std::to_string(i))
                lost += " " + name;
        }
    }
    EXPECT_EQ(lost, "");
    EXPECT_EQ(sink.Text(), "");
}

TEST_F(SettingsCli, StartupOptionsShowsMessagesAndTheParsedOptions) {
    std::string out;
    Cli("startup-options -NOLOGOX -OR=la -PAPER=CUSTOM -W=8.5in -H=11in '/x/my paper.tex'", &out);
    EXPECT_EQ(last, 0);
    EXPECT_EQ(out,
              "message: -NOLOGOX\\n\\nInvalid command line parameter!\\n\n"
              "nologo=1\nprint=0\nprint_file=\ntypeset=0\ntypeset_file=\nformat=\n"
              "interaction=0\nworkdir=\norientation=2\npaper=5\nwidth=8500\nheight=11000\n"
              "unit=0\nupdated=0\nfiles=/x/my paper.tex\n");
    Cli("startup-options -TEX=a.tex -FORMAT=latex", &out);
    // The name is relative to the folder the command was started in.
    EXPECT_NE(out.find("typeset=1\ntypeset_file=" + std::filesystem::current_path().string() +
                       "/a.tex\nformat=LATEX\n"),
              std::string::npos)
        << out;
    Cli("startup-options -PRINT=", &out);
    EXPECT_EQ(last, 1);
    EXPECT_EQ(out, "message: Invalid PRINT command!\n");
}

}  // namespace
}  // namespace quirn

#include "app/application.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "app/registry.h"
#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/settings_store.h"
#include "platform/user_prompt.h"
#include "support/test_support.h"

namespace quirn {
namespace {

// Records the order in which start-up calls into the other subsystems.
struct Recorder {
    std::vector<std::string> calls;
    StartupSeams Seams() {
        StartupSeams s;
        auto note = [this](const char* n) { return [this, n] { calls.push_back(n); }; };
        s.screenDpi = [this] {
            calls.push_back("dpi");
            return 500;
        };
        s.establishRoots = [this](DataRoots& r) {
            calls.push_back("roots");
            r.userDataPath = userData;
            return rootsOk;
        };
        s.setTexVariables = note("texvars");
        s.stopFileSearch = note("stopsearch");
        s.handOverToRunningInstance = [this] {
            calls.push_back("single");
            return otherInstance;
        };
        s.registerDocumentTypes = note("doctypes");
        s.createMainFrame = [this] {
            calls.push_back("frame");
            return true;
        };
        s.buildFormatList = note("formats");
        s.connectGraphicsLibrary = note("graphics");
        s.showMainWindow = [this](bool minimised) {
            calls.push_back(minimised ? "show-min" : "show");
        };
        s.showSplash = note("splash");
        s.loadMissingFileDatabase = note("jitdb");
        s.installPackage = [this](const std::string& p) {
            calls.push_back("install " + p);
            return true;
        };
        s.ensureFormats = note("ensureformats");
        s.refreshFontMaps = note("maps");
        s.openDocument = [this](const std::string& p) {
            calls.push_back("open " + p);
            return true;
        };
        s.typeset = [this](const std::string& f, const std::string& fmt) {
            calls.push_back("typeset " + f + " " + fmt);
            return 3;
        };
        s.saveAllModified = [this] {
            calls.push_back("saveall");
            return saveAllAnswer;
        };
        s.showHelp = [this](const std::string& t) { calls.push_back("help " + t); };
        return s;
    }
    bool rootsOk = true;
    bool otherInstance = false;
    bool saveAllAnswer = true;
    std::string userData = "/nonexistent/";
};

class ApplicationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // What Quirn's parent may pass on.
        parent.Set("QUIRN_INSTALL_DIR", dir.Path());
        parent.Set("TEXINPUTS", "/leaked");
        parent.Set("texmfcnf", "/leaked");
    }
    test::TempDir dir;
    test::ScopedEnvironment parent;
    std::unique_ptr<SettingsStore> store = MakeMemoryStore();
    StringSink output;
    ScriptedPrompt prompt;
};

TEST_F(ApplicationTest, InteractiveStartRunsEveryStepInOrderAndExitSavesOnce) {
    Recorder rec;
    Application app(*store, output, prompt);
    const std::filesystem::path folder = std::filesystem::current_path();
    const EnvironmentBlock before = ProcessEnvironment();
    ASSERT_TRUE(app.InitInstance("-OR=LA -PAPER=A4 first.tex", rec.Seams(), "/home/u/papers"));
    // Start-up never changes the process's current directory; names on the command
    // line are taken relative to the folder the program was started in.
    EXPECT_EQ(std::filesystem::current_path(), folder);
    EXPECT_EQ(rec.calls,
              (std::vector<std::string>{
                  "roots", "dpi", "texvars", "stopsearch", "single", "doctypes", "frame", "formats",
                  "graphics", "show", "jitdb", "install quirn-basic", "ensureformats", "maps",
                  "open /home/u/papers/first.tex", "help /QuirnQuickStart/Introduction.htm"}));
    EXPECT_EQ(app.ScreenResolution(), 300);  // clamped
    EXPECT_EQ(app.PrintOrientation(), 1);
    EXPECT_EQ(app.PrintPaper(), 3);
    EXPECT_EQ(app.Roots().installDir, dir.Path() + "/");
    EXPECT_EQ(app.Roots().tdsPath, dir.Path() + "/");  // roots not set by the seam stay InstallDir
    // Quirn's own environment stays as it was; the children's has no inherited TeX
    // variable and the data roots' own.
    EXPECT_EQ(ProcessEnvironment(), before);
    EXPECT_EQ(app.StartupEnvironment(), before);
    const EnvironmentBlock& children = app.Context().childEnvironment;
    EXPECT_EQ(EnvironmentValue(children, "TEXINPUTS"), std::nullopt);
    EXPECT_EQ(EnvironmentValue(children, "texmfcnf"), std::nullopt);
    EXPECT_EQ(EnvironmentValue(children, "TEXMFCNF"), dir.Path() + "/texmf-tlv/web2c:");
    EXPECT_EQ(EnvironmentValue(children, "VARTEXMF"), dir.Path() + "/texmf-var");
    EXPECT_EQ(EnvironmentValue(children, "QUIRN_INSTALL_DIR"), dir.Path());
    // The dictionary comes from the TeX tree or the system's ispell; only without
    // either does start-up say so.
    if (!std::filesystem::exists("/usr/lib/ispell/american.hash")) {
        EXPECT_EQ(output.Text(), "Could not load american dictionary\n");
    } else {
        EXPECT_EQ(output.Text(), "");
    }
    Registry reg(*store);
    EXPECT_EQ(reg.ReadText(UserPath("Directories/Install")), dir.Path() + "/");
    EXPECT_EQ(reg.ReadInt(UserPath("Settings/FirstTime")), 1);
    EXPECT_EQ(reg.ReadInt(UserPath("Migration/RegKeys")), 1);
    EXPECT_FALSE(reg.ReadInt(UserPath("Settings/WordWrap")));  // nothing saved yet

    app.Record().wordWrap = 0;
    app.ExitInstance();
    EXPECT_EQ(reg.ReadInt(UserPath("Settings/WordWrap")), 0);
    EXPECT_EQ(ProcessEnvironment(), before);

    // The second start is no longer a first run.
    Recorder again;
    Application second(*store, output, prompt);
    ASSERT_TRUE(second.InitInstance("", again.Seams()));
    EXPECT_EQ(again.calls.back(), "maps");
    EXPECT_TRUE(std::find(again.calls.begin(), again.calls.end(), "splash") != again.calls.end());
    EXPECT_EQ(second.Record().wordWrap, 0);
}

TEST_F(ApplicationTest, FailuresAndTheSecondInstanceEndStartUpWithoutSaving) {
    Recorder rec;
    rec.rootsOk = false;
    Application a(*store, output, prompt);
    EXPECT_FALSE(a.InitInstance("", rec.Seams()));
    EXPECT_EQ(rec.calls, std::vector<std::string>{"roots"});
    a.ExitInstance();
    EXPECT_FALSE(Profile(*store).Has("Settings", "WordWrap"));

    Recorder second;
    second.otherInstance = true;
    Application b(*store, output, prompt);
    EXPECT_FALSE(b.InitInstance("paper.tex", second.Seams()));
    EXPECT_TRUE(b.HandedOver());
    EXPECT_EQ(second.calls.back(), "single");

    Recorder bad;
    Application c(*store, output, prompt);
    EXPECT_FALSE(c.InitInstance("-TEX=", bad.Seams()));
    EXPECT_EQ(prompt.messages.back(), "Invalid TEX command!");
    EXPECT_EQ(bad.calls.back(), "single");  // no window was created
}

TEST_F(ApplicationTest, BatchTypesetRunsWithTheGivenFormatAndEnds) {
    Recorder rec;
    Application app(*store, output, prompt);
    EXPECT_FALSE(app.InitInstance("-TEX=paper.tex -FORMAT=latex", rec.Seams(), dir.Path()));
    EXPECT_EQ(app.ResultCode(), 3);
    EXPECT_EQ(rec.calls[rec.calls.size() - 2], "typeset " + dir.File("paper.tex") + " LATEX");
    EXPECT_EQ(rec.calls.back(), "saveall");
    EXPECT_TRUE(std::find(rec.calls.begin(), rec.calls.end(), "show-min") != rec.calls.end());
    EXPECT_TRUE(std::find(rec.calls.begin(), rec.calls.end(), "splash") == rec.calls.end());

    // When the user keeps a modified document, the program carries on interactively.
    Recorder keep;
    keep.saveAllAnswer = false;
    Application b(*store, output, prompt);
    EXPECT_TRUE(b.InitInstance("-PRINT=missing.dvi", [&] {
        auto s = keep.Seams();
        s.openDocument = [](const std::string&) { return false; };
        return s;
    }()));
    EXPECT_EQ(prompt.messages.back(),
              "Unable to print:\n\n" + AbsolutePath("missing.dvi", StartFolder()));
    EXPECT_EQ(keep.calls.back(), "show");
}

// A process that has ended: its id names no running process (until it is reused).
pid_t EndedProcess() {
    pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
}

TEST_F(ApplicationTest, StartUpRemovesOnlyTheFoldersOfEndedInstances) {
    const std::string tmp = dir.File("tmp");
    parent.Set("TMPDIR", tmp);

    // Another program's files, named as Quirn's temporary files once were.
    dir.Write("tmp/quick.tmp", "not Quirn's");
    dir.Write("tmp/quiabc.tmp", "not Quirn's either");
    // A running instance (a child that waits) and one that has ended.
    pid_t live = ::fork();
    if (live == 0) {
        ::pause();
        ::_exit(0);
    }
    const std::string liveFolder = "tmp/quirn-" + std::to_string(live) + "-Ab3dEf";
    const std::string endedFolder = "tmp/quirn-" + std::to_string(EndedProcess()) + "-Gh5jKl";
    dir.Write(liveFolder + "/qui123456.tmp", "trace of a running typeset");
    dir.Write(endedFolder + "/qui654321.tmp", "left by a crash");
    dir.Write("tmp/quirn-notapid-Xy7zQw/keep", "");

    std::string made;
    {
        Recorder rec;
        Application app(*store, output, prompt);
        app.InitInstance("", rec.Seams());
        made = app.Context().temporary.MakeFile("qui", ".tmp");
        // The instance's own files are in a folder of its own, named after it.
        EXPECT_EQ(
            FileNameOf(DirectoryOf(made)).rfind("quirn-" + std::to_string(::getpid()) + "-", 0), 0u)
            << made;
        EXPECT_EQ(DirectoryOf(DirectoryOf(made)), tmp);
        EXPECT_TRUE(RegularFileExists(made));
        app.ExitInstance();
    }
    EXPECT_FALSE(FileExists(DirectoryOf(made)));  // removed when the instance ends

    ::kill(live, SIGKILL);
    ::waitpid(live, nullptr, 0);

    EXPECT_EQ(test::ReadFile(dir.File("tmp/quick.tmp")), "not Quirn's");
    EXPECT_EQ(test::ReadFile(dir.File("tmp/quiabc.tmp")), "not Quirn's either");
    EXPECT_TRUE(FileExists(dir.File(liveFolder + "/qui123456.tmp")));
    EXPECT_TRUE(FileExists(dir.File("tmp/quirn-notapid-Xy7zQw/keep")));
    EXPECT_FALSE(FileExists(dir.File(endedFolder)));
}

}  // namespace
}  // namespace quirn

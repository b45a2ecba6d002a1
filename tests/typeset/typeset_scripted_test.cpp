// Typesetting against scripted fake engines (shell scripts in the test installation's
// bin/), for what the real engine cannot be made to do on demand: hang, die, print the
// old-format notice, or show exactly the command line and environment it was given.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/paths.h"
#include "typeset_harness.h"

namespace quirn {
namespace {

using test::ReadFile;
using test::TypesetHarness;

bool Contains(const std::string& text, const std::string& what) {
    return text.find(what) != std::string::npos;
}

// A harness whose formats directory lists a latex format (never loaded by the fakes).
std::unique_ptr<TypesetHarness> FakeHarness() {
    auto h = std::make_unique<TypesetHarness>("");
    h->dir.Write("var/texmf-var/formats/pdfetex/latex.fmt", "");
    h->formats->BuildFormatList();
    return h;
}

// Writes a LaTeX log for the source (the last argument, in the double quotes TeX
// reads file names in) so that the analysis finds one.
const char* kWriteLog =
    "for a; do f=$a; done; f=${f#\\\"}; f=${f%\\\"}; "
    "echo 'LaTeX2e <2022-11-01>' > \"${f%.tex}.log\"\n";

TEST(TypesetScripted, CommandLineEnvironmentAndTrace) {
    auto h = FakeHarness();
    h->InstallScript(
        "pdfetex",
        "printf '%s\\n' \"$0\" \"$@\" > args.txt\n"
        "pwd > cwd.txt\n"
        "env | grep -E '^(TEXEDIT|KPATHSEA_DEBUG|KPATHSEA_DEBUG_OUTPUT|TEXFORMATS|"
        "QUIRN_USERTEXINPUT)=' | sort > env.txt\n"
        "echo \"kdebug:returning from generic search([paper.tex]) => ./paper.tex\" >&2\n"
        "echo \"kdebug:search(gone.sty) =>/nowhere/gone.sty\" >&2\n" +
            std::string(kWriteLog) + "echo 'Output written on doc.dvi'\n");
    std::string doc = h->dir.Write("D/paper.tex", "x");
    ASSERT_EQ(h->typesetter->Typeset(doc), 0);
    std::string trace = h->typesetter->State().traceFile;
    EXPECT_TRUE(Contains(trace, "/qui")) << trace;
    ASSERT_TRUE(h->RunToEnd(30));

    EXPECT_EQ(ReadFile(h->dir.File("D/args.txt")),
              h->dir.File("install/bin/pdfetex") +
                  "\n-8bit\n-src-specials\n-progname=latex\n&latex\n\"paper.tex\"\n");
    EXPECT_EQ(ReadFile(h->dir.File("D/cwd.txt")), h->dir.File("D") + "\n");
    std::string env = ReadFile(h->dir.File("D/env.txt"));
    EXPECT_TRUE(Contains(env, "KPATHSEA_DEBUG=32\n")) << env;
    EXPECT_TRUE(Contains(env, "KPATHSEA_DEBUG_OUTPUT=" + trace + "\n")) << env;
    EXPECT_TRUE(Contains(env, "TEXEDIT=cat <<'QUIRN_ERROR_LINE'\n")) << env;
    EXPECT_TRUE(Contains(env, "TEXFORMATS=" + h->formats->FormatsDir() + "\n")) << env;
    EXPECT_TRUE(Contains(env, "QUIRN_USERTEXINPUT=")) << env;

    // The trace went to the analysis and is gone, with its variables.
    EXPECT_EQ(h->seams.used, std::vector<std::string>{"./paper.tex"});
    EXPECT_TRUE(h->prompt.messages.empty());
    EXPECT_TRUE(
        Contains(h->Output(),
                 "TeX reported that it used /nowhere/gone.sty, but that file doesn't exist.\n"));
    EXPECT_FALSE(FileExists(trace));
    // The variables were the engine's alone.
    for (const char* name : {"KPATHSEA_DEBUG", "KPATHSEA_DEBUG_OUTPUT", "TEXEDIT", "TEXFORMATS"})
        EXPECT_EQ(getenv(name), nullptr) << name;
    EXPECT_EQ(h->typesetter->LastResult(), 0);
    EXPECT_EQ(h->typesetter->State().expectedOutput, h->dir.File("D/paper.dvi"));
    EXPECT_FALSE(h->typesetter->State().pdfRun);

    // PDF mode: the options come before the source-special options; the PDF is shown.
    h->settings.mode = "PDF";
    h->settings.texEngine8bit = 0;
    ASSERT_EQ(h->typesetter->Typeset(doc), 0);
    ASSERT_TRUE(h->RunToEnd(30));
    EXPECT_EQ(ReadFile(h->dir.File("D/args.txt")),
              h->dir.File("install/bin/pdfetex") +
                  "\n-kpathsea-debug=255\n--output-format=pdf\n-synctex=1\n-src-specials\n"
                  "-progname=latex\n"
                  "&latex\n\"paper.tex\"\n");
    // The run state, not the arguments, says it was a PDF run: the PDF is shown.
    EXPECT_TRUE(h->typesetter->State().pdfRun);
    EXPECT_EQ(h->seams.pdfs, std::vector<std::string>{h->dir.File("D/paper.pdf")});

    // An engine that is missing falls back to "tex", which never gets -8bit.
    h->settings.mode = "DVI";
    h->settings.texEngine8bit = 1;
    h->settings.texEngine = "quirn-no-such-engine";
    h->InstallScript("tex", "printf '%s\\n' \"$@\" > args.txt\n");
    ASSERT_EQ(h->typesetter->Typeset(doc), 0);
    ASSERT_TRUE(h->RunToEnd(30));
    EXPECT_TRUE(Contains(
        h->Output(), "TeX engine: quirn-no-such-engine is missing, resetting to regular 'tex'\n"));
    EXPECT_EQ(h->settings.texEngine, "tex");
    EXPECT_EQ(ReadFile(h->dir.File("D/args.txt")),
              "-src-specials\n-progname=latex\n&latex\n\"paper.tex\"\n");
}

TEST(TypesetScripted, HungEngineIsCancelledAndAKilledOneEndsTheRun) {
    auto h = FakeHarness();
    h->InstallScript("pdfetex", "echo working\nexec sleep 600\n");
    std::string doc = h->dir.Write("doc.tex", "x");
    ASSERT_EQ(h->typesetter->Typeset(doc), 0);
    h->PollFor(200);
    EXPECT_TRUE(h->typesetter->Busy());
    // Another run cannot start meanwhile.
    EXPECT_EQ(h->typesetter->Typeset(doc), -1);

    auto start = std::chrono::steady_clock::now();
    h->typesetter->Cancel();
    ASSERT_TRUE(h->RunToEnd(10));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(h->typesetter->LastResult(), 99);
    EXPECT_TRUE(Contains(h->Output(), "working\n\nTypesetter process aborted\n"));
    EXPECT_TRUE(Contains(h->Output(), "At least one error was detected in your document."));
    // No log: the rerun test is skipped with a message; the failed run offers "Done".
    EXPECT_EQ(h->prompt.messages,
              std::vector<std::string>{"Unable to read log file to determine cross-referencing!"});
    ASSERT_EQ(h->prompt.questions.size(), 1u);
    EXPECT_TRUE(Contains(h->prompt.questions[0], "Correct these errors in your document"));
    EXPECT_TRUE(h->seams.opened.empty());

    // An engine killed from outside ends its run like any other.
    h->InstallScript("pdfetex", "echo $$ > pid\nexec sleep 600\n");
    ASSERT_EQ(h->typesetter->Typeset(doc), 0);
    std::string pid;
    for (int i = 0; i < 200 && pid.empty(); ++i) {
        h->PollFor(20);
        pid = ReadFile(h->dir.File("pid"));
    }
    ASSERT_FALSE(pid.empty());
    ::kill(std::stoi(pid), SIGKILL);
    ASSERT_TRUE(h->RunToEnd(10));
    EXPECT_EQ(h->typesetter->LastResult(), 128 + SIGKILL);
}

// A failed run whose output pipe stays open (something the engine started still holds
// it) waits for the editor call's error line across Polls, never inside one; a line
// that arrives late still leads to the error.
TEST(TypesetScripted, ErrorLineIsAwaitedWithoutBlockingThePoll) {
    auto h = FakeHarness();
    h->InstallScript("pdfetex", std::string(kWriteLog) +
                                    "(sleep 0.3; echo '*** ERROR Line 7 in late.tex'; "
                                    "sleep 2) &\nexit 1\n");
    std::string doc = h->dir.Write("doc.tex", "x");
    ASSERT_EQ(h->typesetter->Typeset(doc), 0);
    auto longest = std::chrono::steady_clock::duration::zero();
    auto start = std::chrono::steady_clock::now();
    while (h->typesetter->Busy() &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(10)) {
        auto before = std::chrono::steady_clock::now();
        h->typesetter->Poll();
        longest = std::max(longest, std::chrono::steady_clock::now() - before);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(h->typesetter->Busy());
    EXPECT_LT(longest, std::chrono::milliseconds(100));
    EXPECT_EQ(h->seams.gotos, std::vector<std::string>{h->dir.File("late.tex") + ":7"})
        << h->Output();
    EXPECT_EQ(h->typesetter->LastResult(), 1);

    // Nothing arrives: the analysis goes on once the wait is over.
    h->InstallScript("pdfetex", std::string(kWriteLog) + "(sleep 2) &\nexit 1\n");
    h->seams.gotos.clear();
    start = std::chrono::steady_clock::now();
    ASSERT_EQ(h->typesetter->Typeset(doc), 0);
    ASSERT_TRUE(h->RunToEnd(10));
    EXPECT_GE(std::chrono::steady_clock::now() - start,
              std::chrono::milliseconds(Typesetter::kErrorLineMs));
    EXPECT_TRUE(h->seams.gotos.empty());
    EXPECT_TRUE(Contains(h->Output(), "At least one error was detected in your document."));
}

TEST(TypesetScripted, OldFormatNoticeIsAnsweredAndNoPagesCountsAsSuccess) {
    auto h = FakeHarness();
    h->InstallScript("pdfetex",
                     std::string(kWriteLog) +
                         "printf '! LaTeX source files more than 5 years old!.\\n\\n? '\n"
                         "read answer\nprintf '%s' \"$answer\" > answer.txt\n"
                         "echo 'No pages of output.'\nexit 1\n");
    std::string doc = h->dir.Write("doc.tex", "x");
    ASSERT_EQ(h->typesetter->Typeset(doc), 0);
    ASSERT_TRUE(h->RunToEnd(30));
    EXPECT_EQ(ReadFile(h->dir.File("answer.txt")), "");  // an empty line, as typed
    EXPECT_TRUE(h->prompt.questions.empty());
    EXPECT_EQ(h->typesetter->LastResult(), 0);
    EXPECT_TRUE(Contains(h->Output(), "? \nNo pages of output.\n\nTypesetting was successful\n"));
}

TEST(TypesetScripted, TypedInputEchoesSendsLinesAndTakesBackCharacters) {
    auto h = FakeHarness();
    h->InstallScript("pdfetex", std::string(kWriteLog) +
                                    "printf 'Type something: '\nread line\n"
                                    "printf '%s' \"$line\" > typed.txt\necho done\n");
    std::string doc = h->dir.Write("doc.tex", "x");
    EXPECT_FALSE(h->typesetter->HasEngineInput());
    ASSERT_EQ(h->typesetter->Typeset(doc), 0);
    ASSERT_TRUE(h->typesetter->HasEngineInput());
    h->typesetter->TypeCharacter('\b');  // nothing pending: nothing happens
    EXPECT_EQ(h->seams.removed, 0);
    for (char c : std::string("ab\bc"))
        h->typesetter->TypeCharacter(c);
    EXPECT_EQ(h->typesetter->PendingLine(), "ac");
    EXPECT_EQ(h->seams.removed, 1);
    EXPECT_TRUE(h->monitor.Text().size() >= 2 &&
                h->monitor.Text().compare(h->monitor.Text().size() - 2, 2, "ac") == 0);
    h->typesetter->TypeCharacter('\x01');  // not printable: ignored
    h->typesetter->TypeCharacter('\r');
    EXPECT_EQ(h->typesetter->PendingLine(), "");
    ASSERT_TRUE(h->RunToEnd(30));
    EXPECT_EQ(ReadFile(h->dir.File("typed.txt")), "ac");
    EXPECT_EQ(h->typesetter->LastResult(), 0);
    // The input stays with the ended run; typing into it does no harm.
    EXPECT_TRUE(h->typesetter->HasEngineInput());
    h->typesetter->SendAnswer("late\n");
}

const char* kMissingPackageThenSucceed =
    "if [ ! -f second ]; then\n"
    "  touch second\n"
    "  printf '! LaTeX Error: File `pkg.sty'\"'\"' not found.\\n\\nEnter file name: '\n"
    "  read name\n  printf '%s' \"$name\" > reply.txt\n  exit 1\n"
    "fi\n";

TEST(TypesetScripted, MissingFileRestartsWhenInstalledAndFollowsStoredAnswers) {
    {
        auto h = FakeHarness();
        h->InstallScript("pdfetex",
                         std::string(kMissingPackageThenSucceed) + kWriteLog + "echo ok\n");
        h->seams.installResult = true;
        std::string doc = h->dir.Write("doc.tex", "x");
        ASSERT_EQ(h->typesetter->Typeset(doc), 0);
        ASSERT_TRUE(h->RunToEnd(30));
        EXPECT_EQ(h->seams.missing, std::vector<std::string>{"pkg.sty"});
        ASSERT_EQ(h->prompt.questions.size(), 1u);
        // The package was installed: the killed run was typeset again and succeeded.
        std::string out = h->Output();
        EXPECT_NE(out.find("*** Typesetting"), out.rfind("*** Typesetting"));
        EXPECT_EQ(h->typesetter->LastResult(), 0);
        EXPECT_EQ(h->seams.opened.size(), 1u);
    }
    {
        // Told not to ask, with the stored answer No: the user answers the engine.
        auto h = FakeHarness();
        h->InstallScript("pdfetex", std::string(kMissingPackageThenSucceed));
        h->profile->WriteInt("Prompts", "JIT", 0);
        h->profile->WriteInt("Prompts", "JIT-default", 7);
        std::string doc = h->dir.Write("doc.tex", "x");
        ASSERT_EQ(h->typesetter->Typeset(doc), 0);
        for (int i = 0; i < 300 && h->typesetter->State().watch; ++i)
            h->PollFor(20);
        EXPECT_FALSE(h->typesetter->State().watch);
        EXPECT_TRUE(h->prompt.questions.empty());
        EXPECT_TRUE(h->seams.missing.empty());
        EXPECT_TRUE(h->typesetter->Busy());
        h->typesetter->SendAnswer("other.sty\n");
        h->prompt.fallback = "no";
        ASSERT_TRUE(h->RunToEnd(30));
        EXPECT_EQ(ReadFile(h->dir.File("reply.txt")), "other.sty");
        EXPECT_EQ(h->typesetter->LastResult(), 1);
    }
    {
        // Told not to ask, with the stored answer Yes: resolution runs at once.
        auto h = FakeHarness();
        h->InstallScript("pdfetex", std::string(kMissingPackageThenSucceed));
        h->profile->WriteInt("Prompts", "JIT", 0);
        std::string doc = h->dir.Write("doc.tex", "x");
        ASSERT_EQ(h->typesetter->Typeset(doc), 0);
        ASSERT_TRUE(h->RunToEnd(30));
        EXPECT_EQ(h->seams.missing, std::vector<std::string>{"pkg.sty"});
        EXPECT_EQ(h->typesetter->LastResult(), 99);
    }
}

class ProjectSeams : public test::RecordingSeams {
  public:
    std::string MainFileFor(const std::string& file) override {
        return file.find("orphan") != std::string::npos ? "" : main;
    }
    std::string main;
};

TEST(TypesetScripted, RefusedRuns) {
    auto h = FakeHarness();
    h->InstallScript("pdfetex", "echo should not run > ran.txt\n");
    std::string doc = h->dir.Write("doc.tex", "x");

    // A PDF that cannot be opened for writing: the run waits for it without blocking
    // the caller, then gives up, and no engine started.
    h->settings.mode = "PDF";
    std::filesystem::create_directories(h->dir.File("doc.pdf"));
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(h->typesetter->Typeset(doc), 0);
    h->typesetter->Poll();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_TRUE(h->typesetter->Busy());
    EXPECT_TRUE(h->prompt.messages.empty());
    ASSERT_TRUE(h->RunToEnd(10));
    EXPECT_GE(std::chrono::steady_clock::now() - start,
              std::chrono::milliseconds(Typesetter::kPdfReleaseMs));
    ASSERT_EQ(h->prompt.messages.size(), 1u);
    EXPECT_TRUE(Contains(h->prompt.messages[0], "The PDF file is locked"));
    EXPECT_TRUE(Contains(h->prompt.messages[0], "Close the PDF viewer"));
    EXPECT_EQ(h->typesetter->LastResult(), -1);
    EXPECT_FALSE(FileExists(h->dir.File("ran.txt")));
    // Released while the run waits: it starts.
    EXPECT_EQ(h->typesetter->Typeset(doc), 0);
    h->PollFor(100);
    std::filesystem::remove(h->dir.File("doc.pdf"));
    ASSERT_TRUE(h->RunToEnd(10));
    EXPECT_TRUE(FileExists(h->dir.File("ran.txt")));
    std::filesystem::remove(h->dir.File("ran.txt"));
    h->settings.mode = "DVI";

    // No formats at all.
    std::filesystem::remove(h->dir.File("var/texmf-var/formats/pdfetex/latex.fmt"));
    h->formats->BuildFormatList();
    EXPECT_EQ(h->typesetter->Typeset(doc), -1);
    EXPECT_FALSE(h->typesetter->Busy());
    EXPECT_FALSE(FileExists(h->dir.File("ran.txt")));

    // The menu command: a document outside every project, and an output file as the
    // project's main file.
    ProjectSeams seams;
    test::TypesetHarness h2("");
    Typesetter typesetter(h2.context, *h2.processes, h2.monitor, *h2.formats, seams);
    EXPECT_EQ(typesetter.TypesetCommand("/x/orphan.tex"), -1);
    seams.main = "/x/book.dvi";
    EXPECT_EQ(typesetter.TypesetCommand("/x/chap.tex"), -1);
    ASSERT_EQ(h2.prompt.messages.size(), 2u);
    EXPECT_EQ(h2.prompt.messages[0], "You may not typeset this file");
    EXPECT_TRUE(Contains(h2.prompt.messages[1], "This output file is not associated"));
}

}  // namespace
}  // namespace quirn

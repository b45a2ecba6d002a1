#include "editor/tex_document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <ctime>

#include "editor/string_text_buffer.h"
#include "platform/output_sink.h"
#include "platform/user_prompt.h"
#include "support/test_support.h"

namespace quirn {
namespace {

void SetModTime(const std::string& path, std::time_t t) {
    struct timespec times[2] = {{t, 0}, {t, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

TEST(TexDocumentFile, LoadSaveByteExactWithFinalLineFeedRule) {
    test::TempDir dir;
    // 10000 bytes of every value but 0x1A at the end: three blocks each way.
    std::string bytes;
    for (int i = 0; i < 10000; ++i) {
        bytes += static_cast<char>((i * 7 + 3) % 256);
    }
    bytes.back() = '\n';
    const std::string path = dir.Write("big.tex", bytes);
    StringTextBuffer buffer;
    TexDocument doc(buffer);
    ScriptedPrompt prompt;
    std::string error;
    ASSERT_TRUE(doc.Open(path, &prompt, &error)) << error;
    EXPECT_EQ(buffer.Text(), bytes);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(prompt.messages.empty());
    EXPECT_EQ(doc.CachedModTime(), FileModTime(path));
    const std::string copy = dir.File("copy.tex");
    ASSERT_TRUE(doc.SaveCopy(copy, &error));
    EXPECT_EQ(test::ReadFile(copy), bytes);
    EXPECT_EQ(doc.Path(), path);  // a copy does not rename the document

    struct Case {
        const char* text;
        const char* saved;
    } cases[] = {{"", ""}, {"abc", "abc\n"}, {"abc\r\n", "abc\r\n"}, {"abc\r", "abc\r\n"}};
    for (const Case& c : cases) {
        StringTextBuffer b(c.text);
        TexDocument d(b);
        ASSERT_TRUE(d.Save(dir.File("case.tex"), &error));
        EXPECT_EQ(test::ReadFile(dir.File("case.tex")), c.saved) << c.text;
    }

    // A failed save keeps the document modified and at its path.
    buffer.Insert(0, "x");
    EXPECT_FALSE(doc.Save(dir.File("no/such/dir.tex"), &error));
    EXPECT_NE(error, "");
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.Path(), path);
    ASSERT_TRUE(doc.Save(dir.File("renamed.tex"), &error));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.Path(), dir.File("renamed.tex"));

    EXPECT_FALSE(doc.Open(dir.File("missing.tex"), &prompt, &error));
    EXPECT_EQ(buffer.Length(), 0);
}

TEST(TexDocumentFile, TrailingControlZIsStrippedOnceAndMarksModified) {
    test::TempDir dir;
    const std::string path = dir.Write("z.tex", std::string("text\x1A\x1A"));
    StringTextBuffer buffer;
    TexDocument doc(buffer);
    ScriptedPrompt prompt;
    ASSERT_TRUE(doc.Open(path, &prompt, nullptr));
    EXPECT_EQ(buffer.Text(), "text");
    EXPECT_TRUE(doc.IsModified());
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0],
              "Trailing Control-Z characters have been stripped\nfrom file " + path);
}

TEST(TexDocumentNames, SaveNameShortPathTitlesAndSavePlans) {
    EXPECT_EQ(ProposedSaveName("my report#1", ".tex"), "my.tex");
    EXPECT_EQ(ProposedSaveName("chapter;2", ".tex"), "chapter.tex");
    EXPECT_EQ(ProposedSaveName("Untitled1", ".tex"), "Untitled.tex");

    EXPECT_EQ(ShortenPathForPrint("/home/u/paper.tex"), "/home/u/paper.tex");
    const std::string deep = "/home/user/projects/thesis/chapters/intro.tex";
    const std::string shortened = ShortenPathForPrint(deep);
    EXPECT_EQ(shortened, "/.../thesis/chapters/intro.tex");
    EXPECT_LE(shortened.size(), 31u);
    EXPECT_EQ(ShortenPathForPrint("/a/b/a-very-long-file-name-for-printing.tex"),
              "a-very-long-file-name-for-printing.tex");
    EXPECT_EQ(ShortenPathForPrint("/aaaaaaaaaaaaaaaaaaaa/bbbbbbbbbbbbbbbbb/c.tex"),
              "/.../bbbbbbbbbbbbbbbbb/c.tex");

    EXPECT_EQ(DocumentTitle("/x/paper.tex", true), "paper.tex *");
    EXPECT_EQ(RefreshedTitle("paper.tex", "/x/paper.tex", true),
              std::optional<std::string>("paper.tex *"));
    EXPECT_EQ(RefreshedTitle("paper.tex *", "/x/paper.tex", false),
              std::optional<std::string>("paper.tex"));
    EXPECT_FALSE(RefreshedTitle("paper.tex *", "/x/paper.tex", true));
    EXPECT_FALSE(RefreshedTitle("Untitled1", "", true));

    EXPECT_EQ(PlanSaveModified(false, true, true, "", "t").step, SaveModifiedStep::Nothing);
    EXPECT_EQ(PlanSaveModified(true, true, true, "/x.tex", "x.tex").step, SaveModifiedStep::Save);
    const SaveModifiedPlan unnamed = PlanSaveModified(true, true, true, "", "Untitled1");
    EXPECT_EQ(unnamed.step, SaveModifiedStep::ReportThenSaveAs);
    EXPECT_EQ(unnamed.message, "Unable to auto-save:\n\nUntitled1\n\nPlease enter a file name.");
    EXPECT_EQ(PlanSaveModified(true, true, false, "/x.tex", "x").step,
              SaveModifiedStep::AskSaveChanges);
    EXPECT_EQ(PlanSaveModified(true, false, true, "/x.tex", "x").step,
              SaveModifiedStep::AskSaveChanges);

    test::TempDir dir;
    const std::string file = dir.Write("r.tex", "x");
    EXPECT_TRUE(CanSaveInPlace(file));
    if (::geteuid() != 0) {  // root may write anything
        ::chmod(file.c_str(), 0444);
        EXPECT_FALSE(CanSaveInPlace(file));
    }
    EXPECT_FALSE(CanSaveInPlace(dir.File("missing.tex")));
    EXPECT_FALSE(CanSaveInPlace(""));
}

TEST(TexDocumentExternalEdit, AsksAgainUntilReloadedAndGuardsReentry) {
    test::TempDir dir;
    const std::string path = dir.Write("e.tex", "old\n");
    SetModTime(path, 1000000);
    StringTextBuffer buffer;
    TexDocument doc(buffer);
    ASSERT_TRUE(doc.Open(path, nullptr, nullptr));
    buffer.Insert(0, "edit ");

    ScriptedPrompt prompt(false);
    StringSink out;
    ExternalEditGuard guard;
    ExternalCheckContext context{true, &guard, &prompt, &out, true};
    EXPECT_EQ(doc.CheckExternalModification(context), ExternalCheckResult::Unchanged);

    {
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fputs("new\n", f);
        std::fclose(f);
    }
    SetModTime(path, 1000100);
    EXPECT_EQ(doc.CheckExternalModification(context), ExternalCheckResult::Declined);
    EXPECT_EQ(doc.CheckExternalModification(context), ExternalCheckResult::Declined);
    ASSERT_EQ(prompt.questions.size(), 2u);
    // The document holds unsaved edits: the question says they would be lost.
    EXPECT_EQ(prompt.questions[0],
              path +
                  " has been modified externally.\nYour unsaved changes in Quirn would be "
                  "lost.\nWould you like to load the modified version into Quirn?");
    EXPECT_TRUE(doc.ChangedOnDiskSinceLoaded());
    EXPECT_EQ(out.Text(),
              "External modification detected: cached=1000000 stat=1000100\n"
              "External modification detected: cached=1000000 stat=1000100\n");
    EXPECT_EQ(buffer.Text(), "edit old\n");
    EXPECT_FALSE(guard.checking);

    // Switched off, or a check already running: no question.
    context.autoCheckExternalEdit = false;
    EXPECT_EQ(doc.CheckExternalModification(context), ExternalCheckResult::NotChecked);
    context.autoCheckExternalEdit = true;
    guard.checking = true;
    EXPECT_EQ(doc.CheckExternalModification(context), ExternalCheckResult::NotChecked);
    guard.checking = false;
    EXPECT_EQ(prompt.questions.size(), 2u);

    // Yes: the file is loaded again and the question stops.
    prompt.SetAnswer(true);
    context.traceExternalMod = false;
    EXPECT_EQ(doc.CheckExternalModification(context), ExternalCheckResult::Reloaded);
    EXPECT_EQ(buffer.Text(), "new\n");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.CheckExternalModification(context), ExternalCheckResult::Unchanged);
    EXPECT_EQ(prompt.questions.size(), 3u);
    EXPECT_FALSE(doc.ChangedOnDiskSinceLoaded());

    // Without unsaved edits the question is the plain one.
    SetModTime(path, 1000200);
    prompt.SetAnswer(false);
    EXPECT_EQ(doc.CheckExternalModification(context), ExternalCheckResult::Declined);
    EXPECT_EQ(prompt.questions.back(),
              path +
                  " has been modified externally.\nWould you like to load the modified "
                  "version into Quirn?");
}

}  // namespace
}  // namespace quirn

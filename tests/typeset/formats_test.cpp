#include "typeset/formats.h"

#include <gtest/gtest.h>
#include <time.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/application.h"
#include "app/profile.h"
#include "app/settings.h"
#include "app/tex_environment.h"
#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/settings_store.h"
#include "platform/user_prompt.h"
#include "support/test_support.h"
#include "typeset/format_storage.h"

namespace quirn {
namespace {

namespace fs = std::filesystem;

// An installation whose own tree is the project's, and empty user and settings folders.
class FormatsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(dir.File("install/texmf-tlv"));
        for (const char* entry : {"web2c", "formatserial"}) {
            fs::create_symlink(test::SourceDir() + "/data/texmf-tlv/" + entry,
                               dir.File("install/texmf-tlv/") + entry);
        }
        fs::create_directories(dir.File("data"));
        environment.Set("XDG_DATA_HOME", dir.File("data"));
        environment.Set("QUIRN_CONFIG_DIR", dir.File("config"));
        roots.installDir = dir.File("install/");
        ASSERT_TRUE(EstablishRoots(roots, profile, output, &prompt));
        children = BuildTexEnvironment(ProcessEnvironment(), roots, profile);
    }

    test::ScopedEnvironment environment;
    EnvironmentBlock children;  // the environment Quirn gives its children
    test::TempDir dir;
    std::unique_ptr<SettingsStore> store = MakeMemoryStore();
    Profile profile{*store};
    Settings settings;
    StringSink output;
    ScriptedPrompt prompt;
    DataRoots roots;
};

// Records the builds asked for and finishes each one at once, for the decisions that
// do not need a format actually built.
class RecordingRunner : public IniTexRunner {
  public:
    bool StartIniTeX(const std::string& macroFile, const std::vector<std::string>& extra) override {
        std::string line = macroFile;
        for (const std::string& option : extra)
            line += " " + option;
        started.push_back(line);
        polls = 0;
        return true;
    }
    bool IniTexRunning() override { return polls < 2; }
    void Poll() override { ++polls; }
    std::vector<std::string> started;
    int polls = 2;
};

TEST(FormatList, DisplayNamesSelectionAndEmptyList) {
    DataRoots roots{"/opt/quirn/", "/d/", "/v/", "/u/"};
    EXPECT_EQ(FormatsDirectory(roots, "pdfetex"), "/v/texmf-var/formats/pdfetex");
    EXPECT_EQ(FormatsDirectory(roots, "tex"), "/v/texmf-var/formats");
    EXPECT_EQ(FormatSerialPath(roots), "/opt/quirn/texmf-tlv/formatserial");
    EXPECT_EQ(FormatDisplayName("plain.fmt"), "   Plain TeX");
    EXPECT_EQ(FormatDisplayName("LaTeX.FMT"), "   LaTeX");
    EXPECT_EQ(FormatDisplayName("amsplain.fmt"), "   AMSTeX");
    EXPECT_EQ(FormatDisplayName("mylatex.fmt"), "   mylatex");

    test::TempDir dir;
    FormatList list;
    list.Build(dir.File("missing"), "");
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(list.MenuItems(), std::vector<std::string>{"No Formats Available"});
    EXPECT_EQ(list.ToolbarItems(), std::vector<std::string>{"No Formats"});
    EXPECT_EQ(list.SelectedName(), "");
    EXPECT_FALSE(list.Select(0));

    for (const char* f : {"latex.fmt", "mylatex.fmt", "plain.fmt", "notes.txt", "x.fmt.bak"}) {
        dir.Write(f, "");
    }
    fs::create_directories(dir.File("folder.fmt"));
    list.Build(dir.Path(), dir.File("mylatex"));
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.SelectedName(), "mylatex");
    EXPECT_EQ(list.MenuItems(),
              (std::vector<std::string>{"   LaTeX", "   mylatex", "   Plain TeX"}));
    EXPECT_GT(list.Entries()[0].modified, 0);
    // A stored format that no longer exists selects entry 0; a name alone still finds it.
    list.Build(dir.Path(), dir.File("gone"));
    EXPECT_EQ(list.Selected(), 0);
    list.Build(dir.Path(), "/elsewhere/formats/plain");
    EXPECT_EQ(list.SelectedName(), "plain");
    EXPECT_TRUE(list.SelectByName("latex"));
    EXPECT_FALSE(list.SelectByName("amstex"));
    EXPECT_FALSE(list.Select(3));
    EXPECT_EQ(list.SelectedPath(), dir.File("latex"));
}

TEST(IniTexDialog, DefaultsStoredFilesAndEmptyBox) {
    auto store = MakeMemoryStore();
    Profile profile(*store);
    ScriptedPrompt prompt;
    IniTexDialog dialog(profile);
    EXPECT_EQ(dialog.Chosen(), IniTexDialog::Kind::Latex);
    EXPECT_EQ(dialog.macroFile, "LATEX.LTX");
    dialog.Choose(IniTexDialog::Kind::Plain);
    EXPECT_EQ(dialog.macroFile, "PLAIN");
    dialog.Choose(IniTexDialog::Kind::Other);
    EXPECT_EQ(dialog.macroFile, "");
    EXPECT_FALSE(dialog.Accept(prompt));
    EXPECT_EQ(prompt.messages, std::vector<std::string>{"No Format file specified"});
    dialog.macroFile = "mymacros.tex";
    dialog.multilingual = true;
    EXPECT_TRUE(dialog.Accept(prompt));
    EXPECT_EQ(dialog.ExtraOptions(), std::vector<std::string>{"--mltex"});
    EXPECT_EQ(profile.GetText("IniTexOther", "FormatFile", ""), "mymacros.tex");
    // The stored file replaces the default from now on; "Void" means nothing stored.
    profile.WriteText("IniTexAmstex", "FormatFile", "Void");
    IniTexDialog again(profile);
    again.Choose(IniTexDialog::Kind::Other);
    EXPECT_EQ(again.macroFile, "mymacros.tex");
    again.Choose(IniTexDialog::Kind::Amstex);
    EXPECT_EQ(again.macroFile, "AMSPLAIN");

    // Names in capitals reach the engine in the case of the installation's files.
    EXPECT_EQ(IniTexFileArgument("LATEX.LTX"), "latex.ltx");
    EXPECT_EQ(IniTexFileArgument("MyMacros.tex"), "MyMacros.tex");
}

TEST_F(FormatsTest, SerialDecidesWhenLatexIsRebuilt) {
    Formats formats(roots, profile, settings, prompt);
    RecordingRunner runner;
    std::string fmtDir = formats.FormatsDir();
    EXPECT_EQ(fmtDir, roots.varDataPath + "texmf-var/formats/pdfetex");

    // The dialog path: cancelled starts nothing, accepted passes the multilingual option.
    EXPECT_EQ(formats.IniTeX(runner, "", {}, [](IniTexDialog&) { return false; }), 0);
    EXPECT_EQ(formats.IniTeX(runner, "", {},
                             [](IniTexDialog& d) {
                                 d.multilingual = true;
                                 return true;
                             }),
              1);
    EXPECT_EQ(runner.started, std::vector<std::string>{"latex.ltx --mltex"});
    runner.started.clear();

    // Serial file present, stored serial differs: rebuild and keep the new serial.
    fs::remove(roots.installDir + "texmf-tlv/formatserial");
    std::string serialFile = roots.installDir + "texmf-tlv/formatserial";
    std::ofstream(serialFile) << "0x10\n";
    EXPECT_TRUE(formats.EnsureLatexFormat(runner, false));
    EXPECT_EQ(profile.GetInt("Settings", "FormatSerial", -1), 16);
    EXPECT_TRUE(prompt.messages.empty());
    // Same serial but no latex.fmt: rebuild.
    EXPECT_TRUE(formats.EnsureLatexFormat(runner, false));
    // Same serial and latex.fmt there: nothing.
    std::ofstream(fmtDir + "/latex.fmt") << "x";
    EXPECT_FALSE(formats.EnsureLatexFormat(runner, false));
    // A new serial after an update: the user is told first.
    std::ofstream(serialFile) << "17\n";
    EXPECT_TRUE(formats.EnsureLatexFormat(runner, true));
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].rfind("Some of the files that were updated require iniTeXing", 0),
              0u);
    // No readable serial: neither test is made, even without latex.fmt.
    std::ofstream(serialFile) << "none\n";
    fs::remove(fmtDir + "/latex.fmt");
    EXPECT_FALSE(formats.EnsureLatexFormat(runner, false));
    fs::remove(serialFile);
    EXPECT_FALSE(formats.EnsureLatexFormat(runner, false));
    EXPECT_EQ(runner.started, (std::vector<std::string>{"latex.ltx", "latex.ltx", "latex.ltx"}));
}

// The real engine builds both formats once into a fresh data root; later starts build
// nothing, and the built LaTeX format typesets a document.
TEST_F(FormatsTest, FreshInstallationBuildsLatexAndPlainOnce) {
    Formats formats(roots, profile, settings, prompt);
    formats.BuildFormatList();
    EXPECT_TRUE(formats.List().Empty());
    ProcessIniTexRunner runner(formats, roots, settings, output, children);

    EXPECT_TRUE(formats.EnsureLatexFormat(runner, false));
    EXPECT_EQ(runner.LastExitCode(), 0) << output.Text();
    EXPECT_TRUE(formats.EnsurePlainFormat(runner));
    EXPECT_EQ(runner.LastExitCode(), 0) << output.Text();
    EXPECT_NE(output.Text().find("\nINITeXing was successful\n"), std::string::npos);
    const std::string fmtDir = formats.FormatsDir();
    EXPECT_TRUE(FileExists(fmtDir + "/latex.fmt"));
    EXPECT_TRUE(FileExists(fmtDir + "/plain.fmt"));
    // Kept inflated, so that runs do not inflate them again.
    EXPECT_FALSE(IsCompressedFormat(fmtDir + "/latex.fmt"));
    EXPECT_FALSE(IsCompressedFormat(fmtDir + "/plain.fmt"));
    // Each build refreshed the list.
    ASSERT_EQ(formats.List().Count(), 2);
    EXPECT_EQ(formats.List().MenuItems(), (std::vector<std::string>{"   LaTeX", "   Plain TeX"}));

    // The next start: nothing to build.
    output.Clear();
    Formats later(roots, profile, settings, prompt);
    ProcessIniTexRunner laterRunner(later, roots, settings, output, children);
    EXPECT_FALSE(later.EnsureLatexFormat(laterRunner, false));
    EXPECT_FALSE(later.EnsurePlainFormat(laterRunner));
    EXPECT_EQ(output.Text(), "");
    later.BuildFormatList();
    EXPECT_TRUE(later.SelectFormatByName("latex"));
    EXPECT_EQ(settings.format, fmtDir + "/latex");

    // The format is a working LaTeX.
    test::TempDir work;
    work.Write("doc.tex", "\\documentclass{article}\\begin{document}Quirn\\end{document}\n");
    std::string out;
    int rc =
        test::RunCommand("cd " + work.Path() + " && TEXFORMATS='" + fmtDir +
                             "' pdftex -interaction=batchmode -progname=latex '&latex' doc.tex",
                         &out);
    EXPECT_EQ(rc, 0) << out;
    EXPECT_TRUE(FileExists(work.File("doc.pdf")) || FileExists(work.File("doc.dvi")));
}

// A macro file with an error ends the build instead of waiting for an answer.
TEST_F(FormatsTest, BrokenMacroFileFailsWithoutHanging) {
    Formats formats(roots, profile, settings, prompt);
    ProcessIniTexRunner runner(formats, roots, settings, output, children);
    std::string macros = dir.Write("broken.tex", "\\undefinedcommand\n");
    ASSERT_EQ(formats.IniTeX(runner, macros), 1);
    while (runner.IniTexRunning())
        runner.Poll();
    EXPECT_NE(runner.LastExitCode(), 0);
    EXPECT_NE(output.Text().find("\nINITeXing failed\n"), std::string::npos) << output.Text();
    EXPECT_FALSE(FileExists(formats.FormatsDir() + "/broken.fmt"));
}

}  // namespace
}  // namespace quirn

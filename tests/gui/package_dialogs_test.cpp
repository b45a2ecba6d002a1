// The option dialogs, the package dialog and the Settings dialog's package page, built
// under a virtual display (the test program runs itself again through xvfb-run)
// without showing them, driven as a person would.
#include <gtest/gtest.h>
#include <wx/bookctrl.h>

#include <filesystem>

#include "app/app_context.h"
#include "app/profile.h"
#include "app/settings.h"
#include "app/settings_values.h"
#include "gui/option_dialog.h"
#include "gui/package_dialog.h"
#include "gui/packages_settings_page.h"
#include "gui/settings_dialog.h"
#include "gui/window_system.h"
#include "packages/package_maker.h"
#include "platform/output_sink.h"
#include "platform/settings_store.h"
#include "platform/user_prompt.h"
#include "support/test_support.h"

namespace quirn::gui {
namespace {

namespace fs = std::filesystem;
using test_window::RanUnderXvfb;
using test_window::StartWindowSystem;

TEST(PackageDialogs, OptionDialogsComposeTheCommands) {
    if (RanUnderXvfb())
        return;
    StartWindowSystem();
    const std::string installDir = test::SourceDir() + "/data/";
    StringSink output;
    ScriptedPrompt prompt;
    {
        OptionDialog dialog(nullptr, installDir, true, "article", "a4paper, 12pt", &output, prompt);
        EXPECT_EQ(dialog.GetTitle(), "Configure Document Class");
        EXPECT_EQ(dialog.Command(), "\\documentclass[a4paper,12pt]{article}");
        int twocolumn = -1, header = -1;
        OptionConfiguration reference(nullptr, nullptr);
        ASSERT_TRUE(reference.Load(installDir, "article", true));
        for (int i = 0; i < static_cast<int>(reference.Entries().size()); ++i) {
            if (reference.Entries()[i].value == "twocolumn")
                twocolumn = i;
            if (reference.Entries()[i].value == "HEADER" && header < 0)
                header = i;
        }
        dialog.TickOption(twocolumn, true);
        dialog.TickOption(header, true);  // a heading is never chosen
        EXPECT_EQ(dialog.Command(), "\\documentclass[a4paper,12pt,twocolumn]{article}");
    }
    {
        OptionDialog dialog(nullptr, installDir, false, "geometry", "", &output, prompt);
        EXPECT_EQ(dialog.GetTitle(), "Configure Package");
        EXPECT_EQ(dialog.Command(), "\\usepackage{geometry}");
        dialog.EnterValue("margin=2xx");
        EXPECT_EQ(dialog.ValuePrompt(), "Enter a value like 2cm");
        EXPECT_EQ(dialog.Command(), "\\usepackage{geometry}");
        dialog.EnterValue("margin=3cm");
        EXPECT_EQ(dialog.ValuePrompt(), "Valid");
        EXPECT_EQ(dialog.Command(), "\\usepackage[margin=3cm]{geometry}");
        // An unreadable option text says so and keeps what was chosen.
        EXPECT_FALSE(dialog.ReadOptionText("margin=wide"));
        EXPECT_EQ(prompt.messages.back(),
                  "Cannot read the value for 'margin'.\n  Please correct and try again.");
        dialog.LoadTarget("no-such-package");
        EXPECT_EQ(dialog.OptionCount(), 0);
        EXPECT_EQ(dialog.Command(), "\\usepackage{no-such-package}");
    }
}

TEST(PackageDialogs, PackageDialogInstallsAndRemovesAndTheSettingsPageStores) {
    if (RanUnderXvfb())
        return;
    StartWindowSystem();
    test::TempDir dir;
    dir.Write("tree/tex/latex/dialogpkg/dialogpkg.sty", "% dialog\n");
    std::string error;
    ASSERT_TRUE(PackPackage(dir.File("tree"), "dialogpkg", dir.File("repo/tpm/dialogpkg.zip"),
                            {"0.9", "From the dialog"}, error))
        << error;
    auto store = OpenFileStore(dir.File("config"), nullptr);
    Profile profile(*store);
    StringSink output;
    ScriptedPrompt prompt;
    AppContext context;
    context.profile = &profile;
    context.output = &output;
    context.prompt = &prompt;
    const std::string root = dir.File("data/");
    context.roots = {dir.File("install/"), root, root, root};
    {
        PackageDialog dialog(nullptr, context);
        EXPECT_TRUE(dialog.Lists().available.empty());
        EXPECT_FALSE(dialog.SetRepository(dir.File("nowhere")));
        EXPECT_EQ(prompt.messages, std::vector<std::string>{"The specified path is invalid"});
        ASSERT_TRUE(dialog.SetRepository(dir.File("repo")));
        EXPECT_EQ(profile.GetText("Settings", "TPMrepository", ""), dir.File("repo"));
        ASSERT_EQ(dialog.Lists().available.size(), 1u);
        ASSERT_TRUE(dialog.InstallAvailable(0)) << output.Text();
        EXPECT_TRUE(fs::exists(root + "texmf/tex/latex/dialogpkg/dialogpkg.sty"));
        ASSERT_EQ(dialog.Lists().installed.size(), 1u);
        EXPECT_TRUE(dialog.Lists().available.empty());
        prompt.SetAnswer(false);
        EXPECT_FALSE(dialog.RemoveInstalled(0));
        prompt.SetAnswer(true);
        ASSERT_TRUE(dialog.RemoveInstalled(0));
        EXPECT_FALSE(fs::exists(root + "texmf/tex/latex/dialogpkg"));
        EXPECT_EQ(dialog.Lists().available.size(), 1u);
    }
    {
        Settings record;
        SettingsDialog dialog(nullptr, ValuesFromSettings(record, SpellOptions{}),
                              SettingsDialogChoices{{"pdfetex"}, {"american"}}, prompt);
        const size_t pages = dialog.GetBookCtrl()->GetPageCount();
        auto* page = new PackagesSettingsPage(dialog.GetBookCtrl(), profile);
        dialog.AddExtraPage(page, "Packages");
        EXPECT_EQ(dialog.GetBookCtrl()->GetPageCount(), pages + 1);
        EXPECT_EQ(dialog.GetBookCtrl()->GetPageText(pages), "Packages");
        page->Save();
        EXPECT_EQ(profile.GetText("Settings", "PackageServer", "unset"), "");
        EXPECT_EQ(profile.GetInt("Prompts", "JITinstall", 5), 1);
    }
}

}  // namespace
}  // namespace quirn::gui

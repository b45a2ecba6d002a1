// The graphics commands in the window, driven by a script on a virtual display: the
// Graphics Migration Wizard asks, then keeps numbered backups of the document.
#include <gtest/gtest.h>

#include "gui/graphics_commands.h"
#include "gui/window_program.h"
#include "support/test_support.h"

namespace quirn {
namespace {

using gui::test_window::HaveXvfb;
using gui::test_window::Reported;
using gui::test_window::RunScript;
using gui::test_window::ScriptRun;
using gui::test_window::ToolkitWarnings;

TEST(GraphicsWindow, MigrationWizardAsksAndKeepsNumberedBackups) {
    if (!HaveXvfb())
        GTEST_SKIP() << "Xvfb is not installed";
    test::TempDir dir;
    const std::string text =
        "\\documentclass{article}\n\\begin{document}\n\\special{psfile=a.eps}\n\\end{document}\n";
    const std::string tex = dir.Write("doc/paper.tex", text);
    const std::string migrate = "menu " + std::to_string(gui::kIdGraphicsMigration) + "\n";
    ScriptRun run = RunScript(dir, "open " + tex + "\nwait 300\n" + migrate + "wait 200\n" +
                                       migrate + "wait 200\nreport\nquit\n");
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.err.find("assertion: "), std::string::npos) << run.err;
    EXPECT_EQ(ToolkitWarnings(run.err), "");
    EXPECT_EQ(Reported(run.out, "active"), "tex " + tex) << run.out;
    const std::string question =
        "question: This Wizard will replace older style graphics inclusions ( such as "
        "\\setbmp, \\centereps, \\special)";
    const size_t first = run.err.find(question);
    ASSERT_NE(first, std::string::npos) << run.err;
    EXPECT_NE(run.err.find(question, first + 1), std::string::npos) << run.err;
    EXPECT_EQ(test::ReadFile(dir.File("doc/paper.migrategraphics.tex")), text);
    EXPECT_EQ(test::ReadFile(dir.File("doc/paper.migrategraphics.1.tex")), text);
    // The document itself stays as it was, under its own name.
    EXPECT_EQ(test::ReadFile(tex), text);
    EXPECT_EQ(Reported(run.out, "modified"), "0");
}

}  // namespace
}  // namespace quirn

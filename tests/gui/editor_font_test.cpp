// The editor keeps its monospace grid whatever font is chosen: text that a font would
// draw with ligatures ("office" with its "ffi") takes as many cells as any other text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/window_program.h"
#include "support/test_support.h"

namespace quirn {
namespace {

using gui::test_window::AllReported;
using gui::test_window::HaveXvfb;
using gui::test_window::RunScript;
using gui::test_window::ScriptRun;
using gui::test_window::ToolkitWarnings;

// The monospaced families installed here, the default one first.
std::vector<std::string> MonospaceFamilies() {
    std::vector<std::string> families{"Monospace"};
    std::string out;
    test::RunCommand("fc-list :spacing=100 family | cut -d, -f1 | sort -u", &out);
    std::size_t start = 0;
    while (start < out.size()) {
        std::size_t end = out.find('\n', start);
        if (end == std::string::npos)
            end = out.size();
        if (end > start)
            families.push_back(out.substr(start, end - start));
        start = end + 1;
    }
    return families;
}

TEST(EditorFont, LigaturesAreOffSoOfficeIsAsWideAsOxxxce) {
    if (!HaveXvfb())
        GTEST_SKIP() << "Xvfb is not installed";
    test::TempDir dir;
    std::string tex = dir.Write("doc/grid.tex", "office\noxxxce\n");
    const std::vector<std::string> families = MonospaceFamilies();
    std::string steps = "open " + tex + "\n";
    for (const std::string& family : families)
        steps += "editor-font " + family + "\ngoto-line 1\nline-width\ngoto-line 2\nline-width\n";
    steps += "quit\n";
    ScriptRun run = RunScript(dir, steps);
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(ToolkitWarnings(run.err), "");
    std::vector<std::string> widths = AllReported(run.out, "line-width");
    ASSERT_EQ(widths.size(), 2 * families.size()) << run.out << run.err;
    for (std::size_t i = 0; i < families.size(); ++i) {
        EXPECT_GT(std::stoi(widths[2 * i]), 0) << families[i];
        EXPECT_EQ(widths[2 * i], widths[2 * i + 1]) << families[i];
    }
}

}  // namespace
}  // namespace quirn

// The edit-typeset-view loop in the window, driven by a script on a virtual display:
// open a document, typeset it with the real engine, read the pages in the page view
// (zoom, page moves), jump from a source line to its page and back, then introduce an
// error and follow the error question back to the editor at the faulty line.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <vector>

#include "support/test_support.h"

namespace quirn {
namespace {

using test::Program;
using test::RunCommand;

// The value of the last "script: KEY: VALUE" line of `out` for `key`.
std::string Reported(const std::string& out, const std::string& key) {
    std::istringstream lines(out);
    std::string line, value;
    const std::string prefix = "script: " + key + ": ";
    while (std::getline(lines, line)) {
        if (line.rfind(prefix, 0) == 0)
            value = line.substr(prefix.size());
    }
    return value;
}

// The script's reports one by one: each begins with its "active:" line.
std::vector<std::string> Reports(const std::string& out) {
    std::vector<std::string> reports;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("script: active: ", 0) == 0)
            reports.emplace_back();
        if (!reports.empty() && line.rfind("script: ", 0) == 0)
            reports.back() += line.substr(8) + "\n";
    }
    return reports;
}

TEST(WindowLoop, TypesetViewZoomPageThenFollowAnErrorToItsLine) {
    std::string have;
    if (RunCommand("command -v xvfb-run && command -v Xvfb", &have) != 0)
        GTEST_SKIP() << "Xvfb is not installed";
    test::TempDir dir;
    std::string tex = dir.Write("doc/paper.tex",
                                "\\documentclass{article}\n"
                                "\\usepackage{color}\n"
                                "\\begin{document}\n"
                                "\\section{One} Text one, \\textcolor{red}{in red}.\n"
                                "\\newpage\n"
                                "\\section{Two} Text two.\n"
                                "\\newpage\n"
                                "\\section{Three} Text three.\n"
                                "\\end{document}\n");
    std::string shot = dir.File("view.png");
    std::string script = dir.Write("steps.txt", "open " + tex +
                                                    "\n"
                                                    "typeset\n"
                                                    "wait-typeset\n"
                                                    "wait 1500\n"
                                                    "report\n"
                                                    "menu 59201\n"
                                                    "menu 31219\n"
                                                    "wait 300\n"
                                                    "report\n"
                                                    "screenshot " +
                                                    shot +
                                                    "\n"
                                                    "menu 31216\n"
                                                    "menu 32782\n"
                                                    "wait 300\n"
                                                    "report\n"
                                                    // Forward search from line 6 (F8)...
                                                    "open " +
                                                    tex +
                                                    "\n"
                                                    "goto-line 6\n"
                                                    "menu 25012\n"
                                                    "wait 500\n"
                                                    "report\n"
                                                    // ...and back from the pointer (F8
                                                    // in the viewer), caret moved away.
                                                    "open " +
                                                    tex +
                                                    "\n"
                                                    "goto-line 1\n"
                                                    "open " +
                                                    dir.File("doc/paper.dvi") +
                                                    "\n"
                                                    "menu 25012\n"
                                                    "wait 300\n"
                                                    "report\n"
                                                    "open " +
                                                    tex +
                                                    "\n"
                                                    "goto-line 6\n"
                                                    "insert \\undefinedthing \n"
                                                    "typeset\n"
                                                    "wait-typeset\n"
                                                    "wait 500\n"
                                                    "report\n"
                                                    "quit\n");
    std::string env = "QUIRN_CONFIG_DIR='" + dir.File("config") + "' XDG_RUNTIME_DIR='" +
                      dir.Path() + "' TMPDIR='" + dir.Path() + "' XDG_DATA_HOME='" +
                      dir.File("data") + "' QUIRN_TEST_ANSWER=yes QUIRN_SCRIPT='" + script + "' ";
    std::string run =
        dir.Write("run.sh", env + "timeout 300 " + Program("quirn") + " -NOLOGO; echo rc=$?\n");
    std::string out, err;
    int rc = RunCommand("xvfb-run -a -s '-screen 0 1280x900x24' sh " + run, &out, &err);
    ASSERT_EQ(rc, 0) << out << err;
    EXPECT_NE(out.find("rc=0"), std::string::npos) << out << err;
    EXPECT_EQ(err.find("assertion: "), std::string::npos) << err;

    // After the run the page view shows page 1 of the three.
    std::size_t first = out.find("script: indicator: Page 1 of 3");
    EXPECT_NE(first, std::string::npos) << out << err;
    EXPECT_NE(out.find("script: active: viewer " + dir.File("doc/paper.dvi")), std::string::npos)
        << out;
    // Page width zoom, next page: page 2, with ink on the screen.
    EXPECT_NE(out.find("script: indicator: Page 2 of 3"), std::string::npos) << out;
    EXPECT_NE(out.find("script: state: 1 -2"), std::string::npos) << out;
    // Zoom down from the fitted resolution and go to the last page.
    EXPECT_NE(out.find("script: indicator: Page 3 of 3"), std::string::npos) << out;
    EXPECT_GT(std::stol(Reported(out, "dark").empty() ? "0" : Reported(out, "dark")), 0) << out;

    // The forward search brought page 2 of 3 into view, the inverse search at the
    // pointer it placed went back to line 6 of the source.
    std::vector<std::string> reports = Reports(out);
    ASSERT_GE(reports.size(), 6u) << out;
    EXPECT_NE(reports[3].find("indicator: Page 2 of 3"), std::string::npos) << reports[3];
    EXPECT_NE(reports[4].find("active: tex " + tex), std::string::npos) << reports[4];
    EXPECT_NE(reports[4].find("line: 6\n"), std::string::npos) << reports[4];

    // The error question was answered yes: the editor shows line 6 of the source.
    EXPECT_NE(err.find("question: "), std::string::npos) << err;
    EXPECT_EQ(Reported(out, "active"), "tex " + tex) << out << err;
    EXPECT_EQ(Reported(out, "line"), "6") << out << err;

    ASSERT_TRUE(std::filesystem::exists(shot)) << out << err;
    std::string artefacts = test::BuildDir() + "/test-artefacts";
    std::filesystem::create_directories(artefacts);
    std::filesystem::copy_file(shot, artefacts + "/page-view.png",
                               std::filesystem::copy_options::overwrite_existing);
}

}  // namespace
}  // namespace quirn

// In-process window tests: each test runs itself again in a child program under a
// fresh virtual display, and that child starts the toolkit once. A failed toolkit
// assertion fails the test instead of waiting in a dialog.
#pragma once

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "gui/window_program.h"
#include "support/test_support.h"

namespace quirn::gui::test_window {

inline constexpr const char* kOnDisplayMark = "QUIRN_WINDOW_TEST_DISPLAY";

// Runs the current test again under xvfb-run and checks that it passed there. False
// when this process is that child and should run the test itself.
inline bool RanUnderXvfb() {
    const char* mark = std::getenv(kOnDisplayMark);
    if (mark && *mark)
        return false;
    std::string out, err;
    if (test::RunCommand("command -v xvfb-run && command -v Xvfb", &out) != 0) {
        ADD_FAILURE() << "Xvfb is not installed";
        return true;
    }
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string filter = std::string(info->test_suite_name()) + "." + info->name();
    int rc = test::RunCommand(std::string(kOnDisplayMark) +
                                  "=1 timeout 120 xvfb-run -a -s '-screen 0 1280x900x24' '" + self +
                                  "' --gtest_filter=" + filter,
                              &out, &err);
    EXPECT_EQ(rc, 0) << out << err;
    EXPECT_NE(out.find("[  PASSED  ] 1 test"), std::string::npos) << out << err;
    EXPECT_EQ(ToolkitWarnings(err), "");
    return true;
}

// The toolkit, started once per child program and left running until it ends.
inline void StartWindowSystem() {
    static bool started = [] {
        static int argc = 1;
        static char name[] = "test_gui";
        static char* argv[] = {name, nullptr};
        wxSetAssertHandler([](const wxString& file, int line, const wxString&, const wxString& cond,
                              const wxString& msg) {
            ADD_FAILURE() << "wx assertion " << cond.utf8_string() << " (" << msg.utf8_string()
                          << ") at " << file.utf8_string() << ":" << line;
        });
        wxApp::SetInstance(new wxApp);
        return wxEntryStart(argc, argv) && wxTheApp->CallOnInit();
    }();
    ASSERT_TRUE(started);
}

}  // namespace quirn::gui::test_window

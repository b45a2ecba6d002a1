// The window program run by the window tests: under a fresh virtual display, with its
// own settings folder, driven by a script (QUIRN_SCRIPT) whose reports come back as
// "script: KEY: VALUE" lines; and the check that the toolkit had nothing to complain
// about on standard error.
#pragma once

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace quirn::gui::test_window {

inline bool HaveXvfb() {
    std::string out;
    return test::RunCommand("command -v xvfb-run && command -v Xvfb", &out) == 0;
}

// The variables that keep a run's settings, sockets, temporary files and recovery
// copies in `dir`.
inline std::string QuirnEnvironment(const test::TempDir& dir) {
    return "QUIRN_CONFIG_DIR='" + dir.File("config") + "' XDG_RUNTIME_DIR='" + dir.Path() +
           "' TMPDIR='" + dir.Path() + "' XDG_DATA_HOME='" + dir.File("data") +
           "' XDG_STATE_HOME='" + dir.File("state") + "' ";
}

// The toolkit's warnings and criticals in a program's standard error (a window laid out
// before it has a size, a paint inside a paint, ...), one per line; empty when there
// are none.
inline std::string ToolkitWarnings(const std::string& err) {
    static const std::regex warning(
        R"(\b(Gtk|Gdk|GLib|GLib-GObject|Pango)-(CRITICAL|WARNING) \*\*)");
    std::istringstream lines(err);
    std::string line, found;
    while (std::getline(lines, line)) {
        if (std::regex_search(line, warning))
            found += line + "\n";
    }
    return found;
}

struct ScriptRun {
    int status = -1;  // the program's exit status
    std::string out;
    std::string err;
};

// Runs the window program with the script `steps` (questions answered "yes") under a
// fresh virtual display.
// `environment` adds variables ("NAME=VALUE ", as on a shell line) to the program's.
inline ScriptRun RunScript(const test::TempDir& dir, const std::string& steps,
                           int timeoutSeconds = 300, const std::string& environment = "") {
    std::string script = dir.Write("steps.txt", steps);
    std::string run = dir.Write(
        "run.sh", QuirnEnvironment(dir) + environment + "QUIRN_TEST_ANSWER=yes QUIRN_SCRIPT='" +
                      script + "' timeout " + std::to_string(timeoutSeconds) + " " +
                      test::Program("quirn") + " -NOLOGO; echo status=$?\n");
    ScriptRun result;
    test::RunCommand("xvfb-run -a -s '-screen 0 1280x900x24' sh " + run, &result.out, &result.err);
    std::size_t at = result.out.rfind("status=");
    if (at != std::string::npos)
        result.status = std::stoi(result.out.substr(at + 7));
    return result;
}

// The value of the last "script: KEY: VALUE" line of `out` for `key`.
inline std::string Reported(const std::string& out, const std::string& key) {
    std::istringstream lines(out);
    std::string line, value;
    const std::string prefix = "script: " + key + ": ";
    while (std::getline(lines, line)) {
        if (line.rfind(prefix, 0) == 0)
            value = line.substr(prefix.size());
    }
    return value;
}

// The values of every "script: KEY: VALUE" line of `out` for `key`, in order.
inline std::vector<std::string> AllReported(const std::string& out, const std::string& key) {
    std::istringstream lines(out);
    std::string line;
    std::vector<std::string> values;
    const std::string prefix = "script: " + key + ": ";
    while (std::getline(lines, line)) {
        if (line.rfind(prefix, 0) == 0)
            values.push_back(line.substr(prefix.size()));
    }
    return values;
}

// The script's reports one by one: each begins with its "active:" line.
inline std::vector<std::string> Reports(const std::string& out) {
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

}  // namespace quirn::gui::test_window

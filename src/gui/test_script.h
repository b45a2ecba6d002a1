// A scripted session for window tests and demonstrations: QUIRN_SCRIPT names a file of
// steps that the running window carries out one after the other (open a file, run a
// menu command, typeset and wait, type text, right-click or press keys through the
// display server, report the state or the title, take a screenshot, quit). Reports go
// to standard output as "script: " lines.
#pragma once

#include <wx/stc/stc.h>
#include <wx/string.h>

#include <functional>
#include <string>
#include <vector>

namespace quirn::gui {

class ScriptRunner {
  public:
    // Reads the steps; false when the file cannot be read.
    bool Load(const std::string& path);
    bool Active() const { return next_ < steps_.size(); }
    // Carries out steps until one has to wait; called from the application's timer.
    void Step();
    // Takes a picture of the main window.
    std::function<void(const wxString& path)> screenshot;

  private:
    bool RunStep(const std::string& step);  // false: try the same step again later
    void Report();
    void Panes();
    void ReportMargins(wxStyledTextCtrl* stc);

    std::vector<std::string> steps_;
    std::size_t next_ = 0;
    long long waitUntil_ = 0;
    bool busy_ = false;
};

}  // namespace quirn::gui

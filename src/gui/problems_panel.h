// The errors-and-warnings list: after each run, the run's errors, warnings and bad
// boxes read from its log. A click opens the file at the line; the editors mark the
// listed lines in their margin until the next run.
#pragma once

#include <wx/listctrl.h>
#include <wx/panel.h>

#include <string>
#include <vector>

#include "typeset/log_analysis.h"

namespace quirn::gui {

class CProblemsPanel : public wxPanel {
  public:
    explicit CProblemsPanel(wxWindow* parent);

    // Reads the log of the run of `source` and lists what it reports.
    void ShowRun(const std::string& source);
    // A run starts: the list and the editors' marks go.
    void Clear();
    // The listed entries, with their files made absolute.
    const std::vector<LogEntry>& Entries() const { return entries_; }
    // Opens the file of entry `index` at its line.
    void OpenEntry(std::size_t index);
    // Puts the marks of the listed lines into every open editor.
    void MarkEditors();

  private:
    void OnItem(wxListEvent& e);

    wxListCtrl* list_;
    std::vector<LogEntry> entries_;
};

}  // namespace quirn::gui

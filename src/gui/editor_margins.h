// The TeX editor's margins and current line: line numbers (a setting, on by default),
// the highlighted caret line, the fold margin for environments and sectioning units,
// and the marks of the errors-and-warnings list; and the editor's colours under a dark
// desktop theme.
#pragma once

#include <wx/stc/stc.h>

#include <vector>

#include "app/settings.h"
#include "editor/text_buffer.h"
#include "typeset/log_analysis.h"

namespace quirn::gui {

// A listed line (0-based) of the editor's file and what was reported there.
struct ProblemMark {
    int line = 0;
    LogEntryKind kind = LogEntryKind::Error;
};

// Margin numbers: line numbers, symbols (bookmark and problem marks), folds.
inline constexpr int kLineNumberMargin = 0;
inline constexpr int kSymbolMargin = 1;
inline constexpr int kFoldMargin = 2;

// True when the desktop's theme is dark (light text on a dark window background).
bool DesktopIsDark();

// A colour of the settings (0x00BBGGRR) as the editor shows it: as it is, or with its
// lightness inverted under a dark desktop when the settings keep a light background.
wxColour EditorColour(const Settings& settings, int bgr);

// The markers and margins, once for a new editor.
void SetUpMargins(wxStyledTextCtrl* stc);
// The margins as the settings say: line numbers, the symbol margin (the selection
// column setting, or problem marks to show), the caret line's colour.
void ApplyMarginSettings(wxStyledTextCtrl* stc, const Settings& settings, bool hasMarks);
// Keeps the line-number margin wide enough for the text's last line number.
void FitLineNumberMargin(wxStyledTextCtrl* stc, const Settings& settings);
// The fold levels of the whole text set anew.
void RefreshFoldLevels(wxStyledTextCtrl* stc, const TextBuffer& text);
// The problem marks replaced by `marks`.
void SetProblemMarkers(wxStyledTextCtrl* stc, const std::vector<ProblemMark>& marks);
// A click in the fold margin folds or unfolds the unit of its line.
void OnMarginClick(wxStyledTextCtrl* stc, wxStyledTextEvent& e);

}  // namespace quirn::gui

// Spelling in the editor windows: the spell checker they share, the background check
// that underlines unknown words (indicator 0) a few lines at a time while the window
// is otherwise idle, the right-button spelling menu, and the Spell Check command.
#pragma once

#include <wx/event.h>
#include <wx/stc/stc.h>
#include <wx/timer.h>

#include <optional>
#include <string>
#include <vector>

#include "editor/background_spelling.h"
#include "editor/line_tracker.h"
#include "editor/spell_checker.h"

namespace quirn::gui {

class StcTextBuffer;

// The Spell Check command (F5) of the TeX menu; the editor view handles it.
inline constexpr int kIdSpellCheck = 25200;

// EnsureSpellChecker for the editors: the shared checker with the dictionary of the
// settings, or null when spelling is not available (it has said why).
SpellChecker* EnsureEditorSpelling();

// The right-button spelling menu of the word at a place.
struct SpellMenu {
    int start = 0;
    int end = 0;
    std::string word;
    std::vector<std::string> suggestions;  // at most 10; empty: "No Suggestions"
};

class EditorSpelling : public wxEvtHandler {
  public:
    EditorSpelling(wxStyledTextCtrl* stc, StcTextBuffer& buffer, LineTracker& tracker);
    ~EditorSpelling() override;

    // The setting AutoSpellCheck.
    void SetBackground(bool on);
    // A text change: checking waits until the text has been still for a second, except
    // for a text that arrived whole (a loaded file).
    void OnTextChanged(bool wholeText = false);
    // Lines whose marks are out of date after the dictionary or the ignored words
    // changed: all of them.
    void RecheckAll();

    // The spelling menu at `pos`, or none when the normal menu applies.
    std::optional<SpellMenu> MenuAt(int pos);
    // Carries out a menu choice: a suggestion's text, "Add" or "Ignore All".
    void Choose(const SpellMenu& menu, const std::string& item);
    // Shows the spelling menu at a window point; false when the normal menu applies.
    bool PopupAt(const wxPoint& clientPoint);

    // The Spell Check command (F5).
    void SpellCheckCommand();

    // The words underlined now, in text order (for tests).
    std::vector<std::string> MarkedWords() const;
    // True while lines wait to be checked.
    bool Pending() const;
    bool Disabled() const { return disabled_; }

  private:
    void OnTimer(wxTimerEvent& e);
    // Checks unchecked lines (the shown ones first) for at most `budgetMs`.
    void CheckSlice(int budgetMs);

    wxStyledTextCtrl* stc_;
    StcTextBuffer& buffer_;
    LineTracker& tracker_;
    BackgroundSpellPass pass_;
    wxTimer timer_;
    bool background_ = true;
    bool disabled_ = false;
    long long lastChange_ = 0;
};

}  // namespace quirn::gui

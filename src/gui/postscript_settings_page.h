// The Settings dialog's PostScript page: which interpreter draws PostScript (Quirn's
// Ghostscript, the installed one, or a command of the user's with the placeholders
// %DPI, %WIDTH, %HEIGHT, %DEVICE and %OUTPUT), whether its pictures are in colour and
// smoothed, and the folders of TrueType fonts, PostScript fonts and figures.
#pragma once

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/panel.h>
#include <wx/textctrl.h>

#include "app/settings_values.h"

namespace quirn::gui {

class PostScriptSettingsPage : public wxPanel {
  public:
    explicit PostScriptSettingsPage(wxWindow* book);

    // The renderer choice (values 1 to 3) and the user command; the dialog transfers
    // these two with the other renderer values.
    wxChoice* Renderer() { return renderer_; }
    wxTextCtrl* Command() { return command_; }

    // Colour, smoothing and the folder lists (";"-separated in their boxes).
    void ToWindow(const AdvancedPageValues& values);
    void FromWindow(AdvancedPageValues& values) const;

  private:
    wxChoice* renderer_;
    wxTextCtrl* command_;
    wxCheckBox* colour_;
    wxCheckBox* smoothing_;
    wxTextCtrl* trueTypeFonts_;
    wxTextCtrl* postScriptFonts_;
    wxTextCtrl* figures_;
};

}  // namespace quirn::gui

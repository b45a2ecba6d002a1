// The "INITeX" dialog: the macro kind ("Plain TeX", "LaTeX", "AMSTeX", "Other"), the
// macro file name and the multilingual extensions, over the dialog state that the
// format builder keeps (IniTexDialog), which also stores the chosen file.
#pragma once

#include <wx/dialog.h>

#include "platform/user_prompt.h"
#include "typeset/formats.h"

class wxCheckBox;
class wxRadioButton;
class wxTextCtrl;

namespace quirn::gui {

// Messages of the dialog, titled "INITeX Error". With QUIRN_TEST_ANSWER set they go
// to standard error ("message: ...") like every other message of the program.
class IniTexErrorPrompt : public UserPrompt {
  public:
    explicit IniTexErrorPrompt(wxWindow* parent = nullptr) : parent_(parent) {}
    void SetParent(wxWindow* parent) { parent_ = parent; }
    void ShowMessage(const std::string& text) override;
    int Ask(const std::string& text, const std::vector<std::string>& buttons, int affirmative,
            int negative) override;

  private:
    wxWindow* parent_;
};

class IniTexDialogWindow : public wxDialog {
  public:
    // `state` opens with "LaTeX" chosen; `errors` shows "No Format file specified".
    IniTexDialogWindow(wxWindow* parent, IniTexDialog& state, UserPrompt& errors);

    // A macro kind chosen: its file name goes into the box.
    void ChooseKind(IniTexDialog::Kind kind);
    // The "INITeX" button: true when the dialog may close (the file is stored).
    bool PressIniTeX();

    wxTextCtrl* MacroFileBox() { return file_; }
    wxCheckBox* MultilingualBox() { return mltex_; }

  private:
    IniTexDialog& state_;
    UserPrompt& errors_;
    wxRadioButton* kinds_[4];
    wxTextCtrl* file_;
    wxCheckBox* mltex_;
};

// Shows the dialog modally over `state`: true for "INITeX", false for "Cancel".
bool ShowIniTexDialog(wxWindow* parent, IniTexDialog& state);

}  // namespace quirn::gui

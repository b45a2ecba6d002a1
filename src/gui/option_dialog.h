// The class and package option dialogs ("Configure Document Class", "Configure
// Package"): the options an option file lists, ticked from the command's existing
// option text, each value checked against its pattern as it is typed, and the finished
// \documentclass or \usepackage command shown as it will be inserted.
#pragma once

#include <wx/dialog.h>

#include <map>
#include <string>

#include "packages/option_files.h"

class wxCheckListBox;
class wxComboBox;
class wxListBox;
class wxStaticText;
class wxTextCtrl;

namespace quirn {
class OutputSink;
class UserPrompt;
}  // namespace quirn

namespace quirn::gui {

class OptionDialog : public wxDialog {
  public:
    // `name` and `optionText` come from the command being configured (both may be
    // empty); `output` gets the option file's load messages.
    OptionDialog(wxWindow* parent, const std::string& installDir, bool isClass,
                 const std::string& name, const std::string& optionText, OutputSink* output,
                 UserPrompt& prompt);

    // The command as it will be inserted.
    std::string Command() const;
    // What the value entry's check says ("Valid", "Enter a value like 12pt", ...).
    std::string ValuePrompt() const;

    // What a person does, for the buttons and for tests.
    void LoadTarget(const std::string& name);
    bool ReadOptionText(const std::string& text);
    void TickOption(int index, bool ticked);
    void SelectOption(int index);
    void EnterValue(const std::string& entry);
    int OptionCount() const;

  private:
    void Rebuild();
    void ShowSelected();
    void OnTicked(int index);

    std::string installDir_;
    bool isClass_;
    UserPrompt& prompt_;
    OptionConfiguration options_;
    std::map<std::string, std::string> values_;  // option -> value typed or read
    wxComboBox* name_ = nullptr;
    wxStaticText* title_ = nullptr;
    wxCheckListBox* list_ = nullptr;
    wxStaticText* description_ = nullptr;
    wxTextCtrl* value_ = nullptr;
    wxStaticText* valuePrompt_ = nullptr;
    wxListBox* choices_ = nullptr;
    wxTextCtrl* preview_ = nullptr;
    int selected_ = -1;
};

// The Document Class Options and Insert Package commands of the TeX menu on the
// active editor: the dialog for the document's \documentclass (replaced on OK), or
// for a new \usepackage (inserted before \begin{document}, else at the caret).
void ConfigureDocumentClass(wxWindow* parent);
void InsertPackage(wxWindow* parent);

}  // namespace quirn::gui

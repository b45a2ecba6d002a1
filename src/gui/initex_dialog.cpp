#include "gui/initex_dialog.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/msgdlg.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include <cstdio>

namespace quirn::gui {

namespace {

constexpr IniTexDialog::Kind kKinds[4] = {IniTexDialog::Kind::Plain, IniTexDialog::Kind::Latex,
                                          IniTexDialog::Kind::Amstex, IniTexDialog::Kind::Other};

bool ScriptedAnswers() {
    wxString answer;
    return wxGetEnv("QUIRN_TEST_ANSWER", &answer) && !answer.empty();
}

}  // namespace

void IniTexErrorPrompt::ShowMessage(const std::string& text) {
    if (ScriptedAnswers()) {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return;
    }
    wxMessageDialog dialog(parent_, wxString::FromUTF8(text), "INITeX Error", wxOK | wxICON_ERROR);
    dialog.ShowModal();
}

int IniTexErrorPrompt::Ask(const std::string& text, const std::vector<std::string>&, int,
                           int negative) {
    // The dialog asks nothing; a question would be a mistake, answered the safe way.
    ShowMessage(text);
    return negative;
}

IniTexDialogWindow::IniTexDialogWindow(wxWindow* parent, IniTexDialog& state, UserPrompt& errors)
    : wxDialog(parent, wxID_ANY, "INITeX"), state_(state), errors_(errors) {
    auto* column = new wxBoxSizer(wxVERTICAL);
    auto* macros = new wxStaticBoxSizer(wxVERTICAL, this, "Macros");
    const char* labels[4] = {"Plain TeX", "LaTeX", "AMSTeX", "Other"};
    for (int i = 0; i < 4; ++i) {
        kinds_[i] = new wxRadioButton(macros->GetStaticBox(), wxID_ANY, labels[i],
                                      wxDefaultPosition, wxDefaultSize, i == 0 ? wxRB_GROUP : 0);
        macros->Add(kinds_[i], 0, wxALL, 3);
        IniTexDialog::Kind kind = kKinds[i];
        kinds_[i]->Bind(wxEVT_RADIOBUTTON, [this, kind](wxCommandEvent&) { ChooseKind(kind); });
    }
    column->Add(macros, 0, wxALL | wxEXPAND, 8);

    column->Add(new wxStaticText(this, wxID_ANY, "Macro file name"), 0, wxLEFT | wxRIGHT, 8);
    file_ = new wxTextCtrl(this, wxID_ANY);
    file_->SetMaxLength(256);
    column->Add(file_, 0, wxALL | wxEXPAND, 8);
    mltex_ = new wxCheckBox(this, wxID_ANY, "Enable Multilingual TeX extensions");
    column->Add(mltex_, 0, wxALL, 8);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    auto* run = new wxButton(this, wxID_OK, "INITeX");
    buttons->Add(run, 0, wxRIGHT, 8);
    buttons->Add(new wxButton(this, wxID_CANCEL, "Cancel"), 0);
    column->Add(buttons, 0, wxALL | wxALIGN_RIGHT, 8);
    SetSizerAndFit(column);
    run->SetDefault();
    run->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        if (PressIniTeX())
            EndModal(wxID_OK);
    });

    for (int i = 0; i < 4; ++i)
        kinds_[i]->SetValue(kKinds[i] == state_.Chosen());
    file_->ChangeValue(wxString::FromUTF8(state_.macroFile));
    mltex_->SetValue(state_.multilingual);
}

void IniTexDialogWindow::ChooseKind(IniTexDialog::Kind kind) {
    state_.Choose(kind);
    for (int i = 0; i < 4; ++i)
        kinds_[i]->SetValue(kKinds[i] == kind);
    file_->ChangeValue(wxString::FromUTF8(state_.macroFile));
}

bool IniTexDialogWindow::PressIniTeX() {
    state_.macroFile = file_->GetValue().utf8_string();
    state_.multilingual = mltex_->GetValue();
    if (!state_.Accept(errors_)) {
        file_->SetFocus();
        return false;
    }
    return true;
}

bool ShowIniTexDialog(wxWindow* parent, IniTexDialog& state) {
    IniTexErrorPrompt errors;
    IniTexDialogWindow dialog(parent, state, errors);
    errors.SetParent(&dialog);
    return dialog.ShowModal() == wxID_OK;
}

}  // namespace quirn::gui

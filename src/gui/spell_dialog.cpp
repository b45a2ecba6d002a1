#include "gui/spell_dialog.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/dialog.h>
#include <wx/listbox.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include <cstdio>

#include "app/settings_values.h"
#include "editor/spell_checker.h"
#include "gui/gui_services.h"

namespace quirn::gui {

namespace {

wxString FromBytes(const std::string& s) {
    wxString w = wxString::FromUTF8(s);
    return w.empty() && !s.empty() ? wxString(s.c_str(), wxConvISO8859_1) : w;
}

std::string ToBytes(const wxString& s) {
    return s.utf8_string();
}

// The six TeXSpell options; OK stores them as the saved defaults.
class SpellOptionsDialog : public wxDialog {
  public:
    SpellOptionsDialog(wxWindow* parent, const SpellOptions& options)
        : wxDialog(parent, wxID_ANY, "TeXSpell Options") {
        auto* column = new wxBoxSizer(wxVERTICAL);
        auto add = [&](const char* label, int value) {
            auto* box = new wxCheckBox(this, wxID_ANY, label);
            box->SetValue(value != 0);
            column->Add(box, 0, wxALL, 4);
            return box;
        };
        ignoreTeX_ = add("Ignore &TeX commands", options.ignoreTeX);
        ignoreComments_ = add("Ignore &comments", options.ignoreComments);
        ignoreMath_ = add("Ignore &mathematics", options.ignoreMath);
        findRepeated_ = add("Find &repeated words", options.findRepeated);
        makeBackup_ = add("Make &backup", options.makeBackup);
        ignoreCmdArgs_ =
            add("Ignore command &arguments (\\cite, \\ref, \\label)", options.ignoreCmdArgs);
        column->Add(CreateButtonSizer(wxOK | wxCANCEL), 0, wxALL | wxEXPAND, 6);
        SetSizerAndFit(column);
    }
    SpellOptions Values() const {
        SpellOptions o;
        o.ignoreTeX = ignoreTeX_->GetValue();
        o.ignoreComments = ignoreComments_->GetValue();
        o.ignoreMath = ignoreMath_->GetValue();
        o.findRepeated = findRepeated_->GetValue();
        o.makeBackup = makeBackup_->GetValue();
        o.ignoreCmdArgs = ignoreCmdArgs_->GetValue();
        return o;
    }

  private:
    wxCheckBox *ignoreTeX_, *ignoreComments_, *ignoreMath_, *findRepeated_, *makeBackup_,
        *ignoreCmdArgs_;
};

enum {
    kIdReplace = wxID_HIGHEST + 700,
    kIdReplaceAll,
    kIdIgnoreOnce,
    kIdIgnoreAll,
    kIdAdd,
    kIdDefaults,
    kIdCancelCheck,
};

class SpellDialog : public wxDialog {
  public:
    SpellDialog(wxWindow* parent, SpellChecker& checker, const std::string& word)
        : wxDialog(parent, wxID_ANY, FromBytes("TeXSpell - " + checker.Dictionary())),
          checker_(checker),
          word_(word) {
        const std::size_t blank = word.find(' ');
        const bool repeated = blank != std::string::npos;
        auto* top = new wxBoxSizer(wxHORIZONTAL);
        auto* left = new wxBoxSizer(wxVERTICAL);
        left->Add(
            new wxStaticText(this, wxID_ANY, repeated ? "&Duplicated word:" : "&Unknown word:"), 0,
            wxALL, 4);
        auto* shown = new wxTextCtrl(this, wxID_ANY, FromBytes(word), wxDefaultPosition,
                                     wxDefaultSize, wxTE_READONLY);
        left->Add(shown, 0, wxALL | wxEXPAND, 4);
        left->Add(new wxStaticText(this, wxID_ANY, "&Replace with:"), 0, wxALL, 4);
        replacement_ = new wxTextCtrl(this, wxID_ANY);
        left->Add(replacement_, 0, wxALL | wxEXPAND, 4);
        left->Add(new wxStaticText(this, wxID_ANY, "&Suggestions:"), 0, wxALL, 4);
        list_ = new wxListBox(this, wxID_ANY, wxDefaultPosition, wxSize(240, 160));
        left->Add(list_, 1, wxALL | wxEXPAND, 4);
        top->Add(left, 1, wxEXPAND);

        auto* buttons = new wxBoxSizer(wxVERTICAL);
        auto button = [&](int id, const char* label) {
            auto* b = new wxButton(this, id, label);
            b->SetToolTip(label);
            buttons->Add(b, 0, wxALL | wxEXPAND, 3);
            return b;
        };
        replaceButton_ = button(kIdReplace, "Replace word");
        replaceAllButton_ = button(kIdReplaceAll, "Replace throughout document");
        ignoreButton_ = button(kIdIgnoreOnce, "Ignore this time only");
        button(kIdIgnoreAll, "Ignore throughout document");
        button(kIdAdd, "Add word to dictionary");
        button(kIdDefaults, "Set default behavior");
        button(kIdCancelCheck, "Cancel spell check");
        top->Add(buttons, 0, wxALL, 4);
        SetSizerAndFit(top);
        SetEscapeId(kIdCancelCheck);

        if (repeated) {
            replacement_->ChangeValue(FromBytes(word.substr(blank + 1)));
        } else {
            for (const std::string& s : checker.Suggestions(SpellLower(word)))
                list_->Append(FromBytes(s));
            if (list_->GetCount() > 0) {
                list_->SetSelection(0);
                replacement_->ChangeValue(list_->GetString(0));
            }
        }
        replacement_->SelectAll();
        replacement_->SetFocus();
        UpdateButtons();

        replacement_->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { UpdateButtons(); });
        list_->Bind(wxEVT_LISTBOX, [this](wxCommandEvent& e) {
            replacement_->ChangeValue(e.GetString());
            UpdateButtons();
        });
        list_->Bind(wxEVT_LISTBOX_DCLICK, [this](wxCommandEvent& e) {
            replacement_->ChangeValue(e.GetString());
            Replace(false);
        });
        Bind(
            wxEVT_BUTTON, [this](wxCommandEvent&) { Replace(false); }, kIdReplace);
        Bind(
            wxEVT_BUTTON, [this](wxCommandEvent&) { Replace(true); }, kIdReplaceAll);
        Bind(
            wxEVT_BUTTON, [this](wxCommandEvent&) { EndModal(kIdIgnoreOnce); }, kIdIgnoreOnce);
        Bind(
            wxEVT_BUTTON,
            [this](wxCommandEvent&) {
                checker_.IgnoreWord(word_);
                EndModal(kIdIgnoreOnce);
            },
            kIdIgnoreAll);
        Bind(
            wxEVT_BUTTON, [this](wxCommandEvent&) { Add(); }, kIdAdd);
        Bind(
            wxEVT_BUTTON, [this](wxCommandEvent&) { Defaults(); }, kIdDefaults);
        Bind(
            wxEVT_BUTTON, [this](wxCommandEvent&) { EndModal(kIdCancelCheck); }, kIdCancelCheck);
    }

    std::string Replacement() const { return ToBytes(replacement_->GetValue()); }

  private:
    void UpdateButtons() {
        const bool any = !replacement_->GetValue().empty();
        replaceButton_->Enable(any);
        replaceAllButton_->Enable(any);
        SetDefaultItem(any ? replaceButton_ : ignoreButton_);
    }

    void Replace(bool throughout) {
        const std::string replacement = Replacement();
        if (replacement.empty())
            return;
        if (replacement.find(' ') == std::string::npos && !checker_.IsWordCorrect(replacement) &&
            !Services().Prompt().AskYesNo(
                "Replacement word is not in dictionary.\nReplace anyway?"))
            return;
        if (throughout)
            checker_.SetReplacement(word_, replacement);
        EndModal(kIdReplace);
    }

    void Add() {
        std::string word = word_;
        if (AddNeedsCapitalQuestion(word) &&
            !Services().Prompt().AskYesNo("Does the word require this capitalization?"))
            word = SpellLower(word);
        checker_.AddWord(word);
        EndModal(kIdIgnoreOnce);
    }

    void Defaults() {
        Profile& profile = Services().App().GetProfile();
        SpellOptionsDialog options(this, LoadSpellOptions(profile));
        if (options.ShowModal() == wxID_OK && !SaveSpellOptions(profile, options.Values()))
            Services().Output().AppendOutput("Could not register TeXSpell options.\n");
    }

    SpellChecker& checker_;
    std::string word_;
    wxTextCtrl* replacement_;
    wxListBox* list_;
    wxButton* replaceButton_;
    wxButton* replaceAllButton_;
    wxButton* ignoreButton_;
};

}  // namespace

SpellDialogResult RunSpellDialog(wxWindow* parent, SpellChecker& checker, const std::string& word,
                                 std::string& replacement) {
    wxString answer;
    if (wxGetEnv("QUIRN_TEST_ANSWER", &answer) && !answer.empty()) {
        std::vector<std::string> suggestions;
        const std::size_t blank = word.find(' ');
        if (blank != std::string::npos)
            suggestions.push_back(word.substr(blank + 1));
        else
            suggestions = checker.Suggestions(SpellLower(word));
        std::string joined;
        for (const std::string& s : suggestions)
            joined += (joined.empty() ? "" : ", ") + s;
        std::fprintf(stderr, "spell-dialog: %s\t%s\n", word.c_str(), joined.c_str());
        if (answer.Lower() == "yes" && !suggestions.empty()) {
            replacement = suggestions.front();
            return SpellDialogResult::Replace;
        }
        return SpellDialogResult::Continue;
    }
    SpellDialog dialog(parent, checker, word);
    const int result = dialog.ShowModal();
    if (result == kIdReplace) {
        replacement = dialog.Replacement();
        return SpellDialogResult::Replace;
    }
    return result == kIdCancelCheck ? SpellDialogResult::Cancel : SpellDialogResult::Continue;
}

}  // namespace quirn::gui

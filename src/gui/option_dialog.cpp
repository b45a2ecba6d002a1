#include "gui/option_dialog.h"

#include <wx/button.h>
#include <wx/checklst.h>
#include <wx/combobox.h>
#include <wx/listbox.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/stc/stc.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "gui/editor_view.h"
#include "gui/gui_services.h"
#include "platform/paths.h"
#include "platform/user_prompt.h"

namespace quirn::gui {
namespace {

wxString Wx(const std::string& text) {
    return wxString::FromUTF8(text);
}

std::vector<std::string> PackageNames(const std::string& installDir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator
             it(JoinPath(installDir, "texmf-tlv/wizards/packages"), ec),
         end;
         !ec && it != end; it.increment(ec)) {
        if (it->path().extension() == ".tpx")
            names.push_back(it->path().stem().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The option's name as the command writes it.
std::string KeyOf(const OptionEntry& entry) {
    return entry.hasKeyval && !entry.key.empty() ? entry.key : entry.value;
}

}  // namespace

OptionDialog::OptionDialog(wxWindow* parent, const std::string& installDir, bool isClass,
                           const std::string& name, const std::string& optionText,
                           OutputSink* output, UserPrompt& prompt)
    : wxDialog(parent, wxID_ANY, isClass ? "Configure Document Class" : "Configure Package",
               wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      installDir_(installDir),
      isClass_(isClass),
      prompt_(prompt),
      options_(output, &prompt) {
    auto* top = new wxBoxSizer(wxVERTICAL);
    auto* nameRow = new wxBoxSizer(wxHORIZONTAL);
    nameRow->Add(new wxStaticText(this, wxID_ANY, isClass ? "Class:" : "Package:"), 0,
                 wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
    name_ = new wxComboBox(this, wxID_ANY, Wx(name));
    for (const std::string& known :
         isClass ? KnownOptionClasses(installDir) : PackageNames(installDir))
        name_->Append(Wx(known));
    name_->SetValue(Wx(name));
    nameRow->Add(name_, 1, wxEXPAND);
    top->Add(nameRow, 0, wxEXPAND | wxALL, 8);
    title_ = new wxStaticText(this, wxID_ANY, "");
    top->Add(title_, 0, wxEXPAND | wxLEFT | wxRIGHT, 8);

    auto* middle = new wxBoxSizer(wxHORIZONTAL);
    list_ = new wxCheckListBox(this, wxID_ANY, wxDefaultPosition, wxSize(240, 260));
    middle->Add(list_, 1, wxEXPAND | wxALL, 8);
    auto* right = new wxBoxSizer(wxVERTICAL);
    description_ = new wxStaticText(this, wxID_ANY, "", wxDefaultPosition, wxSize(260, 60));
    right->Add(description_, 0, wxEXPAND | wxBOTTOM, 6);
    right->Add(new wxStaticText(this, wxID_ANY, "Value:"), 0);
    value_ = new wxTextCtrl(this, wxID_ANY);
    right->Add(value_, 0, wxEXPAND);
    valuePrompt_ = new wxStaticText(this, wxID_ANY, "");
    right->Add(valuePrompt_, 0, wxEXPAND | wxBOTTOM, 6);
    right->Add(new wxStaticText(this, wxID_ANY, "Choices:"), 0);
    choices_ = new wxListBox(this, wxID_ANY, wxDefaultPosition, wxSize(260, 100));
    right->Add(choices_, 1, wxEXPAND);
    middle->Add(right, 1, wxEXPAND | wxALL, 8);
    top->Add(middle, 1, wxEXPAND);

    top->Add(new wxStaticText(this, wxID_ANY, "Command:"), 0, wxLEFT | wxRIGHT, 8);
    preview_ = new wxTextCtrl(this, wxID_ANY, "", wxDefaultPosition, wxDefaultSize, wxTE_READONLY);
    top->Add(preview_, 0, wxEXPAND | wxLEFT | wxRIGHT, 8);
    top->Add(CreateStdDialogButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxALL, 8);
    SetSizerAndFit(top);

    name_->Bind(wxEVT_COMBOBOX,
                [this](wxCommandEvent&) { LoadTarget(name_->GetValue().utf8_string()); });
    name_->Bind(wxEVT_TEXT_ENTER,
                [this](wxCommandEvent&) { LoadTarget(name_->GetValue().utf8_string()); });
    list_->Bind(wxEVT_CHECKLISTBOX, [this](wxCommandEvent& e) { OnTicked(e.GetInt()); });
    list_->Bind(wxEVT_LISTBOX, [this](wxCommandEvent& e) { SelectOption(e.GetInt()); });
    value_->Bind(wxEVT_TEXT,
                 [this](wxCommandEvent&) { EnterValue(value_->GetValue().utf8_string()); });
    choices_->Bind(wxEVT_LISTBOX, [this](wxCommandEvent& e) {
        if (selected_ < 0 || e.GetInt() < 0)
            return;
        const OptionEntry& entry = options_.Entries()[selected_];
        if (e.GetInt() < static_cast<int>(entry.choices.size()))
            value_->SetValue(Wx(KeyOf(entry) + "=" + entry.choices[e.GetInt()].value));
    });

    LoadTarget(name);
    if (!optionText.empty())
        ReadOptionText(optionText);
}

void OptionDialog::LoadTarget(const std::string& name) {
    list_->Clear();
    values_.clear();
    selected_ = -1;
    if (name.empty()) {
        options_.SetTarget(name, isClass_);
        title_->SetLabel("No options data available.");
        Rebuild();
        return;
    }
    if (!options_.Load(installDir_, name, isClass_)) {
        const std::vector<std::string> known =
            isClass_ ? KnownOptionClasses(installDir_) : PackageNames(installDir_);
        title_->SetLabel(std::find(known.begin(), known.end(), name) == known.end()
                             ? "** Unknown package **"
                             : "No options data available.");
    } else {
        title_->SetLabel(Wx(options_.Title()));
    }
    for (const OptionEntry& entry : options_.Entries()) {
        list_->Append(entry.value == kHeaderOption
                          ? Wx("\xE2\x80\x94 " + entry.description + " \xE2\x80\x94")
                          : Wx(KeyOf(entry)));
    }
    Rebuild();
}

bool OptionDialog::ReadOptionText(const std::string& text) {
    if (!options_.ParseOptions(text))
        return false;
    std::vector<SelectedOption> read = options_.Selected();
    for (unsigned i = 0; i < list_->GetCount(); ++i)
        list_->Check(i, false);
    for (const SelectedOption& option : read) {
        values_[option.key] = option.value;
        for (int i = 0; i < OptionCount(); ++i) {
            if (KeyOf(options_.Entries()[i]) == option.key)
                list_->Check(static_cast<unsigned>(i), true);
        }
    }
    Rebuild();
    return true;
}

int OptionDialog::OptionCount() const {
    return static_cast<int>(options_.Entries().size());
}

void OptionDialog::TickOption(int index, bool ticked) {
    if (index < 0 || index >= OptionCount())
        return;
    list_->Check(static_cast<unsigned>(index), ticked);
    OnTicked(index);
}

void OptionDialog::OnTicked(int index) {
    if (index < 0 || index >= OptionCount())
        return;
    const OptionEntry& entry = options_.Entries()[index];
    // A group heading is shown but cannot be chosen.
    if (entry.value == kHeaderOption)
        list_->Check(static_cast<unsigned>(index), false);
    if (list_->IsChecked(static_cast<unsigned>(index)) && entry.hasKeyval &&
        !values_.count(KeyOf(entry)))
        values_[KeyOf(entry)] = entry.defaultValue;
    SelectOption(index);
    Rebuild();
}

void OptionDialog::SelectOption(int index) {
    if (index < 0 || index >= OptionCount())
        return;
    selected_ = index;
    list_->SetSelection(index);
    ShowSelected();
}

void OptionDialog::ShowSelected() {
    choices_->Clear();
    if (selected_ < 0) {
        description_->SetLabel("");
        return;
    }
    const OptionEntry& entry = options_.Entries()[selected_];
    description_->SetLabel(Wx(entry.description));
    description_->Wrap(260);
    value_->Enable(entry.hasKeyval);
    for (const OptionChoice& choice : entry.choices) {
        std::string text = choice.name.empty() ? choice.value : choice.name;
        if (choice.value == entry.defaultValue)
            text += " (default)";
        choices_->Append(Wx(text));
    }
    if (entry.hasKeyval) {
        auto it = values_.find(KeyOf(entry));
        value_->ChangeValue(Wx(KeyOf(entry) + "=" + (it == values_.end() ? "" : it->second)));
        EnterValue(value_->GetValue().utf8_string());
    } else {
        value_->ChangeValue("");
        valuePrompt_->SetLabel("");
    }
}

void OptionDialog::EnterValue(const std::string& entry) {
    if (value_->GetValue().utf8_string() != entry)
        value_->ChangeValue(Wx(entry));
    OptionConfiguration::ValueCheck check = options_.CheckEntry(entry);
    valuePrompt_->SetLabel(Wx(check.prompt));
    if (!check.valid || check.key.empty())
        return;
    for (int i = 0; i < OptionCount(); ++i) {
        if (KeyOf(options_.Entries()[i]) == check.key && options_.Entries()[i].hasKeyval) {
            values_[check.key] = check.value;
            list_->Check(static_cast<unsigned>(i), true);
        }
    }
    Rebuild();
}

std::string OptionDialog::ValuePrompt() const {
    return valuePrompt_->GetLabel().utf8_string();
}

void OptionDialog::Rebuild() {
    std::vector<SelectedOption>& selected = options_.Selected();
    // Options of the text that the file does not list stay as they were read.
    std::vector<SelectedOption> unlisted;
    for (const SelectedOption& option : selected) {
        bool listed = false;
        for (const OptionEntry& entry : options_.Entries())
            listed = listed || KeyOf(entry) == option.key;
        if (!listed)
            unlisted.push_back(option);
    }
    selected.clear();
    for (int i = 0; i < OptionCount(); ++i) {
        const OptionEntry& entry = options_.Entries()[i];
        if (!list_->IsChecked(static_cast<unsigned>(i)) || entry.value == kHeaderOption)
            continue;
        auto it = values_.find(KeyOf(entry));
        selected.push_back(
            {KeyOf(entry), entry.hasKeyval && it != values_.end() ? it->second : ""});
    }
    selected.insert(selected.end(), unlisted.begin(), unlisted.end());
    preview_->ChangeValue(Wx(options_.Compose(false)));
}

std::string OptionDialog::Command() const {
    return preview_->GetValue().utf8_string();
}

namespace {

CQuirnWinView* ActiveEditor() {
    return wxDynamicCast(Services().Documents().GetCurrentView(), CQuirnWinView);
}

}  // namespace

void ConfigureDocumentClass(wxWindow* parent) {
    CQuirnWinView* view = ActiveEditor();
    if (view == nullptr || view->Editor() == nullptr)
        return;
    wxStyledTextCtrl* editor = view->Editor();
    const std::string text = editor->GetText().utf8_string();
    static const std::regex command(R"(\\documentclass\s*(\[([^\]]*)\])?\s*\{([^}]*)\})");
    std::smatch found;
    const bool has = std::regex_search(text, found, command);
    Application& app = Services().App();
    OptionDialog dialog(parent, app.Roots().installDir, true, has ? found[3].str() : "article",
                        has ? found[2].str() : "", &Services().Output(), Services().Prompt());
    if (dialog.ShowModal() != wxID_OK)
        return;
    // Positions in the editor count bytes of its UTF-8 text, as the match does.
    if (has) {
        editor->SetTargetStart(static_cast<int>(found.position(0)));
        editor->SetTargetEnd(static_cast<int>(found.position(0) + found.length(0)));
        editor->ReplaceTarget(Wx(dialog.Command()));
    } else {
        editor->InsertText(0, Wx(dialog.Command() + "\n"));
    }
}

void InsertPackage(wxWindow* parent) {
    CQuirnWinView* view = ActiveEditor();
    if (view == nullptr || view->Editor() == nullptr)
        return;
    wxStyledTextCtrl* editor = view->Editor();
    Application& app = Services().App();
    OptionDialog dialog(parent, app.Roots().installDir, false, "", "", &Services().Output(),
                        Services().Prompt());
    if (dialog.ShowModal() != wxID_OK || dialog.Command().ends_with("{}"))
        return;
    const std::string text = editor->GetText().utf8_string();
    const size_t body = text.find("\\begin{document}");
    if (body != std::string::npos)
        editor->InsertText(static_cast<int>(body), Wx(dialog.Command() + "\n"));
    else
        editor->AddText(Wx(dialog.Command()));
}

}  // namespace quirn::gui

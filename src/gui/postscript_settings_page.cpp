#include "gui/postscript_settings_page.h"

#include <wx/sizer.h>
#include <wx/stattext.h>

#include "app/settings.h"

namespace quirn::gui {

namespace {

wxString ListText(const std::vector<std::string>& list) {
    return wxString::FromUTF8(JoinPathList(list));
}

std::vector<std::string> ListOf(const wxTextCtrl* text) {
    return SplitPathList(text->GetValue().utf8_string());
}

}  // namespace

PostScriptSettingsPage::PostScriptSettingsPage(wxWindow* book) : wxPanel(book) {
    auto* grid = new wxFlexGridSizer(2, 5, 8);
    grid->AddGrowableCol(1, 1);
    auto row = [this, grid](const char* label, wxWindow* control) {
        grid->Add(new wxStaticText(this, wxID_ANY, label), 0, wxALIGN_CENTER_VERTICAL);
        grid->Add(control, 1, wxEXPAND);
    };
    renderer_ = new wxChoice(this, wxID_ANY);
    for (const char* item :
         {"Ghostscript (Quirn's copy)", "Ghostscript (installed)", "Other command:"}) {
        renderer_->Append(item);
    }
    command_ = new wxTextCtrl(this, wxID_ANY);
    command_->SetToolTip(
        "The command reads PostScript on its standard input; %DPI, %WIDTH, %HEIGHT, "
        "%DEVICE and %OUTPUT are filled in");
    trueTypeFonts_ = new wxTextCtrl(this, wxID_ANY);
    postScriptFonts_ = new wxTextCtrl(this, wxID_ANY);
    figures_ = new wxTextCtrl(this, wxID_ANY);
    row("PostScript Renderer:", renderer_);
    row("", command_);
    row("&TrueType font folders:", trueTypeFonts_);
    row("&PostScript font folders:", postScriptFonts_);
    row("&Figure folders:", figures_);
    colour_ = new wxCheckBox(this, wxID_ANY, "Draw PostScript in &colour");
    smoothing_ = new wxCheckBox(this, wxID_ANY, "&Smooth PostScript text and graphics");
    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(grid, 0, wxALL | wxEXPAND, 5);
    column->Add(colour_, 0, wxALL, 5);
    column->Add(smoothing_, 0, wxALL, 5);
    column->Add(new wxStaticText(this, wxID_ANY, "Folder lists are separated by \";\"."), 0, wxALL,
                5);
    SetSizer(column);
}

void PostScriptSettingsPage::ToWindow(const AdvancedPageValues& values) {
    colour_->SetValue(values.psColor);
    smoothing_->SetValue(values.psAlias);
    trueTypeFonts_->ChangeValue(ListText(values.trueTypeFontPath));
    postScriptFonts_->ChangeValue(ListText(values.postScriptFontPath));
    figures_->ChangeValue(ListText(values.figurePath));
}

void PostScriptSettingsPage::FromWindow(AdvancedPageValues& values) const {
    values.psColor = colour_->GetValue();
    values.psAlias = smoothing_->GetValue();
    values.trueTypeFontPath = ListOf(trueTypeFonts_);
    values.postScriptFontPath = ListOf(postScriptFonts_);
    values.figurePath = ListOf(figures_);
}

}  // namespace quirn::gui

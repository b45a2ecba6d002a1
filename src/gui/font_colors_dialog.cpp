#include "gui/font_colors_dialog.h"

#include <wx/button.h>
#include <wx/clrpicker.h>
#include <wx/dialog.h>
#include <wx/fontdlg.h>
#include <wx/gdicmn.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace quirn::gui {

namespace {

wxColour ColourOf(int value) {
    Rgb c = RgbFromColorRef(value);
    return wxColour(c.red, c.green, c.blue);
}

int ValueOf(const wxColour& c) {
    return ColorRefFromRgb(Rgb{c.Red(), c.Green(), c.Blue()});
}

class FontColorsDialog : public wxDialog {
  public:
    FontColorsDialog(wxWindow* parent, EditorPageValues& values)
        : wxDialog(parent, wxID_ANY, "Font and Colors"), values_(values) {
        auto* column = new wxBoxSizer(wxVERTICAL);
        auto* fontRow = new wxBoxSizer(wxHORIZONTAL);
        sample_ = new wxStaticText(this, wxID_ANY, "");
        auto* choose = new wxButton(this, wxID_ANY, "&Font...");
        fontRow->Add(sample_, 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, 10);
        fontRow->Add(choose, 0);
        column->Add(fontRow, 0, wxALL | wxEXPAND, 8);

        auto* grid = new wxFlexGridSizer(2, 5, 8);
        const std::array<const char*, 6> labels = {
            "Text:", "Commands:", "Comments:", "Math:", "Symbols:", "Background:"};
        std::array<int*, 6> members = Members();
        for (size_t i = 0; i < labels.size(); ++i) {
            pickers_[i] = new wxColourPickerCtrl(this, wxID_ANY, ColourOf(*members[i]));
            grid->Add(new wxStaticText(this, wxID_ANY, labels[i]), 0, wxALIGN_CENTER_VERTICAL);
            grid->Add(pickers_[i], 0);
        }
        column->Add(grid, 0, wxALL, 8);
        column->Add(CreateStdDialogButtonSizer(wxOK | wxCANCEL), 0, wxALL | wxEXPAND, 8);
        SetSizerAndFit(column);
        ShowSample();
        choose->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { ChooseFont(); });
    }

    bool TransferDataFromWindow() override {
        std::array<int*, 6> members = Members();
        for (size_t i = 0; i < pickers_.size(); ++i)
            *members[i] = ValueOf(pickers_[i]->GetColour());
        return true;
    }

  private:
    std::array<int*, 6> Members() {
        return {&values_.fontColor, &values_.commandColor, &values_.commentColor,
                &values_.mathColor, &values_.symbolColor,  &values_.backColor};
    }

    void ShowSample() {
        sample_->SetFont(FontFromValues(values_));
        sample_->SetLabel(wxString::Format("%s, %g pt", wxString::FromUTF8(values_.font.faceName),
                                           values_.fontSize / 10.0));
        Layout();
        Fit();
    }

    void ChooseFont() {
        wxFontData data;
        data.SetInitialFont(FontFromValues(values_));
        data.EnableEffects(false);
        wxFontDialog dialog(this, data);
        if (dialog.ShowModal() != wxID_OK)
            return;
        ValuesFromFont(dialog.GetFontData().GetChosenFont(), wxGetDisplayPPI().GetHeight(),
                       values_);
        ShowSample();
    }

    EditorPageValues& values_;
    wxStaticText* sample_;
    std::array<wxColourPickerCtrl*, 6> pickers_{};
};

}  // namespace

wxFont FontFromValues(const EditorPageValues& values) {
    double points = std::clamp(values.fontSize, 10, 10000) / 10.0;
    wxFontInfo info(points);
    info.Family(wxFONTFAMILY_MODERN).FaceName(wxString::FromUTF8(values.font.faceName));
    info.Weight(std::clamp(values.font.weight, 1, 1000)).Italic(values.font.italic != 0);
    return wxFont(info);
}

void ValuesFromFont(const wxFont& font, int verticalDpi, EditorPageValues& values) {
    if (!font.IsOk())
        return;
    double points = font.GetFractionalPointSize();
    values.fontSize = static_cast<int>(std::lround(points * 10));
    std::string face = font.GetFaceName().utf8_string();
    if (face.size() > 31)
        face.resize(31);
    if (!face.empty())
        values.font.faceName = face;
    values.font.weight = font.GetNumericWeight();
    values.font.italic = font.GetStyle() == wxFONTSTYLE_NORMAL ? 0 : 1;
    int dpi = std::clamp(verticalDpi, 30, 300);
    values.font.height = -static_cast<int>(std::lround(points * dpi / 72.0));
}

bool RunFontColorsDialog(wxWindow* parent, EditorPageValues& values) {
    EditorPageValues edited = values;
    FontColorsDialog dialog(parent, edited);
    if (dialog.ShowModal() != wxID_OK)
        return false;
    values = edited;
    return true;
}

}  // namespace quirn::gui

#include "gui/insert_graphic_dialog.h"

#include <wx/bitmap.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/dialog.h>
#include <wx/image.h>
#include <wx/radiobox.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <cstdio>
#include <cstdlib>

#include "platform/paths.h"

namespace quirn::gui {

namespace {

wxString Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", value);
    return text;
}

bool ParseNumber(const wxString& text, double* value) {
    const std::string s = text.ToStdString();
    char* end = nullptr;
    *value = std::strtod(s.c_str(), &end);
    return !s.empty() && *end == '\0' && *value > 0;
}

class InsertGraphicDialog : public wxDialog {
  public:
    InsertGraphicDialog(wxWindow* parent, const GraphicDescription& graphic,
                        const RgbImage* preview, GraphicRequest& request)
        : wxDialog(parent, wxID_ANY, "Insert Graphic", wxDefaultPosition, wxDefaultSize,
                   wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
          graphic_(graphic),
          request_(request) {
        auto* column = new wxBoxSizer(wxVERTICAL);
        column->Add(new wxStaticText(this, wxID_ANY, wxString::FromUTF8(request.path)), 0, wxALL,
                    8);
        if (preview && !preview->Empty()) {
            wxImage image(preview->width, preview->height);
            std::copy(preview->pixels.begin(), preview->pixels.end(), image.GetData());
            column->Add(new wxStaticBitmap(this, wxID_ANY, wxBitmap(image)), 0,
                        wxLEFT | wxRIGHT | wxALIGN_CENTER_HORIZONTAL, 8);
        }
        sizeLine_ = new wxStaticText(this, wxID_ANY, "");
        column->Add(sizeLine_, 0, wxALL, 8);

        auto* grid = new wxFlexGridSizer(3, 5, 8);
        const wxString unit = wxString::FromUTF8(request.unit);
        width_ = new wxTextCtrl(this, wxID_ANY, Number(request.width));
        height_ = new wxTextCtrl(this, wxID_ANY, Number(request.height));
        grid->Add(new wxStaticText(this, wxID_ANY, "&Width:"), 0, wxALIGN_CENTER_VERTICAL);
        grid->Add(width_, 0);
        grid->Add(new wxStaticText(this, wxID_ANY, unit), 0, wxALIGN_CENTER_VERTICAL);
        grid->Add(new wxStaticText(this, wxID_ANY, "&Height:"), 0, wxALIGN_CENTER_VERTICAL);
        grid->Add(height_, 0);
        grid->Add(new wxStaticText(this, wxID_ANY, unit), 0, wxALIGN_CENTER_VERTICAL);
        column->Add(grid, 0, wxLEFT | wxRIGHT, 8);
        keepAspect_ = new wxCheckBox(this, wxID_ANY, "&Keep aspect ratio");
        keepAspect_->SetValue(request.keepAspectRatio);
        column->Add(keepAspect_, 0, wxALL, 8);

        auto* bbRow = new wxBoxSizer(wxHORIZONTAL);
        useBox_ = new wxCheckBox(this, wxID_ANY, "&Bounding box:");
        box_ = new wxTextCtrl(this, wxID_ANY, "");
        if (request.boundingBox) {
            const auto& b = *request.boundingBox;
            useBox_->SetValue(true);
            box_->ChangeValue(wxString::Format("%d %d %d %d", b[0], b[1], b[2], b[3]));
        }
        bbRow->Add(useBox_, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
        bbRow->Add(box_, 1);
        column->Add(bbRow, 0, wxLEFT | wxRIGHT | wxEXPAND, 8);

        const wxString alignments[] = {"&None", "&Left", "&Center", "&Right"};
        alignment_ = new wxRadioBox(this, wxID_ANY, "Alignment", wxDefaultPosition, wxDefaultSize,
                                    4, alignments);
        alignment_->SetSelection(static_cast<int>(request.alignment));
        column->Add(alignment_, 0, wxALL | wxEXPAND, 8);

        figure_ = new wxCheckBox(this, wxID_ANY, "Put it in a &figure");
        figure_->SetValue(request.figure);
        column->Add(figure_, 0, wxLEFT | wxRIGHT, 8);
        const std::string name = FileNameOf(request.path);
        auto* figureGrid = new wxFlexGridSizer(2, 5, 8);
        figureGrid->AddGrowableCol(1);
        placement_ = new wxTextCtrl(this, wxID_ANY, wxString::FromUTF8(request.placement));
        caption_ = new wxTextCtrl(
            this, wxID_ANY,
            wxString::FromUTF8(request.caption.value_or(DefaultGraphicCaption(name))));
        label_ = new wxTextCtrl(
            this, wxID_ANY, wxString::FromUTF8(request.label.value_or(DefaultGraphicLabel(name))));
        figureGrid->Add(new wxStaticText(this, wxID_ANY, "&Placement:"), 0,
                        wxALIGN_CENTER_VERTICAL);
        figureGrid->Add(placement_, 1, wxEXPAND);
        figureGrid->Add(new wxStaticText(this, wxID_ANY, "C&aption:"), 0, wxALIGN_CENTER_VERTICAL);
        figureGrid->Add(caption_, 1, wxEXPAND);
        figureGrid->Add(new wxStaticText(this, wxID_ANY, "&Label:"), 0, wxALIGN_CENTER_VERTICAL);
        figureGrid->Add(label_, 1, wxEXPAND);
        column->Add(figureGrid, 0, wxALL | wxEXPAND, 8);
        column->Add(CreateStdDialogButtonSizer(wxOK | wxCANCEL), 0, wxALL | wxEXPAND, 8);
        SetSizerAndFit(column);

        width_->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { SizeChanged(true); });
        height_->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { SizeChanged(false); });
        figure_->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { UpdateEnabling(); });
        useBox_->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { UpdateEnabling(); });
        UpdateEnabling();
        ShowSizeLine();
    }

    bool TransferDataFromWindow() override {
        GraphicRequest r = request_;
        if (!ParseNumber(width_->GetValue(), &r.width) ||
            !ParseNumber(height_->GetValue(), &r.height)) {
            wxBell();
            return false;
        }
        r.keepAspectRatio = keepAspect_->GetValue();
        r.boundingBox.reset();
        if (useBox_->GetValue()) {
            std::array<int, 4> b{};
            if (std::sscanf(box_->GetValue().utf8_str().data(), "%d %d %d %d", &b[0], &b[1], &b[2],
                            &b[3]) != 4) {
                wxBell();
                return false;
            }
            r.boundingBox = b;
        }
        r.alignment = static_cast<GraphicAlignment>(alignment_->GetSelection());
        r.figure = figure_->GetValue();
        r.placement = placement_->GetValue().utf8_str().data();
        r.caption = std::string(caption_->GetValue().utf8_str().data());
        r.label = std::string(label_->GetValue().utf8_str().data());
        request_ = r;
        return true;
    }

  private:
    // With keep-aspect, the other side follows the natural proportions.
    void SizeChanged(bool widthChanged) {
        double w = 0, h = 0;
        if (!updating_ && keepAspect_->GetValue() && graphic_.width > 0 && graphic_.height > 0) {
            updating_ = true;
            if (widthChanged && ParseNumber(width_->GetValue(), &w)) {
                height_->ChangeValue(Number(w * graphic_.height / graphic_.width));
            } else if (!widthChanged && ParseNumber(height_->GetValue(), &h)) {
                width_->ChangeValue(Number(h * graphic_.width / graphic_.height));
            }
            updating_ = false;
        }
        ShowSizeLine();
    }

    void ShowSizeLine() {
        double w = 0, h = 0;
        ParseNumber(width_->GetValue(), &w);
        ParseNumber(height_->GetValue(), &h);
        sizeLine_->SetLabel(wxString::FromUTF8(GraphicSizeText(graphic_, w, h, request_.unit)));
    }

    void UpdateEnabling() {
        const bool figure = figure_->GetValue();
        placement_->Enable(figure);
        caption_->Enable(figure);
        label_->Enable(figure);
        alignment_->Enable(!figure);
        box_->Enable(useBox_->GetValue());
    }

    const GraphicDescription graphic_;
    GraphicRequest& request_;
    wxStaticText* sizeLine_;
    wxTextCtrl* width_;
    wxTextCtrl* height_;
    wxCheckBox* keepAspect_;
    wxCheckBox* useBox_;
    wxTextCtrl* box_;
    wxRadioBox* alignment_;
    wxCheckBox* figure_;
    wxTextCtrl* placement_;
    wxTextCtrl* caption_;
    wxTextCtrl* label_;
    bool updating_ = false;
};

}  // namespace

void NaturalGraphicSize(const GraphicDescription& graphic, double bitmapDpi,
                        const std::string& unit, double* width, double* height) {
    const double perInch = unit == "cm" ? 2.54 : 1.0;
    const double dotsPerInch =
        graphic.kind == GraphicKind::Bitmap ? (bitmapDpi > 0 ? bitmapDpi : 72.0) : 72.0;
    *width = graphic.width > 0 ? graphic.width / dotsPerInch * perInch : 2 * perInch;
    *height = graphic.height > 0 ? graphic.height / dotsPerInch * perInch : 2 * perInch;
}

std::unique_ptr<wxDialog> MakeInsertGraphicDialog(wxWindow* parent,
                                                  const GraphicDescription& graphic,
                                                  const RgbImage* preview,
                                                  GraphicRequest& request) {
    return std::make_unique<InsertGraphicDialog>(parent, graphic, preview, request);
}

bool ShowInsertGraphicDialog(wxWindow* parent, const GraphicDescription& graphic,
                             const RgbImage* preview, GraphicRequest& request) {
    InsertGraphicDialog dialog(parent, graphic, preview, request);
    return dialog.ShowModal() == wxID_OK;
}

}  // namespace quirn::gui

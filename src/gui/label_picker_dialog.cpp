#include "gui/label_picker_dialog.h"

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/listctrl.h>
#include <wx/sizer.h>

#include "gui/editor_view.h"
#include "gui/gui_services.h"
#include "platform/paths.h"

namespace quirn::gui {
namespace {

class PickerDialog : public wxDialog {
  public:
    PickerDialog(wxWindow* parent, LabelPicker& picker)
        : wxDialog(parent, wxID_ANY, wxString::FromUTF8(picker.Title()), wxDefaultPosition,
                   wxSize(560, 380), wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
          picker_(picker) {
        list_ = new wxListCtrl(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                               wxLC_REPORT | wxLC_SINGLE_SEL);
        const int u = std::max(8, (520 - 16) / 8);
        const int widths[4] = {2 * u, u, u, 4 * u};
        auto headers = picker_.Headers();
        for (int c = 0; c < 4; ++c)
            list_->AppendColumn(wxString::FromUTF8(headers[static_cast<size_t>(c)]),
                                c == 2 ? wxLIST_FORMAT_RIGHT : wxLIST_FORMAT_LEFT, widths[c]);
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        sizer->Add(list_, 1, wxEXPAND | wxALL, 8);
        sizer->Add(CreateButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxALL, 8);
        SetSizer(sizer);
        list_->Bind(wxEVT_LIST_COL_CLICK, [this](wxListEvent& e) {
            picker_.SortByColumn(e.GetColumn());
            Fill();
        });
        list_->Bind(wxEVT_LIST_ITEM_SELECTED,
                    [this](wxListEvent& e) { picker_.Select(static_cast<int>(e.GetIndex())); });
        list_->Bind(wxEVT_LIST_ITEM_ACTIVATED, [this](wxListEvent&) { EndModal(wxID_OK); });
        Fill();
    }

  private:
    void Fill() {
        list_->DeleteAllItems();
        long index = 0;
        for (const LabelPicker::Row& row : picker_.Rows()) {
            list_->InsertItem(index, wxString::FromUTF8(row[0]));
            for (int c = 1; c < 4; ++c)
                list_->SetItem(index, c, wxString::FromUTF8(row[static_cast<size_t>(c)]));
            ++index;
        }
        if (picker_.Selected() >= 0) {
            list_->SetItemState(picker_.Selected(), wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                                wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
            list_->EnsureVisible(picker_.Selected());
        }
    }

    LabelPicker& picker_;
    wxListCtrl* list_;
};

void InsertInto(LabelPicker::Mode mode) {
    wxDocManager* docs = wxDocManager::GetDocumentManager();
    auto* view = docs ? dynamic_cast<CQuirnWinView*>(docs->GetCurrentView()) : nullptr;
    if (!view || !view->Editor() || !view->GetDocument())
        return;
    std::string text =
        PickLabel(view->GetFrame(), mode, view->GetDocument()->GetFilename().utf8_string());
    if (!text.empty())
        view->Editor()->ReplaceSelection(wxString::FromUTF8(text));
}

}  // namespace

std::string PickLabel(wxWindow* parent, LabelPicker::Mode mode, const std::string& documentPath) {
    LabelPicker picker(mode);
    if (!picker.Start(ReplaceExtension(documentPath, "aux"), picker.Placeholder(),
                      Services().Prompt(), Services().Output()))
        return {};
    PickerDialog dialog(parent, picker);
    if (dialog.ShowModal() != wxID_OK || picker.Choice().empty())
        return {};
    return picker.Insertion();
}

void InsertReference() {
    InsertInto(LabelPicker::Mode::Reference);
}

void InsertCite() {
    InsertInto(LabelPicker::Mode::Citation);
}

}  // namespace quirn::gui

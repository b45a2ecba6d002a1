#include "gui/label_picker_dialog.h"

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/listctrl.h>
#include <wx/sizer.h>
#include <wx/utils.h>

#include <cstdio>

#include "gui/editor_view.h"
#include "gui/gui_services.h"
#include "gui/project_workspace.h"
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
    // A chapter of a project that LaTeX never ran on its own has no auxiliary file: the
    // main file's holds its labels.
    const std::string document = view->GetDocument()->GetFilename().utf8_string();
    std::string aux = ReplaceExtension(document, "aux");
    if (!RegularFileExists(aux)) {
        GuiProjects* projects = RunningProjects();
        Project* project = projects ? projects->List().Find(document) : nullptr;
        if (project && !project->files.empty() &&
            RegularFileExists(ReplaceExtension(project->MainFile(), "aux")))
            aux = ReplaceExtension(project->MainFile(), "aux");
    }
    std::string text = PickLabel(view->GetFrame(), mode, aux);
    if (!text.empty())
        view->Editor()->ReplaceSelection(wxString::FromUTF8(text));
}

}  // namespace

std::string PickLabel(wxWindow* parent, LabelPicker::Mode mode, const std::string& auxPath) {
    LabelPicker picker(mode);
    if (!picker.Start(auxPath, picker.Placeholder(), Services().Prompt(), Services().Output()))
        return {};
    PickerDialog dialog(parent, picker);
    // Window tests run without a person: the list goes to standard error and
    // QUIRN_TEST_ANSWER confirms ("yes") or cancels the dialog as it opened.
    wxString answer;
    if (wxGetEnv("QUIRN_TEST_ANSWER", &answer) && !answer.empty()) {
        std::fprintf(stderr, "picker: %s\n", picker.Title().c_str());
        for (const LabelPicker::Row& row : picker.Rows())
            std::fprintf(stderr, "picker-row: %s|%s|%s|%s\n", row[0].c_str(), row[1].c_str(),
                         row[2].c_str(), row[3].c_str());
        if (answer.Lower() != "yes" || picker.Choice().empty())
            return {};
        return picker.Insertion();
    }
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

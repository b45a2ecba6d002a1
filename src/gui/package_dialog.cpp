#include "gui/package_dialog.h"

#include <wx/busyinfo.h>
#include <wx/button.h>
#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/listctrl.h>
#include <wx/progdlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include "app/app_context.h"
#include "app/profile.h"
#include "gui/gui_services.h"
#include "packages/package_installer.h"
#include "platform/paths.h"
#include "platform/user_prompt.h"

namespace quirn::gui {
namespace {

wxString Wx(const std::string& text) {
    return wxString::FromUTF8(text);
}

wxListCtrl* MakeList(wxWindow* parent) {
    auto* list = new wxListCtrl(parent, wxID_ANY, wxDefaultPosition, wxSize(300, 280),
                                wxLC_REPORT | wxLC_SINGLE_SEL);
    list->AppendColumn("Package", wxLIST_FORMAT_LEFT, 170);
    list->AppendColumn("Version", wxLIST_FORMAT_LEFT, 110);
    return list;
}

}  // namespace

PackageDialog::PackageDialog(wxWindow* parent, AppContext& context)
    : wxDialog(parent, wxID_ANY, "TeX Packages", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      context_(context) {
    auto* top = new wxBoxSizer(wxVERTICAL);
    auto* lists = new wxBoxSizer(wxHORIZONTAL);
    auto* left = new wxBoxSizer(wxVERTICAL);
    left->Add(new wxStaticText(this, wxID_ANY, "Installed packages:"), 0, wxBOTTOM, 4);
    installed_ = MakeList(this);
    left->Add(installed_, 1, wxEXPAND);
    auto* remove = new wxButton(this, wxID_ANY, "&Remove");
    left->Add(remove, 0, wxTOP, 4);
    lists->Add(left, 1, wxEXPAND | wxALL, 8);
    auto* right = new wxBoxSizer(wxVERTICAL);
    right->Add(new wxStaticText(this, wxID_ANY, "Available packages:"), 0, wxBOTTOM, 4);
    available_ = MakeList(this);
    right->Add(available_, 1, wxEXPAND);
    auto* install = new wxButton(this, wxID_ANY, "&Install");
    right->Add(install, 0, wxTOP, 4);
    lists->Add(right, 1, wxEXPAND | wxALL, 8);
    top->Add(lists, 1, wxEXPAND);

    description_ = new wxStaticText(this, wxID_ANY, "", wxDefaultPosition, wxSize(600, 40));
    top->Add(description_, 0, wxEXPAND | wxLEFT | wxRIGHT, 8);

    auto* sources = new wxFlexGridSizer(3, 4, 6);
    sources->AddGrowableCol(1);
    sources->Add(new wxStaticText(this, wxID_ANY, "Repository folder:"), 0,
                 wxALIGN_CENTER_VERTICAL);
    repository_ = new wxTextCtrl(
        this, wxID_ANY,
        Wx(context_.profile ? context_.profile->GetText("Settings", "TPMrepository", "") : ""),
        wxDefaultPosition, wxDefaultSize, wxTE_PROCESS_ENTER);
    sources->Add(repository_, 1, wxEXPAND);
    auto* browse = new wxButton(this, wxID_ANY, "&Browse...");
    sources->Add(browse);
    sources->Add(new wxStaticText(this, wxID_ANY, "Package list:"), 0, wxALIGN_CENTER_VERTICAL);
    packageList_ =
        new wxTextCtrl(this, wxID_ANY, "", wxDefaultPosition, wxDefaultSize, wxTE_PROCESS_ENTER);
    sources->Add(packageList_, 1, wxEXPAND);
    auto* chooseList = new wxButton(this, wxID_ANY, "&Choose...");
    sources->Add(chooseList);
    top->Add(sources, 0, wxEXPAND | wxALL, 8);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    auto* refresh = new wxButton(this, wxID_ANY, "R&efresh");
    buttons->Add(refresh);
    buttons->AddStretchSpacer();
    buttons->Add(new wxButton(this, wxID_CLOSE, "Close"));
    top->Add(buttons, 0, wxEXPAND | wxALL, 8);
    SetSizerAndFit(top);
    SetEscapeId(wxID_CLOSE);

    install->Bind(wxEVT_BUTTON,
                  [this](wxCommandEvent&) { InstallAvailable(Selected(available_)); });
    remove->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { RemoveInstalled(Selected(installed_)); });
    refresh->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Refresh(); });
    repository_->Bind(wxEVT_TEXT_ENTER, [this](wxCommandEvent&) {
        SetRepository(repository_->GetValue().utf8_string());
    });
    packageList_->Bind(wxEVT_TEXT_ENTER, [this](wxCommandEvent&) { Refresh(); });
    browse->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        wxDirDialog chooser(this, "Package repository folder", repository_->GetValue());
        if (chooser.ShowModal() == wxID_OK) {
            repository_->SetValue(chooser.GetPath());
            SetRepository(chooser.GetPath().utf8_string());
        }
    });
    chooseList->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        wxFileDialog chooser(this, "Package list", "", "", "All files (*)|*",
                             wxFD_OPEN | wxFD_FILE_MUST_EXIST);
        if (chooser.ShowModal() == wxID_OK) {
            packageList_->SetValue(chooser.GetPath());
            Refresh();
        }
    });
    installed_->Bind(wxEVT_LIST_ITEM_SELECTED, [this](wxListEvent& e) {
        ShowDescription(e.GetIndex() < static_cast<long>(lists_.installed.size())
                            ? &lists_.installed[e.GetIndex()]
                            : nullptr);
    });
    available_->Bind(wxEVT_LIST_ITEM_SELECTED, [this](wxListEvent& e) {
        ShowDescription(e.GetIndex() < static_cast<long>(lists_.available.size())
                            ? &lists_.available[e.GetIndex()]
                            : nullptr);
    });
    Refresh();
}

void PackageDialog::Refresh() {
    wxBusyCursor busy;
    wxBusyInfo info("Gathering package data ...", this);
    PackageSources sources;
    sources.roots = context_.roots;
    if (context_.profile != nullptr)
        sources.repository = context_.profile->GetText("Settings", "TPMrepository", "");
    sources.packageList = packageList_->GetValue().utf8_string();
    lists_ = GatherPackages(sources);
    Fill();
}

bool PackageDialog::SetRepository(const std::string& folder) {
    if (folder.empty() || !DirectoryExists(folder)) {
        if (context_.prompt != nullptr)
            context_.prompt->ShowMessage("The specified path is invalid");
        return false;
    }
    if (context_.profile != nullptr)
        context_.profile->WriteText("Settings", "TPMrepository", folder);
    repository_->ChangeValue(Wx(folder));
    Refresh();
    return true;
}

void PackageDialog::Fill() {
    for (auto [list, packages] :
         {std::pair{installed_, &lists_.installed}, std::pair{available_, &lists_.available}}) {
        list->DeleteAllItems();
        for (size_t i = 0; i < packages->size(); ++i) {
            const TpmPackage& package = (*packages)[i];
            long row = list->InsertItem(static_cast<long>(i), Wx(package.DisplayName()));
            list->SetItem(row, 1, Wx(package.Property("Version")));
        }
    }
    ShowDescription(nullptr);
}

void PackageDialog::ShowDescription(const TpmPackage* package) {
    if (package == nullptr) {
        description_->SetLabel("");
        return;
    }
    std::string text = package->Property("Title");
    const std::string description = package->Property("Description");
    if (!description.empty())
        text += (text.empty() ? "" : ": ") + description;
    description_->SetLabel(Wx(text.empty() ? package->Path() : text));
    description_->Wrap(GetClientSize().GetWidth() - 16);
}

int PackageDialog::Selected(wxListCtrl* list) const {
    return static_cast<int>(list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED));
}

bool PackageDialog::InstallAvailable(int index) {
    if (index < 0 || index >= static_cast<int>(lists_.available.size()))
        return false;
    const TpmPackage package = lists_.available[index];
    UserPrompt* prompt = context_.prompt;
    if (lists_.FindInstalled(package.GetName()) != nullptr && prompt != nullptr &&
        !prompt->AskYesNo("A package '" + package.GetName() +
                          "' is already present in Quirn.\nWould you like to install this on "
                          "top of the existing package?"))
        return false;
    const int files = std::max<int>(1, static_cast<int>(package.FileList().size()));
    wxProgressDialog progress("Installing " + Wx(package.GetName()), "Installing ...", files, this,
                              wxPD_APP_MODAL | wxPD_AUTO_HIDE);
    int done = 0;
    PackageInstaller installer(context_);
    installer.SetReport([&](const TpmFileOutcome& outcome) {
        progress.Update(std::min(++done, files), Wx(outcome.relativePath));
    });
    const bool ok = installer.Install(package);
    progress.Update(files);
    Refresh();
    return ok;
}

bool PackageDialog::RemoveInstalled(int index) {
    if (index < 0 || index >= static_cast<int>(lists_.installed.size()))
        return false;
    const TpmPackage package = lists_.installed[index];
    if (context_.prompt != nullptr &&
        !context_.prompt->AskYesNo("Remove the package '" + package.GetName() + "' and its files?"))
        return false;
    wxBusyCursor busy;
    PackageInstaller installer(context_);
    installer.Remove(package);
    Refresh();
    return true;
}

void ShowPackageDialog(wxWindow* parent) {
    PackageDialog dialog(parent, Services().App().Context());
    dialog.ShowModal();
}

}  // namespace quirn::gui

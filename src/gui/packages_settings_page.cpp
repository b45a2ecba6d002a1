#include "gui/packages_settings_page.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/profile.h"
#include "gui/package_dialog.h"

namespace quirn::gui {

PackagesSettingsPage::PackagesSettingsPage(wxWindow* parent, Profile& profile)
    : wxPanel(parent), profile_(profile) {
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(new wxStaticText(this, wxID_ANY, "Package server (e.g. http://127.0.0.1:8000):"), 0,
             wxLEFT | wxRIGHT | wxTOP, 8);
    server_ = new wxTextCtrl(this, wxID_ANY,
                             wxString::FromUTF8(profile_.GetText("Settings", "PackageServer", "")));
    top->Add(server_, 0, wxEXPAND | wxALL, 8);
    top->Add(new wxStaticText(this, wxID_ANY,
                              "Packages are downloaded only with Internet access enabled\n"
                              "(Advanced Options). An empty address: local archives only."),
             0, wxLEFT | wxRIGHT, 8);
    askMissing_ = new wxCheckBox(this, wxID_ANY, "Ask what to do when a run misses a &file");
    askMissing_->SetValue(profile_.GetInt("Prompts", "JIT", 1) != 0);
    top->Add(askMissing_, 0, wxALL, 8);
    askInstall_ = new wxCheckBox(this, wxID_ANY, "Ask before &installing a package that was found");
    askInstall_->SetValue(profile_.GetInt("Prompts", "JITinstall", 1) != 0);
    top->Add(askInstall_, 0, wxLEFT | wxRIGHT | wxBOTTOM, 8);
    auto* manager = new wxButton(this, wxID_ANY, "&Packages...");
    top->Add(manager, 0, wxALL, 8);
    manager->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { ShowPackageDialog(this); });
    SetSizer(top);
}

void PackagesSettingsPage::Save() {
    std::string server = server_->GetValue().utf8_string();
    while (!server.empty() && (server.back() == '/' || server.back() == ' '))
        server.pop_back();
    profile_.WriteText("Settings", "PackageServer", server);
    profile_.WriteInt("Prompts", "JIT", askMissing_->GetValue() ? 1 : 0);
    profile_.WriteInt("Prompts", "JITinstall", askInstall_->GetValue() ? 1 : 0);
}

}  // namespace quirn::gui

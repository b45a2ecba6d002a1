// The Settings dialog's package page: the package server's address and the two
// questions of the missing-file resolution that can be switched off. Its values live
// in the settings store itself ("Settings"/"PackageServer", "Prompts"/"JIT",
// "Prompts"/"JITinstall"), read when the page is made and written on OK.
#pragma once

#include <wx/panel.h>

class wxCheckBox;
class wxTextCtrl;

namespace quirn {
class Profile;
}

namespace quirn::gui {

class PackagesSettingsPage : public wxPanel {
  public:
    PackagesSettingsPage(wxWindow* parent, Profile& profile);
    // Writes the page's values to the store.
    void Save();

  private:
    Profile& profile_;
    wxTextCtrl* server_ = nullptr;
    wxCheckBox* askMissing_ = nullptr;
    wxCheckBox* askInstall_ = nullptr;
};

}  // namespace quirn::gui

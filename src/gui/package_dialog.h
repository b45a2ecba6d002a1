// The package dialog: the installed and the available packages side by side, the
// repository folder and a downloaded package list as further sources, and Install and
// Remove with their questions and a progress window. It works through the same
// package lists and installer as `quirn-cli tpm`.
#pragma once

#include <wx/dialog.h>

#include <string>

#include "packages/package_lists.h"

class wxListCtrl;
class wxStaticText;
class wxTextCtrl;

namespace quirn {
struct AppContext;
}

namespace quirn::gui {

class PackageDialog : public wxDialog {
  public:
    PackageDialog(wxWindow* parent, AppContext& context);

    // Gathers both lists again ("Gathering package data ...").
    void Refresh();
    // The repository folder typed or chosen: refused with "The specified path is
    // invalid" when it does not exist, otherwise stored and gathered.
    bool SetRepository(const std::string& folder);
    // Installs the available package at `index` (asks before installing over an
    // installed one); true when it was installed.
    bool InstallAvailable(int index);
    // Removes the installed package at `index` after asking; true when removed.
    bool RemoveInstalled(int index);

    const PackageLists& Lists() const { return lists_; }

  private:
    void Fill();
    void ShowDescription(const TpmPackage* package);
    int Selected(wxListCtrl* list) const;

    AppContext& context_;
    PackageLists lists_;
    wxListCtrl* installed_ = nullptr;
    wxListCtrl* available_ = nullptr;
    wxTextCtrl* repository_ = nullptr;
    wxTextCtrl* packageList_ = nullptr;
    wxStaticText* description_ = nullptr;
};

// The Package Manager command: the dialog over the application's context.
void ShowPackageDialog(wxWindow* parent);

}  // namespace quirn::gui

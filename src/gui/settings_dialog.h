// The tabbed "Settings" dialog: the pages "Editor", "Typesetting", "Viewer",
// "TeXSpell Options", "BibTeX Arguments" and "Advanced Options" over the settings
// record. The dialog edits a copy of the page values; only OK writes them back.
#pragma once

#include <wx/propdlg.h>

#include <string>
#include <vector>

#include "app/settings_values.h"

class wxCheckBox;
class wxChoice;
class wxSpinCtrl;
class wxTextCtrl;

namespace quirn {
class OutputSink;
class Profile;
class UserPrompt;
}  // namespace quirn

namespace quirn::gui {

// The lists the dialog offers that depend on the machine.
struct SettingsDialogChoices {
    std::vector<std::string> engines;
    std::vector<std::string> dictionaries;
};

class PostScriptSettingsPage;

class SettingsDialog : public wxPropertySheetDialog {
  public:
    // `prompt` reports values the pages cannot take.
    SettingsDialog(wxWindow* parent, const SettingsPageValues& values,
                   const SettingsDialogChoices& choices, UserPrompt& prompt);

    // The values as the pages hold them after TransferDataFromWindow (OK).
    const SettingsPageValues& Values() const { return values_; }

    bool TransferDataToWindow() override;
    bool TransferDataFromWindow() override;

    // The BibTeX page's "Restore Standard Defaults" button.
    void RestoreBibtexDefaults();
    // "Change &Font && Colors": the font and colour dialog over the "Font" values.
    void ChangeFontAndColors();
    // The Advanced page's associations button: registers Quirn with the desktop as the
    // program for its file types and says what came of it.
    void FixDesktopAssociations();
    // Adds a page made elsewhere (after the dialog's own) and widens the dialog for it.
    void AddExtraPage(wxWindow* page, const wxString& label);
    // Where the helper programs the dialog starts are looked for first.
    void SetInstallDir(const std::string& installDir) { installDir_ = installDir; }

  private:
    void FitTabs();
    wxWindow* BuildEditorPage();
    wxWindow* BuildTypesettingPage();
    wxWindow* BuildViewerPage();
    wxWindow* BuildSpellPage();
    wxWindow* BuildBibtexPage();
    wxWindow* BuildAdvancedPage();
    void UpdateEnabling();
    void OnPageSizeChosen();
    void OnUnitsChosen();

    SettingsPageValues values_;
    SettingsDialogChoices choices_;
    UserPrompt& prompt_;
    std::string installDir_;
    int shownUnits_ = 0;

    // Editor
    wxCheckBox *wordWrap_, *chroma_, *autoComplete_, *autoSpell_, *emacsKill_, *externalEdit_,
        *selectColumn_, *lineNumbers_ = nullptr;
    // Typesetting
    wxCheckBox *smart_, *autoSave_, *eightBit_, *autoBibTeX_;
    wxChoice* engine_;
    // Viewer
    wxCheckBox *maximize_, *scanColor_, *boundingBox_;
    wxChoice *orientation_, *magnification_, *pageSize_, *pageUnits_, *rulerUnits_;
    wxTextCtrl *pageWidth_, *pageHeight_;
    wxSpinCtrl* advance_;
    // TeXSpell
    wxCheckBox *ignoreTeX_, *ignoreComments_, *ignoreMath_, *makeBackup_, *findRepeated_,
        *ignoreArgs_;
    wxChoice* dictionary_;
    // BibTeX
    wxTextCtrl *bibOptions_, *bibInput_, *bstInput_, *csfInput_, *csFile_;
    // Advanced
    wxTextCtrl *makeIndex_, *dvips_, *psCommand_;
    wxChoice* psRender_;
    PostScriptSettingsPage* postscript_;
    wxSpinCtrl* mru_;
    wxCheckBox* netAccess_;
};

// Opens the dialog on the record. OK writes the page values into `settings` and the
// spelling options into the store and answers true; Cancel changes nothing.
// `installDir` and `dictionaryDirs` give the engines and dictionaries offered.
bool RunSettingsDialog(wxWindow* parent, Settings& settings, Profile& profile,
                       const std::string& installDir,
                       const std::vector<std::string>& dictionaryDirs, UserPrompt& prompt,
                       OutputSink* output);

}  // namespace quirn::gui

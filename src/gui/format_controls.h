// The format and output-mode choices of the main window: the "&Typeset Format" menu
// (one radio item per format) and the toolbar's format box,
// both filled from the format list and kept in step with its selection; the output
// mode ("DVI" or "PDF") as radio items and a toolbar box; the "INITeX..." command;
// and the "Settings..." command that opens the Settings dialog.
#pragma once

#include <wx/event.h>

#include <functional>
#include <string>
#include <vector>

class wxChoice;
class wxFrame;
class wxMenu;
class wxUpdateUIEvent;

namespace quirn {
class Application;
class Formats;
class IniTexDialog;
class Typesetter;
struct Settings;
}  // namespace quirn

namespace quirn::gui {

class TypesetBridge;

// What the controls work on. The format list and the typesetter appear after the
// main window (the list is built once the settings are loaded), so both are asked
// for each time; a null answer means "not yet".
struct FormatServices {
    std::function<Formats*()> formats;
    std::function<Typesetter*()> typesetter;
    Settings* settings = nullptr;
    // Shows the INITeX dialog over its state; true for "INITeX". Default: the window.
    std::function<bool(IniTexDialog&)> showIniTexDialog;
};

// Output modes as the "Typeset"/Mode setting holds them.
inline constexpr const char* kModeDvi = "DVI";
inline constexpr const char* kModePdf = "PDF";
// The most formats the menu lists.
inline constexpr int kMaxFormats = 500;
// Menu item ids must stay below 32768 in this toolkit, so format command 33000 + i
// (kFirstFormatCommand) is the menu item kFormatMenuFirstId + i.
inline constexpr int kFormatMenuFirstId = 23000;

class FormatControls : public wxEvtHandler {
  public:
    // Any of the menus or boxes may be null. The mode menu gets the two radio items
    // appended; the format menu holds the format items only. Commands are handled on
    // `frame` (menus) and on the boxes themselves.
    FormatControls(wxFrame* frame, wxMenu* formatMenu, wxChoice* formatBox, wxMenu* modeMenu,
                   wxChoice* modeBox, FormatServices services);

    // Refills the menu and the box from the list and shows the selection.
    void Refresh();
    // Refreshes when the list, its selection or the mode changed since the last
    // refresh (an INITeX run rebuilt the list, a project chose its format, ...).
    // True when something was refilled.
    bool SyncIfChanged();

    // Format command i (menu or box): selects the format and shows it.
    void ChooseFormat(int index);
    // The mode items: "DVI" or "PDF" becomes the selected output mode.
    void ChooseMode(const std::string& mode);
    // "INITeX...": asks with the dialog and starts the build through the typesetter.
    // 1 when the engine was started.
    int RunIniTeX();
    // Item ids of the mode menu items (for the frame's tests and enabling).
    int DviModeId() const { return dviId_; }
    int PdfModeId() const { return pdfId_; }

    // Told about the user's choices (the current project keeps its format and mode).
    std::function<void(const std::string& formatName)> onFormatChosen;
    std::function<void(const std::string& mode)> onModeChosen;

  private:
    struct Shown {
        std::vector<std::string> items;
        int selected = -1;
        bool pdf = false;
        bool operator==(const Shown&) const = default;
    };
    Shown Current() const;
    bool PdfMode() const;
    void OnFormatMenu(wxCommandEvent& e);
    void OnFormatBox(wxCommandEvent& e);
    void OnModeMenu(wxCommandEvent& e);
    void OnModeBox(wxCommandEvent& e);
    void OnIdle(wxIdleEvent& e);

    wxFrame* frame_;
    wxMenu* formatMenu_;
    wxChoice* formatBox_;
    wxMenu* modeMenu_;
    wxChoice* modeBox_;
    FormatServices services_;
    Shown shown_;
    bool everShown_ = false;
    int dviId_ = wxID_NONE;
    int pdfId_ = wxID_NONE;
};

// Gives the main window its format and option commands: a "&Typeset Format" menu,
// an "&Options" menu (created when the menu bar has none) with "&Settings...",
// "&INITeX..." and the output modes, and the format and mode boxes on the frame's
// toolbar (created when the frame has none). The controls live as long as the frame.
FormatControls* AttachFrameControls(wxFrame* frame, Application& app, TypesetBridge& typeset);

}  // namespace quirn::gui

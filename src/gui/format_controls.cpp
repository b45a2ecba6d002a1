#include "gui/format_controls.h"

#include <wx/choice.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/toolbar.h>

#include <strings.h>

#include <memory>

#include "app/application.h"
#include "app/settings.h"
#include "gui/documents.h"
#include "gui/gui_services.h"
#include "gui/initex_dialog.h"
#include "gui/settings_dialog.h"
#include "gui/typeset_bridge.h"
#include "platform/paths.h"
#include "typeset/formats.h"
#include "typeset/typesetter.h"

namespace quirn::gui {

namespace {

const char* const kFormatHelp = "Select this format for typesetting";

void ClearMenu(wxMenu* menu) {
    while (menu->GetMenuItemCount() > 0)
        menu->Destroy(menu->FindItemByPosition(0));
}

}  // namespace

FormatControls::FormatControls(wxFrame* frame, wxMenu* formatMenu, wxChoice* formatBox,
                               wxMenu* modeMenu, wxChoice* modeBox, FormatServices services)
    : frame_(frame),
      formatMenu_(formatMenu),
      formatBox_(formatBox),
      modeMenu_(modeMenu),
      modeBox_(modeBox),
      services_(std::move(services)) {
    frame_->Bind(wxEVT_MENU, &FormatControls::OnFormatMenu, this, kFormatMenuFirstId,
                 kFormatMenuFirstId + kMaxFormats - 1);
    if (modeMenu_) {
        dviId_ = wxWindow::NewControlId();
        pdfId_ = wxWindow::NewControlId();
        modeMenu_->AppendRadioItem(dviId_, "&DVI Output", "Typeset to a DVI file");
        modeMenu_->AppendRadioItem(pdfId_, "&PDF Output", "Typeset to a PDF file");
        frame_->Bind(wxEVT_MENU, &FormatControls::OnModeMenu, this, dviId_);
        frame_->Bind(wxEVT_MENU, &FormatControls::OnModeMenu, this, pdfId_);
    }
    if (formatBox_)
        formatBox_->Bind(wxEVT_CHOICE, &FormatControls::OnFormatBox, this);
    if (modeBox_) {
        modeBox_->Append(kModeDvi);
        modeBox_->Append(kModePdf);
        modeBox_->Bind(wxEVT_CHOICE, &FormatControls::OnModeBox, this);
    }
    frame_->Bind(wxEVT_IDLE, &FormatControls::OnIdle, this);
    Refresh();
}

bool FormatControls::PdfMode() const {
    return services_.settings && strcasecmp(services_.settings->mode.c_str(), kModePdf) == 0;
}

FormatControls::Shown FormatControls::Current() const {
    Shown now;
    Formats* formats = services_.formats ? services_.formats() : nullptr;
    if (formats && !formats->List().Empty()) {
        now.items = formats->List().MenuItems();
        if (now.items.size() > static_cast<size_t>(kMaxFormats))
            now.items.resize(kMaxFormats);
        now.selected = formats->List().Selected();
    }
    now.pdf = PdfMode();
    return now;
}

void FormatControls::Refresh() {
    shown_ = Current();
    everShown_ = true;
    const bool none = shown_.items.empty();
    if (formatMenu_) {
        ClearMenu(formatMenu_);
        if (none) {
            formatMenu_->Append(kFormatMenuFirstId, "No Formats Available")->Enable(false);
        } else {
            for (size_t i = 0; i < shown_.items.size(); ++i) {
                formatMenu_->AppendRadioItem(kFormatMenuFirstId + static_cast<int>(i),
                                             wxString::FromUTF8(shown_.items[i]), kFormatHelp);
            }
            formatMenu_->Check(kFormatMenuFirstId + shown_.selected, true);
        }
    }
    if (formatBox_) {
        wxArrayString items;
        if (none)
            items.Add("No Formats");
        for (const auto& item : shown_.items)
            items.Add(wxString::FromUTF8(item));
        // Refilled only when the names changed: a selection change alone keeps the box.
        if (formatBox_->GetStrings() != items)
            formatBox_->Set(items);
        formatBox_->SetSelection(none ? 0 : shown_.selected);
    }
    if (modeMenu_)
        modeMenu_->Check(shown_.pdf ? pdfId_ : dviId_, true);
    if (modeBox_)
        modeBox_->SetSelection(shown_.pdf ? 1 : 0);
}

bool FormatControls::SyncIfChanged() {
    if (everShown_ && Current() == shown_)
        return false;
    Refresh();
    return true;
}

void FormatControls::ChooseFormat(int index) {
    Formats* formats = services_.formats ? services_.formats() : nullptr;
    bool chosen = formats && formats->SelectFormat(index);
    Refresh();
    if (chosen && onFormatChosen)
        onFormatChosen(formats->List().SelectedName());
}

void FormatControls::ChooseMode(const std::string& mode) {
    if (!services_.settings)
        return;
    services_.settings->mode = mode;
    Refresh();
    if (onModeChosen)
        onModeChosen(mode);
}

int FormatControls::RunIniTeX() {
    Formats* formats = services_.formats ? services_.formats() : nullptr;
    Typesetter* typesetter = services_.typesetter ? services_.typesetter() : nullptr;
    if (!formats || !typesetter || typesetter->Busy())
        return 0;
    auto show = services_.showIniTexDialog;
    if (!show)
        show = [this](IniTexDialog& dialog) { return ShowIniTexDialog(frame_, dialog); };
    return formats->IniTeX(*typesetter, "", {}, show);
}

void FormatControls::OnFormatMenu(wxCommandEvent& e) {
    ChooseFormat(e.GetId() - kFormatMenuFirstId);
}

void FormatControls::OnFormatBox(wxCommandEvent& e) {
    ChooseFormat(e.GetSelection());
}

void FormatControls::OnModeMenu(wxCommandEvent& e) {
    ChooseMode(e.GetId() == pdfId_ ? kModePdf : kModeDvi);
}

void FormatControls::OnModeBox(wxCommandEvent& e) {
    ChooseMode(e.GetSelection() == 1 ? kModePdf : kModeDvi);
}

void FormatControls::OnIdle(wxIdleEvent& e) {
    SyncIfChanged();
    e.Skip();
}

// ---------------------------------------------------------------- main window

namespace {

// Keeps the controls alive exactly as long as the frame: a window deletes its client
// object when it is destroyed.
class ControlsHolder : public wxClientData {
  public:
    explicit ControlsHolder(FormatControls* controls) : controls_(controls) {}

  private:
    std::unique_ptr<FormatControls> controls_;
};

int InsertBeforeHelp(wxMenuBar* bar, wxMenu* menu, const wxString& title) {
    int help = bar->FindMenu("Help");
    if (help == wxNOT_FOUND) {
        bar->Append(menu, title);
        return static_cast<int>(bar->GetMenuCount()) - 1;
    }
    bar->Insert(static_cast<size_t>(help), menu, title);
    return help;
}

}  // namespace

FormatControls* AttachFrameControls(wxFrame* frame, Application& app, TypesetBridge& typeset) {
    wxMenuBar* bar = frame->GetMenuBar();
    if (!bar) {
        bar = new wxMenuBar;
        frame->SetMenuBar(bar);
    }
    auto* formatMenu = new wxMenu;
    InsertBeforeHelp(bar, formatMenu, "&Typeset Format");
    int optionsAt = bar->FindMenu("Options");
    wxMenu* options = optionsAt == wxNOT_FOUND ? nullptr : bar->GetMenu(optionsAt);
    if (!options) {
        options = new wxMenu;
        InsertBeforeHelp(bar, options, "&Options");
    } else if (options->GetMenuItemCount() > 0) {
        options->AppendSeparator();
    }
    const int settingsId = wxWindow::NewControlId();
    const int iniTexId = wxWindow::NewControlId();
    options->Append(settingsId, "&Settings...",
                    "Change the settings of the editor, typesetting and the viewers");
    options->AppendSeparator();
    options->Append(iniTexId, "&INITeX...", "Build a format file");
    options->AppendSeparator();

    wxToolBar* tools = frame->GetToolBar();
    if (!tools)
        tools = frame->CreateToolBar(wxTB_HORIZONTAL | wxTB_FLAT);
    auto* formatBox = new wxChoice(tools, wxID_ANY, wxDefaultPosition, wxSize(170, -1));
    auto* modeBox = new wxChoice(tools, wxID_ANY, wxDefaultPosition, wxSize(80, -1));
    formatBox->SetToolTip("Format");
    modeBox->SetToolTip("Output");
    tools->AddControl(formatBox, "Format");
    tools->AddControl(modeBox, "Output");
    tools->Realize();

    FormatServices services;
    services.formats = [&typeset] { return typeset.GetFormats(); };
    services.typesetter = [&typeset] { return typeset.GetTypesetter(); };
    services.settings = &app.Record();
    auto* controls = new FormatControls(frame, formatMenu, formatBox, options, modeBox, services);
    frame->SetClientObject(new ControlsHolder(controls));

    frame->Bind(
        wxEVT_MENU,
        [frame, &app, &typeset](wxCommandEvent&) {
            Settings& record = app.Record();
            const std::string engine = record.texEngine;
            const std::vector<std::string> dictionaries = {
                "/usr/lib/ispell", JoinPath(app.Roots().tdsPath, "texmf/ispell")};
            bool changed =
                RunSettingsDialog(frame, record, app.GetProfile(), app.Roots().installDir,
                                  dictionaries, *app.Context().prompt, app.Context().output);
            if (changed)
                ApplySettingsToOpenWindows(Services().Documents());
            // Each engine has its own formats directory.
            if (changed && record.texEngine != engine) {
                if (Formats* formats = typeset.GetFormats())
                    formats->BuildFormatList();
            }
        },
        settingsId);
    frame->Bind(
        wxEVT_MENU, [controls](wxCommandEvent&) { controls->RunIniTeX(); }, iniTexId);
    frame->Bind(
        wxEVT_UPDATE_UI,
        [&typeset](wxUpdateUIEvent& e) {
            Typesetter* typesetter = typeset.GetTypesetter();
            e.Enable(typesetter && !typesetter->Busy());
        },
        iniTexId);
    frame->SendSizeEvent();
    return controls;
}

}  // namespace quirn::gui

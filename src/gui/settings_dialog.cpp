#include "gui/settings_dialog.h"

#include <wx/bookctrl.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>
#include <wx/stdpaths.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include <algorithm>

#include "app/profile.h"
#include "gui/font_colors_dialog.h"
#include "gui/packages_settings_page.h"
#include "gui/postscript_settings_page.h"
#include "platform/desktop_associations.h"
#include "platform/output_sink.h"
#include "platform/user_prompt.h"

namespace quirn::gui {

namespace {

wxString Wx(const std::string& s) {
    return wxString::FromUTF8(s);
}

std::string Utf8(const wxString& s) {
    return s.utf8_string();
}

// A page is a panel with a column of rows.
struct PageBuilder {
    explicit PageBuilder(wxWindow* book)
        : panel(new wxPanel(book)), column(new wxBoxSizer(wxVERTICAL)) {
        panel->SetSizer(column);
    }
    wxCheckBox* Check(const char* label) {
        auto* box = new wxCheckBox(panel, wxID_ANY, label);
        column->Add(box, 0, wxALL, 5);
        return box;
    }
    // A grid of "label: control" rows, started on first use.
    wxFlexGridSizer* Grid() {
        if (!grid) {
            grid = new wxFlexGridSizer(2, 5, 8);
            grid->AddGrowableCol(1, 1);
            column->Add(grid, 0, wxALL | wxEXPAND, 5);
        }
        return grid;
    }
    template <class Control>
    Control* Row(const char* label, Control* control) {
        Grid()->Add(new wxStaticText(panel, wxID_ANY, label), 0, wxALIGN_CENTER_VERTICAL);
        Grid()->Add(control, 1, wxEXPAND);
        return control;
    }
    wxTextCtrl* Text(const char* label) { return Row(label, new wxTextCtrl(panel, wxID_ANY)); }
    wxChoice* Choice(const char* label, const std::vector<std::string>& items) {
        auto* choice = new wxChoice(panel, wxID_ANY);
        for (const auto& item : items)
            choice->Append(Wx(item));
        return Row(label, choice);
    }
    wxButton* Button(const char* label) {
        auto* button = new wxButton(panel, wxID_ANY, label);
        column->Add(button, 0, wxALL, 5);
        return button;
    }

    wxPanel* panel;
    wxBoxSizer* column;
    wxFlexGridSizer* grid = nullptr;
};

void SetChoice(wxChoice* choice, const std::vector<std::string>& items, const std::string& value) {
    auto it = std::find(items.begin(), items.end(), value);
    choice->SetSelection(it == items.end() ? wxNOT_FOUND : static_cast<int>(it - items.begin()));
}

// The renderer values the choice offers, and the room a tab needs beside its label.
constexpr int kFirstRenderer = 1;
constexpr int kLastRenderer = 3;
constexpr int kTabPadding = 40;

std::string ChoiceText(wxChoice* choice, const std::string& fallback) {
    int i = choice->GetSelection();
    return i == wxNOT_FOUND ? fallback : Utf8(choice->GetString(static_cast<unsigned>(i)));
}

}  // namespace

SettingsDialog::SettingsDialog(wxWindow* parent, const SettingsPageValues& values,
                               const SettingsDialogChoices& choices, UserPrompt& prompt)
    : values_(values), choices_(choices), prompt_(prompt) {
    Create(parent, wxID_ANY, "Settings");
    CreateButtons(wxOK | wxCANCEL);
    wxBookCtrlBase* book = GetBookCtrl();
    book->AddPage(BuildEditorPage(), "Editor", true);
    book->AddPage(BuildTypesettingPage(), "Typesetting");
    book->AddPage(BuildViewerPage(), "Viewer");
    book->AddPage(BuildSpellPage(), "TeXSpell Options");
    book->AddPage(BuildBibtexPage(), "BibTeX Arguments");
    book->AddPage(BuildAdvancedPage(), "Advanced Options");
    // The renderer's choice and command live on the PostScript page.
    postscript_ = new PostScriptSettingsPage(book);
    book->AddPage(postscript_, "PostScript");
    psRender_ = postscript_->Renderer();
    psCommand_ = postscript_->Command();
    psRender_->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { UpdateEnabling(); });
    LayoutDialog();
    FitTabs();
    TransferDataToWindow();
}

// Wide enough for every tab label in one row.
void SettingsDialog::FitTabs() {
    wxBookCtrlBase* book = GetBookCtrl();
    int tabs = 0;
    for (size_t i = 0; i < book->GetPageCount(); ++i)
        tabs += GetTextExtent(book->GetPageText(i)).GetWidth() + kTabPadding;
    if (GetSize().GetWidth() < tabs + kTabPadding)
        SetSize(tabs + kTabPadding, -1);
}

void SettingsDialog::AddExtraPage(wxWindow* page, const wxString& label) {
    GetBookCtrl()->AddPage(page, label);
    LayoutDialog();
    FitTabs();
}

wxWindow* SettingsDialog::BuildEditorPage() {
    PageBuilder p(GetBookCtrl());
    wordWrap_ = p.Check("&Word Wrap");
    chroma_ = p.Check("&Chromacoding");
    autoComplete_ = p.Check("Auto-co&mplete commands");
    autoSpell_ = p.Check("Automatic Spell Chec&k");
    emacsKill_ = p.Check("&Emacs-style Delete Line");
    externalEdit_ = p.Check("Automatically check for e&xternal modification");
    selectColumn_ = p.Check("&Selection Column");
    lineNumbers_ = p.Check("&Line Numbers");
    p.Button("Change &Font && Colors")->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        ChangeFontAndColors();
    });
    return p.panel;
}

wxWindow* SettingsDialog::BuildTypesettingPage() {
    PageBuilder p(GetBookCtrl());
    smart_ = p.Check("Smart Typesetter (auto view && error guidance)");
    autoSave_ = p.Check("Auto-Save Editor files on Typeset");
    engine_ = p.Choice("Typesetting Engine:", choices_.engines);
    eightBit_ = p.Check("8-bit support");
    autoBibTeX_ =
        p.Check("Run &BibTeX and MakeIndex when the bibliography or index is out of date");
    engine_->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { UpdateEnabling(); });
    return p.panel;
}

wxWindow* SettingsDialog::BuildViewerPage() {
    PageBuilder p(GetBookCtrl());
    maximize_ = p.Check("Maximize View on Open");
    scanColor_ = p.Check("Scan For Color on Open");
    orientation_ = p.Choice("Orientation:", {"Portrait", "Landscape"});
    std::vector<std::string> steps = {"1 (Smallest)"};
    for (int i = 2; i <= 9; ++i)
        steps.push_back(std::to_string(i));
    steps.insert(steps.end(), {"10 (Biggest)", "Zoom To Fit Page Width", "Zoom To Fit Whole Page"});
    magnification_ = p.Choice("Magnification:", steps);
    std::vector<std::string> sizes;
    for (const PageSize& size : PageSizes())
        sizes.push_back(size.name);
    pageSize_ = p.Choice("Page Size:", sizes);

    auto* custom = new wxBoxSizer(wxHORIZONTAL);
    pageWidth_ = new wxTextCtrl(p.panel, wxID_ANY);
    pageHeight_ = new wxTextCtrl(p.panel, wxID_ANY);
    pageUnits_ = new wxChoice(p.panel, wxID_ANY);
    pageUnits_->Append("inches");
    pageUnits_->Append("centimeters");
    custom->Add(pageWidth_, 1, wxRIGHT, 4);
    custom->Add(new wxStaticText(p.panel, wxID_ANY, "x"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 4);
    custom->Add(pageHeight_, 1, wxRIGHT, 4);
    custom->Add(pageUnits_, 0);
    p.Grid()->Add(new wxStaticText(p.panel, wxID_ANY, "Custom Size:"), 0, wxALIGN_CENTER_VERTICAL);
    p.Grid()->Add(custom, 1, wxEXPAND);

    boundingBox_ = p.Check("Use Bounding Box");
    auto* advance = new wxBoxSizer(wxHORIZONTAL);
    advance_ = new wxSpinCtrl(p.panel, wxID_ANY, "", wxDefaultPosition, wxDefaultSize,
                              wxSP_ARROW_KEYS, 1, 10, 2);
    advance->Add(new wxStaticText(p.panel, wxID_ANY, "Advance"), 0,
                 wxALIGN_CENTER_VERTICAL | wxRIGHT, 5);
    advance->Add(advance_, 0, wxRIGHT, 5);
    advance->Add(new wxStaticText(p.panel, wxID_ANY, "page(s) in 2-up viewing"), 0,
                 wxALIGN_CENTER_VERTICAL);
    p.column->Add(advance, 0, wxALL, 5);
    auto* ruler = new wxBoxSizer(wxHORIZONTAL);
    rulerUnits_ = new wxChoice(p.panel, wxID_ANY);
    for (const auto& name : RulerUnitNames())
        rulerUnits_->Append(Wx(name));
    ruler->Add(new wxStaticText(p.panel, wxID_ANY, "Ruler units"), 0,
               wxALIGN_CENTER_VERTICAL | wxRIGHT, 5);
    ruler->Add(rulerUnits_, 0);
    p.column->Add(ruler, 0, wxALL, 5);

    pageSize_->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { OnPageSizeChosen(); });
    pageUnits_->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { OnUnitsChosen(); });
    return p.panel;
}

wxWindow* SettingsDialog::BuildSpellPage() {
    PageBuilder p(GetBookCtrl());
    ignoreTeX_ = p.Check("Ignore TeX &commands");
    ignoreComments_ = p.Check("Ignore c&omments");
    ignoreMath_ = p.Check("Ignore &math");
    makeBackup_ = p.Check("Make &backup file");
    findRepeated_ = p.Check("Find &repeated words");
    ignoreArgs_ = p.Check("Ignore cite, ref and &label arguments");
    dictionary_ = p.Choice("L&anguage:", choices_.dictionaries);
    return p.panel;
}

wxWindow* SettingsDialog::BuildBibtexPage() {
    PageBuilder p(GetBookCtrl());
    bibOptions_ = p.Text("Option string:");
    // The variables BibTeX reads are BIBINPUTS and BSTINPUTS; the settings keep the
    // shorter names on disk.
    bibInput_ = p.Text("BIBINPUTS:");
    bstInput_ = p.Text("BSTINPUTS:");
    csfInput_ = p.Text("CSFINPUT:");
    csFile_ = p.Text("CSF File:");
    p.Button("Restore Standard Defaults")->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        RestoreBibtexDefaults();
    });
    return p.panel;
}

wxWindow* SettingsDialog::BuildAdvancedPage() {
    PageBuilder p(GetBookCtrl());
    makeIndex_ = p.Text("MakeIndex:");
    dvips_ = p.Text("Dvips:");
    // Ghostscript is the only interpreter here: the choices are the renderer values 1 to 3
    // (Quirn's own copy, the installed one, a command of the user's).
    mru_ = p.Row("Recent files:", new wxSpinCtrl(p.panel, wxID_ANY, "", wxDefaultPosition,
                                                 wxDefaultSize, wxSP_ARROW_KEYS, 0, 16, 4));
    netAccess_ = p.Check("&Enable Internet access");
    p.Button("Make Quirn the Desktop's Program for TeX Files")
        ->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { FixDesktopAssociations(); });
    return p.panel;
}

bool SettingsDialog::TransferDataToWindow() {
    const EditorPageValues& e = values_.editor;
    wordWrap_->SetValue(e.wordWrap);
    chroma_->SetValue(e.chromaCoding);
    autoComplete_->SetValue(e.autoComplete);
    autoSpell_->SetValue(e.autoSpellCheck);
    emacsKill_->SetValue(e.emacsLineKill);
    externalEdit_->SetValue(e.autoCheckExternalEdit);
    selectColumn_->SetValue(e.editSelectColumn);
    lineNumbers_->SetValue(e.lineNumbers);

    const TypesettingPageValues& t = values_.typesetting;
    smart_->SetValue(t.smartTypesetter);
    autoSave_->SetValue(t.autoSave);
    SetChoice(engine_, choices_.engines, t.engine);
    eightBit_->SetValue(t.eightBit);
    autoBibTeX_->SetValue(t.autoBibTeX);

    const ViewerPageValues& w = values_.viewer;
    maximize_->SetValue(w.maximize);
    scanColor_->SetValue(w.scanForColor);
    orientation_->SetSelection(w.orientation);
    magnification_->SetSelection(w.magnification - 1);
    pageSize_->SetSelection(w.pageSize);
    pageUnits_->SetSelection(w.pageUnits);
    shownUnits_ = w.pageUnits;
    pageWidth_->ChangeValue(Wx(ThousandthsText(w.pageWidth)));
    pageHeight_->ChangeValue(Wx(ThousandthsText(w.pageHeight)));
    boundingBox_->SetValue(w.useBoundingBox);
    advance_->SetValue(w.advance);
    rulerUnits_->SetSelection(w.rulerUnits);

    const SpellPageValues& s = values_.spell;
    ignoreTeX_->SetValue(s.options.ignoreTeX != 0);
    ignoreComments_->SetValue(s.options.ignoreComments != 0);
    ignoreMath_->SetValue(s.options.ignoreMath != 0);
    makeBackup_->SetValue(s.options.makeBackup != 0);
    findRepeated_->SetValue(s.options.findRepeated != 0);
    ignoreArgs_->SetValue(s.options.ignoreCmdArgs != 0);
    SetChoice(dictionary_, choices_.dictionaries, s.dictionary);

    const BibtexPageValues& b = values_.bibtex;
    bibOptions_->ChangeValue(Wx(b.options));
    bibInput_->ChangeValue(Wx(b.bibInput));
    bstInput_->ChangeValue(Wx(b.bstInput));
    csfInput_->ChangeValue(Wx(b.csfInput));
    csFile_->ChangeValue(Wx(b.csFile));

    const AdvancedPageValues& a = values_.advanced;
    makeIndex_->ChangeValue(Wx(a.makeIndexOptions));
    dvips_->ChangeValue(Wx(a.dvipsOptions));
    // A value from elsewhere that named no Ghostscript shows as Quirn's copy.
    psRender_->SetSelection(std::clamp(a.psRender, kFirstRenderer, kLastRenderer) - kFirstRenderer);
    psCommand_->ChangeValue(Wx(a.psRenderCmd));
    postscript_->ToWindow(a);
    mru_->SetValue(a.mru);
    netAccess_->SetValue(a.netAccess);
    UpdateEnabling();
    return true;
}

bool SettingsDialog::TransferDataFromWindow() {
    // The custom size is the one entry that can be wrong: check it before anything
    // is taken, so that a refused OK leaves the values as they were.
    std::optional<int> width = ParseThousandths(Utf8(pageWidth_->GetValue()));
    std::optional<int> height = ParseThousandths(Utf8(pageHeight_->GetValue()));
    if (!width || !height) {
        GetBookCtrl()->SetSelection(2);
        prompt_.ShowMessage("The custom page size must be two positive numbers.");
        (width ? pageHeight_ : pageWidth_)->SetFocus();
        return false;
    }

    EditorPageValues& e = values_.editor;
    e.wordWrap = wordWrap_->GetValue();
    e.chromaCoding = chroma_->GetValue();
    e.autoComplete = autoComplete_->GetValue();
    e.autoSpellCheck = autoSpell_->GetValue();
    e.emacsLineKill = emacsKill_->GetValue();
    e.autoCheckExternalEdit = externalEdit_->GetValue();
    e.editSelectColumn = selectColumn_->GetValue();
    e.lineNumbers = lineNumbers_->GetValue();

    TypesettingPageValues& t = values_.typesetting;
    t.smartTypesetter = smart_->GetValue();
    t.autoSave = autoSave_->GetValue();
    t.engine = ChoiceText(engine_, t.engine);
    t.eightBit = eightBit_->GetValue();
    t.autoBibTeX = autoBibTeX_->GetValue();

    ViewerPageValues& w = values_.viewer;
    w.maximize = maximize_->GetValue();
    w.scanForColor = scanColor_->GetValue();
    w.orientation = std::max(0, orientation_->GetSelection());
    w.magnification = std::max(0, magnification_->GetSelection()) + 1;
    w.pageSize = std::max(0, pageSize_->GetSelection());
    w.pageUnits = std::max(0, pageUnits_->GetSelection());
    w.pageWidth = *width;
    w.pageHeight = *height;
    w.useBoundingBox = boundingBox_->GetValue();
    w.advance = advance_->GetValue();
    w.rulerUnits = std::max(0, rulerUnits_->GetSelection());

    SpellPageValues& s = values_.spell;
    s.options.ignoreTeX = ignoreTeX_->GetValue();
    s.options.ignoreComments = ignoreComments_->GetValue();
    s.options.ignoreMath = ignoreMath_->GetValue();
    s.options.makeBackup = makeBackup_->GetValue();
    s.options.findRepeated = findRepeated_->GetValue();
    s.options.ignoreCmdArgs = ignoreArgs_->GetValue();
    s.dictionary = ChoiceText(dictionary_, s.dictionary);

    BibtexPageValues& b = values_.bibtex;
    b.options = Utf8(bibOptions_->GetValue());
    b.bibInput = Utf8(bibInput_->GetValue());
    b.bstInput = Utf8(bstInput_->GetValue());
    b.csfInput = Utf8(csfInput_->GetValue());
    b.csFile = Utf8(csFile_->GetValue());

    AdvancedPageValues& a = values_.advanced;
    a.makeIndexOptions = Utf8(makeIndex_->GetValue());
    a.dvipsOptions = Utf8(dvips_->GetValue());
    a.psRender = std::max(0, psRender_->GetSelection()) + kFirstRenderer;
    a.psRenderCmd = Utf8(psCommand_->GetValue());
    postscript_->FromWindow(a);
    a.mru = mru_->GetValue();
    a.netAccess = netAccess_->GetValue();
    return true;
}

void SettingsDialog::RestoreBibtexDefaults() {
    BibtexPageValues d = DefaultBibtexValues();
    bibOptions_->ChangeValue(Wx(d.options));
    bibInput_->ChangeValue(Wx(d.bibInput));
    bstInput_->ChangeValue(Wx(d.bstInput));
    csfInput_->ChangeValue(Wx(d.csfInput));
    csFile_->ChangeValue(Wx(d.csFile));
}

void SettingsDialog::ChangeFontAndColors() {
    EditorPageValues edited = values_.editor;
    if (RunFontColorsDialog(this, edited)) {
        EditorPageValues& e = values_.editor;
        e.font = edited.font;
        e.fontSize = edited.fontSize;
        e.fontColor = edited.fontColor;
        e.commandColor = edited.commandColor;
        e.commentColor = edited.commentColor;
        e.mathColor = edited.mathColor;
        e.symbolColor = edited.symbolColor;
        e.backColor = edited.backColor;
    }
}

void SettingsDialog::UpdateEnabling() {
    // The plain engine has no 8-bit option; it is never passed to it.
    eightBit_->Enable(ChoiceText(engine_, "") != "tex");
    psCommand_->Enable(psRender_->GetSelection() + kFirstRenderer == kLastRenderer);
    bool custom = pageSize_->GetSelection() == CustomPageSizeIndex();
    pageWidth_->Enable(custom);
    pageHeight_->Enable(custom);
}

void SettingsDialog::OnPageSizeChosen() {
    int i = pageSize_->GetSelection();
    if (i >= 0 && i < CustomPageSizeIndex()) {
        const PageSize& size = PageSizes()[static_cast<size_t>(i)];
        pageWidth_->ChangeValue(
            Wx(ThousandthsText(ConvertThousandths(size.width, 0, shownUnits_))));
        pageHeight_->ChangeValue(
            Wx(ThousandthsText(ConvertThousandths(size.height, 0, shownUnits_))));
    }
    UpdateEnabling();
}

void SettingsDialog::OnUnitsChosen() {
    int units = std::max(0, pageUnits_->GetSelection());
    for (wxTextCtrl* box : {pageWidth_, pageHeight_}) {
        if (std::optional<int> v = ParseThousandths(Utf8(box->GetValue())))
            box->ChangeValue(Wx(ThousandthsText(ConvertThousandths(*v, shownUnits_, units))));
    }
    shownUnits_ = units;
}

void SettingsDialog::FixDesktopAssociations() {
    wxBusyCursor wait;
    std::string program = wxStandardPaths::Get().GetExecutablePath().utf8_string();
    AssociationResult result = RegisterDesktopAssociations(program, installDir_, DefaultDataHome());
    prompt_.ShowMessage(result.message);
}

bool RunSettingsDialog(wxWindow* parent, Settings& settings, Profile& profile,
                       const std::string& installDir,
                       const std::vector<std::string>& dictionaryDirs, UserPrompt& prompt,
                       OutputSink* output) {
    SpellOptions spell = LoadSpellOptions(profile);
    SettingsDialogChoices choices;
    choices.engines = UsableEngines(installDir, settings.texEngine);
    choices.dictionaries = DictionaryNames(dictionaryDirs, settings.ispellHash);
    SettingsDialog dialog(parent, ValuesFromSettings(settings, spell), choices, prompt);
    dialog.SetInstallDir(installDir);
    auto* packages = new PackagesSettingsPage(dialog.GetBookCtrl(), profile);
    dialog.AddExtraPage(packages, "Packages");
    if (dialog.ShowModal() != wxID_OK)
        return false;
    packages->Save();
    ApplyValues(dialog.Values(), settings, spell);
    if (!SaveSpellOptions(profile, spell) && output)
        output->AppendOutput("Could not register TeXSpell options.\n");
    return true;
}

}  // namespace quirn::gui

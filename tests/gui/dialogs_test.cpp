// The Settings dialog, the INITeX dialog and the format controls. The value transfer
// runs without a display; the window checks run this test program again under a
// virtual display (xvfb-run) and build the windows there without showing them.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/bookctrl.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/frame.h>
#include <wx/init.h>
#include <wx/menu.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "app/profile.h"
#include "app/settings.h"
#include "gui/format_controls.h"
#include "gui/initex_dialog.h"
#include "gui/settings_dialog.h"
#include "gui/settings_values.h"
#include "gui/window_system.h"
#include "platform/settings_store.h"
#include "platform/user_prompt.h"
#include "support/test_support.h"
#include "typeset/formats.h"

namespace quirn::gui {
namespace {

using test::RunCommand;
using test::TempDir;

// ---------------------------------------------------------------- without a display

TEST(SettingsValues, OkWritesThePageMembersBackAndLeavesEveryOtherMemberAlone) {
    Settings record;
    record.texEngine = "tex";
    record.dviMagnification = 40;  // out of range: shown as the default step
    record.viewMagH = 123;         // edited by no page
    SpellOptions spell;
    SettingsPageValues v = ValuesFromSettings(record, spell);
    EXPECT_EQ(v.typesetting.engine, "tex");
    EXPECT_EQ(v.viewer.magnification, 10);

    v.editor.wordWrap = false;
    v.editor.commandColor = 0x123456;
    v.typesetting.engine = "pdfetex";
    v.viewer.magnification = kMagnificationFitPage;
    v.spell.options.ignoreComments = 1;
    v.spell.dictionary = "british";
    v.bibtex.bibInput = "/bib";
    v.advanced.psRender = 3;
    v.advanced.psRenderCmd = "gs %DPI";
    ApplyValues(v, record, spell);
    EXPECT_EQ(record.wordWrap, 0);
    EXPECT_EQ(record.commandColor, 0x123456);
    EXPECT_EQ(record.texEngine, "pdfetex");
    EXPECT_EQ(record.dviMagnification, 12);
    EXPECT_EQ(spell.ignoreComments, 1);
    EXPECT_EQ(record.ispellHash, "british");
    EXPECT_EQ(record.bibInput, "/bib");
    EXPECT_EQ(record.psRender, 3);
    EXPECT_EQ(record.psRenderCmd, "gs %DPI");
    EXPECT_EQ(record.viewMagH, 123);
    // Taking the values again gives what was written.
    EXPECT_EQ(ValuesFromSettings(record, spell), v);

    // The spelling options live in their own section, with defaults for missing keys.
    auto store = MakeMemoryStore();
    Profile profile(*store);
    EXPECT_EQ(LoadSpellOptions(profile), SpellOptions{});
    ASSERT_TRUE(SaveSpellOptions(profile, spell));
    EXPECT_EQ(profile.GetInt("TeXSpell", "IgnoreComments", -1), 1);
    EXPECT_EQ(LoadSpellOptions(profile), spell);
}

TEST(SettingsValues, SizesColoursEnginesAndDictionaries) {
    EXPECT_EQ(ThousandthsText(8500), "8.5");
    EXPECT_EQ(ThousandthsText(21000), "21");
    EXPECT_EQ(ThousandthsText(8268), "8.268");
    EXPECT_EQ(ParseThousandths(" 8.5 "), 8500);
    EXPECT_FALSE(ParseThousandths("").has_value());
    EXPECT_FALSE(ParseThousandths("8.5in").has_value());
    EXPECT_FALSE(ParseThousandths("-1").has_value());
    EXPECT_FALSE(ParseThousandths("0").has_value());
    EXPECT_EQ(ConvertThousandths(8500, 0, 1), 21590);
    EXPECT_EQ(ConvertThousandths(21590, 1, 0), 8500);
    EXPECT_EQ(PageSizes().at(static_cast<size_t>(CustomPageSizeIndex())).width, 0);
    EXPECT_EQ(RulerUnitNames().at(3), "Points");

    Rgb c = RgbFromColorRef(0x00332211);
    EXPECT_EQ(c.red, 0x11);
    EXPECT_EQ(c.green, 0x22);
    EXPECT_EQ(c.blue, 0x33);
    EXPECT_EQ(ColorRefFromRgb(c), 0x00332211);

    TempDir dir;
    std::vector<std::string> engines = UsableEngines(dir.Path() + "/", "mytex");
    EXPECT_EQ(engines.front(), "pdfetex");  // TeX Live's engines are on PATH here
    EXPECT_EQ(engines.back(), "mytex");     // the current one is always offered
    dir.Write("a/british.hash", "");
    dir.Write("a/notes.txt", "");
    dir.Write("b/american.hash", "");
    EXPECT_EQ(DictionaryNames({dir.File("a"), dir.File("b"), dir.File("none")}, "american"),
              (std::vector<std::string>{"american", "british"}));
}

// ---------------------------------------------------------------- on a virtual display

using test_window::RanUnderXvfb;
using test_window::StartWindowSystem;

// Every label of the controls below `window`, and the controls by label.
void CollectLabels(wxWindow* window, std::set<std::string>& labels) {
    for (wxWindow* child : window->GetChildren()) {
        if (wxDynamicCast(child, wxStaticText) || wxDynamicCast(child, wxCheckBox) ||
            wxDynamicCast(child, wxButton) || wxDynamicCast(child, wxStaticBox)) {
            labels.insert(child->GetLabel().utf8_string());
        }
        CollectLabels(child, labels);
    }
}

template <class T>
T* FindByLabel(wxWindow* window, const std::string& label) {
    for (wxWindow* child : window->GetChildren()) {
        if (T* hit = wxDynamicCast(child, T); hit && child->GetLabel().utf8_string() == label)
            return hit;
        if (T* deeper = FindByLabel<T>(child, label))
            return deeper;
    }
    return nullptr;
}

TEST(DialogWindows, SettingsDialogHasItsSixPagesAndTransfersOnlyOnOk) {
    if (RanUnderXvfb())
        return;
    StartWindowSystem();
    Settings record;
    SettingsPageValues values = ValuesFromSettings(record, SpellOptions{});
    SettingsDialogChoices choices{{"pdfetex", "tex"}, {"american", "british"}};
    ScriptedPrompt prompt;
    {
        SettingsDialog dialog(nullptr, values, choices, prompt);
        wxBookCtrlBase* book = dialog.GetBookCtrl();
        ASSERT_EQ(book->GetPageCount(), 6u);
        std::vector<std::string> titles;
        for (size_t i = 0; i < book->GetPageCount(); ++i)
            titles.push_back(book->GetPageText(i).utf8_string());
        EXPECT_EQ(titles,
                  (std::vector<std::string>{"Editor", "Typesetting", "Viewer", "TeXSpell Options",
                                            "BibTeX Arguments", "Advanced Options"}));
        std::set<std::string> labels;
        CollectLabels(&dialog, labels);
        for (const char* label : {"&Word Wrap",
                                  "&Chromacoding",
                                  "Auto-co&mplete commands",
                                  "Automatic Spell Chec&k",
                                  "&Emacs-style Delete Line",
                                  "Automatically check for e&xternal modification",
                                  "&Selection Column",
                                  "Change &Font && Colors",
                                  "Smart Typesetter (auto view && error guidance)",
                                  "Auto-Save Editor files on Typeset",
                                  "Typesetting Engine:",
                                  "8-bit support",
                                  "Maximize View on Open",
                                  "Scan For Color on Open",
                                  "Orientation:",
                                  "Magnification:",
                                  "Page Size:",
                                  "Custom Size:",
                                  "Use Bounding Box",
                                  "Advance",
                                  "page(s) in 2-up viewing",
                                  "Ruler units",
                                  "Option string:",
                                  "BIBINPUT:",
                                  "BSTINPUT:",
                                  "CSFINPUT:",
                                  "CSF File:",
                                  "Restore Standard Defaults",
                                  "MakeIndex:",
                                  "Dvips:",
                                  "Postscript Renderer:",
                                  "File MRU Count",
                                  "&Enable Internet access",
                                  "Fix Shell/Explorer Associations"}) {
            EXPECT_TRUE(labels.count(label)) << label;
        }

        // Edits, then "Restore Standard Defaults" on the BibTeX page, then OK.
        FindByLabel<wxCheckBox>(&dialog, "&Word Wrap")->SetValue(false);
        EXPECT_TRUE(dialog.Values().editor.wordWrap);  // nothing taken before OK
        auto* bibPage = book->GetPage(4);
        std::vector<wxTextCtrl*> boxes;
        for (wxWindow* child : bibPage->GetChildren()) {
            if (auto* box = wxDynamicCast(child, wxTextCtrl))
                boxes.push_back(box);
        }
        ASSERT_EQ(boxes.size(), 5u);
        EXPECT_EQ(boxes[0]->GetValue(), "-8");
        boxes[0]->ChangeValue("-min-crossrefs=3");
        boxes[1]->ChangeValue("/bibs");
        wxCommandEvent click(wxEVT_BUTTON);
        FindByLabel<wxButton>(&dialog, "Restore Standard Defaults")->ProcessWindowEvent(click);
        EXPECT_EQ(boxes[0]->GetValue(), "-8");
        EXPECT_EQ(boxes[1]->GetValue(), "");
        boxes[2]->ChangeValue("/bst");
        ASSERT_TRUE(dialog.TransferDataFromWindow());
        EXPECT_FALSE(dialog.Values().editor.wordWrap);
        EXPECT_EQ(dialog.Values().bibtex.bstInput, "/bst");
        EXPECT_EQ(dialog.Values().bibtex.options, "-8");

        // A custom size that is not a number refuses OK with a message.
        wxTextCtrl* width = nullptr;
        for (wxWindow* child : book->GetPage(2)->GetChildren()) {
            if (auto* box = wxDynamicCast(child, wxTextCtrl); box && !width)
                width = box;
        }
        ASSERT_NE(width, nullptr);
        width->ChangeValue("wide");
        EXPECT_FALSE(dialog.TransferDataFromWindow());
        ASSERT_EQ(prompt.messages.size(), 1u);
    }
}

TEST(DialogWindows, IniTexDialogKeepsEmptyNamesOutAndStoresTheFileOfItsKind) {
    if (RanUnderXvfb())
        return;
    StartWindowSystem();
    auto store = MakeMemoryStore();
    Profile profile(*store);
    profile.WriteText("IniTexPlain", "FormatFile", "myplain");
    IniTexDialog state(profile);
    ScriptedPrompt errors;
    IniTexDialogWindow dialog(nullptr, state, errors);
    EXPECT_EQ(dialog.GetTitle(), "INITeX");
    EXPECT_EQ(dialog.MacroFileBox()->GetValue(), "LATEX.LTX");
    std::set<std::string> labels;
    CollectLabels(&dialog, labels);
    for (const char* label :
         {"Macros", "Macro file name", "Enable Multilingual TeX extensions", "INITeX", "Cancel"})
        EXPECT_TRUE(labels.count(label)) << label;

    dialog.ChooseKind(IniTexDialog::Kind::Plain);
    EXPECT_EQ(dialog.MacroFileBox()->GetValue(), "myplain");
    dialog.ChooseKind(IniTexDialog::Kind::Other);
    EXPECT_EQ(dialog.MacroFileBox()->GetValue(), "");
    EXPECT_FALSE(dialog.PressIniTeX());
    EXPECT_EQ(errors.messages, std::vector<std::string>{"No Format file specified"});

    dialog.MacroFileBox()->ChangeValue("mymacros.ini");
    dialog.MultilingualBox()->SetValue(true);
    EXPECT_TRUE(dialog.PressIniTeX());
    EXPECT_EQ(profile.GetText("IniTexOther", "FormatFile", ""), "mymacros.ini");
    EXPECT_EQ(state.macroFile, "mymacros.ini");
    EXPECT_EQ(state.ExtraOptions(), "--mltex");
}

TEST(DialogWindows, FormatMenuAndBoxFollowTheListAndItsSelection) {
    if (RanUnderXvfb())
        return;
    StartWindowSystem();
    TempDir dir;
    DataRoots roots;
    roots.installDir = roots.tdsPath = roots.userDataPath = roots.varDataPath = dir.Path() + "/";
    auto store = MakeMemoryStore();
    Profile profile(*store);
    Settings settings;
    settings.texEngine = "tex";
    ScriptedPrompt prompt;
    Formats formats(roots, profile, settings, prompt);
    bool listReady = false;

    auto* frame = new wxFrame(nullptr, wxID_ANY, "formats");
    auto* formatMenu = new wxMenu;
    auto* modeMenu = new wxMenu;
    auto* bar = new wxMenuBar;
    bar->Append(formatMenu, "&Typeset Format");
    bar->Append(modeMenu, "&Options");
    frame->SetMenuBar(bar);
    auto* formatBox = new wxChoice(frame, wxID_ANY);
    auto* modeBox = new wxChoice(frame, wxID_ANY);
    FormatServices services;
    services.formats = [&]() { return listReady ? &formats : nullptr; };
    services.settings = &settings;
    auto controls =
        std::make_unique<FormatControls>(frame, formatMenu, formatBox, modeMenu, modeBox, services);
    std::vector<std::string> told;
    controls->onFormatChosen = [&](const std::string& name) { told.push_back(name); };

    // Before the list exists, and with an empty formats directory.
    EXPECT_EQ(formatMenu->GetMenuItemCount(), 1u);
    EXPECT_EQ(formatMenu->FindItemByPosition(0)->GetItemLabelText(), "No Formats Available");
    EXPECT_EQ(formatBox->GetString(0), "No Formats");
    listReady = true;
    formats.BuildFormatList();
    EXPECT_FALSE(controls->SyncIfChanged());

    const std::string fmtDir = formats.FormatsDir();
    dir.Write(fmtDir.substr(dir.Path().size() + 1) + "/latex.fmt", "");
    dir.Write(fmtDir.substr(dir.Path().size() + 1) + "/plain.fmt", "");
    formats.BuildFormatList();
    ASSERT_TRUE(controls->SyncIfChanged());
    ASSERT_EQ(formatMenu->GetMenuItemCount(), 2u);
    EXPECT_EQ(formatMenu->FindItemByPosition(0)->GetItemLabelText(), "   LaTeX");
    EXPECT_EQ(formatMenu->FindItemByPosition(1)->GetItemLabelText(), "   Plain TeX");
    EXPECT_EQ(formatMenu->FindItemByPosition(1)->GetHelp(), "Select this format for typesetting");
    EXPECT_EQ(formatBox->GetCount(), 2u);

    // The box chooses plain; the menu's check follows and the project is told.
    wxCommandEvent choose(wxEVT_CHOICE, formatBox->GetId());
    choose.SetEventObject(formatBox);
    choose.SetInt(1);
    formatBox->SetSelection(1);
    formatBox->ProcessWindowEvent(choose);
    EXPECT_EQ(formats.List().SelectedName(), "plain");
    EXPECT_TRUE(formatMenu->IsChecked(kFormatMenuFirstId + 1));
    EXPECT_EQ(told, std::vector<std::string>{"plain"});

    // A rebuild after a build keeps the selection by name even though plain moved.
    dir.Write(fmtDir.substr(dir.Path().size() + 1) + "/amsplain.fmt", "");
    formats.BuildFormatList();
    ASSERT_TRUE(controls->SyncIfChanged());
    ASSERT_EQ(formatBox->GetCount(), 3u);
    EXPECT_EQ(formatBox->GetStringSelection(), "   Plain TeX");
    EXPECT_TRUE(formatMenu->IsChecked(kFormatMenuFirstId + formats.List().Selected()));

    // The menu command of format 0, and the output mode.
    wxCommandEvent menu(wxEVT_MENU, kFormatMenuFirstId);
    frame->ProcessWindowEvent(menu);
    EXPECT_EQ(formatBox->GetSelection(), 0);
    EXPECT_TRUE(modeMenu->IsChecked(controls->DviModeId()));
    wxCommandEvent pdf(wxEVT_MENU, controls->PdfModeId());
    frame->ProcessWindowEvent(pdf);
    EXPECT_EQ(settings.mode, "PDF");
    EXPECT_EQ(modeBox->GetStringSelection(), "PDF");
    settings.mode = "DVI";  // a project opened in DVI mode
    EXPECT_TRUE(controls->SyncIfChanged());
    EXPECT_TRUE(modeMenu->IsChecked(controls->DviModeId()));

    controls.reset();
    frame->Destroy();
}

}  // namespace
}  // namespace quirn::gui

// The Settings dialog, the INITeX dialog and the format controls, built under a
// virtual display (the test program runs itself again through xvfb-run) without
// showing them.
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
#include <wx/utils.h>

#include <cstdlib>
#include <filesystem>
#include <set>

#include "app/profile.h"
#include "app/settings.h"
#include "app/settings_values.h"
#include "gui/format_controls.h"
#include "gui/initex_dialog.h"
#include "gui/settings_dialog.h"
#include "gui/window_system.h"
#include "platform/settings_store.h"
#include "platform/user_prompt.h"
#include "support/test_support.h"
#include "typeset/formats.h"

namespace quirn::gui {
namespace {

using test::RunCommand;
using test::TempDir;

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

TEST(DialogWindows, SettingsDialogHasItsSevenPagesAndTransfersOnlyOnOk) {
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
        ASSERT_EQ(book->GetPageCount(), 7u);
        std::vector<std::string> titles;
        for (size_t i = 0; i < book->GetPageCount(); ++i)
            titles.push_back(book->GetPageText(i).utf8_string());
        EXPECT_EQ(titles,
                  (std::vector<std::string>{"Editor", "Typesetting", "Viewer", "TeXSpell Options",
                                            "BibTeX Arguments", "Advanced Options", "PostScript"}));
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
                                  "BIBINPUTS:",
                                  "BSTINPUTS:",
                                  "CSFINPUT:",
                                  "CSF File:",
                                  "Restore Standard Defaults",
                                  "MakeIndex:",
                                  "Dvips:",
                                  "PostScript Renderer:",
                                  "Recent files:",
                                  "&Enable Internet access",
                                  "Make Quirn the Desktop's Program for TeX Files",
                                  "Draw PostScript in &colour",
                                  "&Smooth PostScript text and graphics",
                                  "&Figure folders:"}) {
            EXPECT_TRUE(labels.count(label)) << label;
        }
        // The PostScript page's colour, smoothing and folders reach the values.
        FindByLabel<wxCheckBox>(&dialog, "Draw PostScript in &colour")->SetValue(true);
        std::vector<wxTextCtrl*> folders;
        for (wxWindow* child : book->GetPage(6)->GetChildren()) {
            if (auto* box = wxDynamicCast(child, wxTextCtrl))
                folders.push_back(box);
        }
        ASSERT_EQ(folders.size(), 4u);  // the command, then the three folder lists
        folders[3]->ChangeValue("/figs;./pictures");

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
        EXPECT_TRUE(dialog.Values().advanced.psColor);
        EXPECT_FALSE(dialog.Values().advanced.psAlias);
        EXPECT_EQ(dialog.Values().advanced.figurePath,
                  (std::vector<std::string>{"/figs", "./pictures"}));

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

// What a Linux user reads: no names of another system's parts, the variables BibTeX
// really reads, the PostScript renderers that exist here, every tab label in view, and
// an associations button that registers Quirn with the desktop.
TEST(DialogWindows, SettingsDialogSpeaksLinuxShowsEveryTabAndRegistersWithTheDesktop) {
    if (RanUnderXvfb())
        return;
    StartWindowSystem();
    TempDir dir;
    test::ScopedEnvironment data;
    data.Set("XDG_DATA_HOME", dir.File("data"));
    test::ScopedEnvironment config;
    config.Set("XDG_CONFIG_HOME", dir.File("config"));
    Settings record;
    record.psRender = 0;  // a renderer that does not exist here
    SettingsPageValues values = ValuesFromSettings(record, SpellOptions{});
    SettingsDialogChoices choices{{"pdfetex", "tex"}, {"american"}};
    ScriptedPrompt prompt;
    SettingsDialog dialog(nullptr, values, choices, prompt);

    std::set<std::string> texts;
    CollectLabels(&dialog, texts);
    std::vector<wxWindow*> pending{&dialog};
    while (!pending.empty()) {
        wxWindow* w = pending.back();
        pending.pop_back();
        if (auto* choice = wxDynamicCast(w, wxChoice)) {
            for (const wxString& item : choice->GetStrings())
                texts.insert(item.utf8_string());
        }
        for (wxWindow* child : w->GetChildren())
            pending.push_back(child);
    }
    for (const std::string& text : texts) {
        for (const char* word :
             {"Explorer", "Shell", "Jaws", "MRU", "BIBINPUT:", "BSTINPUT:", "egistry", "Courier"})
            EXPECT_EQ(text.find(word), std::string::npos) << text;
    }
    for (const char* label : {"BIBINPUTS:", "BSTINPUTS:", "Recent files:", "PostScript Renderer:"})
        EXPECT_TRUE(texts.count(label)) << label;
    EXPECT_TRUE(texts.count("Ghostscript (installed)"));

    // The renderer keeps its stored numbers: "Other command:" is 3, and the missing
    // interpreter's 0 becomes Quirn's own Ghostscript (1).
    ASSERT_TRUE(dialog.TransferDataFromWindow());
    EXPECT_EQ(dialog.Values().advanced.psRender, 1);
    SettingsPageValues other = values;
    other.advanced.psRender = 3;
    {
        SettingsDialog second(nullptr, other, choices, prompt);
        ASSERT_TRUE(second.TransferDataFromWindow());
        EXPECT_EQ(second.Values().advanced.psRender, 3);
    }

    // Every tab can be hit along the tab row once the dialog is shown.
    dialog.Show();
    for (int i = 0; i < 20; ++i) {
        wxYield();
        wxMilliSleep(20);
    }
    wxBookCtrlBase* book = dialog.GetBookCtrl();
    std::set<int> seen;
    for (int y = 2; y < 40; y += 4) {
        for (int x = 0; x < book->GetSize().GetWidth(); x += 3) {
            int hit = book->HitTest(wxPoint(x, y));
            if (hit != wxNOT_FOUND)
                seen.insert(hit);
        }
    }
    EXPECT_EQ(seen.size(), 7u) << "dialog width " << dialog.GetSize().GetWidth();

    wxCommandEvent click(wxEVT_BUTTON);
    FindByLabel<wxButton>(&dialog, "Make Quirn the Desktop's Program for TeX Files")
        ->ProcessWindowEvent(click);
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].rfind("Quirn now opens", 0), 0u) << prompt.messages[0];
    EXPECT_TRUE(std::filesystem::exists(dir.File("data/applications/quirn.desktop")));
    dialog.Hide();
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
    EXPECT_EQ(state.ExtraOptions(), std::vector<std::string>{"--mltex"});
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

#include "gui/tools_menu.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/dialog.h>
#include <wx/filedlg.h>
#include <wx/listbox.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include <vector>

#include "app/settings.h"
#include "gui/command_ids.h"
#include "gui/editor_view.h"
#include "gui/gui_services.h"
#include "gui/main_frame.h"
#include "gui/page_view_window.h"
#include "gui/typeset_bridge.h"
#include "platform/paths.h"
#include "process/process_list.h"
#include "process/program_start.h"
#include "typeset/tool_runner.h"

namespace quirn::gui {

namespace {

const char* const kMenuLabel = "Too&ls";
enum { kIdBibTeX = wxID_HIGHEST + 950, kIdMakeIndex, kIdCustomize };
// Where the user tools begin in the menu: after BibTeX, MakeIndex, Customize and a
// separator.
constexpr size_t kFixedItems = 4;

// The toolkit's filter for a runner filter ("TEXT|PATTERN|...||").
wxString DialogFilter(const std::string& filter) {
    std::string f = filter;
    while (!f.empty() && f.back() == '|')
        f.pop_back();
    return wxString::FromUTF8(f);
}

class WindowToolSeams : public ToolSeams {
  public:
    ToolDocument ActiveDocument() override {
        wxDocument* doc = Services().Documents().GetCurrentDocument();
        if (auto* tex = wxDynamicCast(doc, CQuirnWinDoc))
            return {ToolDocument::TeX, tex->Path()};
        if (auto* dvi = wxDynamicCast(doc, CDVIWinDoc))
            return {ToolDocument::Dvi, dvi->GetFilename().utf8_string()};
        return {doc ? ToolDocument::Other : ToolDocument::None, {}};
    }
    std::string MainFileOfCurrentProject() override {
        ToolDocument doc = ActiveDocument();
        if (doc.path.empty())
            return {};
        return Services().Typeset().MainFileFor(doc.path);
    }
    std::string ChooseFile(const std::string& title, const std::string& filter,
                           const std::string& folder) override {
        wxFileDialog dialog(Services().MainFrame(), wxString::FromUTF8(title),
                            wxString::FromUTF8(folder), "", DialogFilter(filter),
                            wxFD_OPEN | wxFD_FILE_MUST_EXIST);
        if (dialog.ShowModal() != wxID_OK)
            return {};
        return dialog.GetPath().utf8_string();
    }
    void Beep() override { wxBell(); }
};

// Detached tools that may still run; collected as they end.
std::vector<pid_t>& StartedTools() {
    static std::vector<pid_t> pids;
    return pids;
}

void RunTool(const ToolRecord& tool) {
    GuiServices& services = Services();
    WindowToolSeams seams;
    std::optional<ToolLaunch> launch = PrepareTool(tool, services.App().Roots(), seams);
    if (!launch)
        return;
    if (launch->capture) {
        ProcessList* processes = services.Typeset().Processes();
        StartOptions options;
        options.extraEnvironment = launch->environment;
        if (CMainFrame* frame = services.MainFrame())
            frame->ShowOutput(true);
        if (!processes ||
            !processes->StartProcess(launch->arguments, launch->workingDirectory, options))
            services.Prompt().ShowMessage("Could not start " + launch->commandLine);
        return;
    }
    std::vector<pid_t>& started = StartedTools();
    ReapEndedPrograms(started);
    pid_t pid = StartProgram(launch->arguments, services.App().Roots().installDir,
                             launch->workingDirectory, services.App().StartupEnvironment(), true);
    if (pid < 0)
        services.Prompt().ShowMessage("Could not start " + launch->commandLine);
    else
        started.push_back(pid);
}

// The setup dialog: the stored tools, added by choosing a program, edited and removed.
class ToolsSetupDialog : public wxDialog {
  public:
    explicit ToolsSetupDialog(wxWindow* parent)
        : wxDialog(parent, wxID_ANY, "Customize Tools"),
          tools_(LoadTools(Services().App().GetProfile())) {
        auto* top = new wxBoxSizer(wxHORIZONTAL);
        list_ = new wxListBox(this, wxID_ANY, wxDefaultPosition, wxSize(200, 220));
        top->Add(list_, 1, wxALL | wxEXPAND, 6);
        auto* fields = new wxFlexGridSizer(2, 4, 4);
        auto field = [&](const char* label) {
            fields->Add(new wxStaticText(this, wxID_ANY, label), 0, wxALIGN_CENTER_VERTICAL);
            auto* text = new wxTextCtrl(this, wxID_ANY, "", wxDefaultPosition, wxSize(260, -1));
            fields->Add(text, 1, wxEXPAND);
            return text;
        };
        menuText_ = field("&Menu text:");
        command_ = field("&Command:");
        parameters_ = field("&Arguments:");
        directory_ = field("&Initial directory:");
        fields->Add(new wxStaticText(this, wxID_ANY, "&File argument:"), 0,
                    wxALIGN_CENTER_VERTICAL);
        fileArgument_ = new wxChoice(this, wxID_ANY);
        for (const char* c : {"None", "%t  full path", "%p  choose a file", "%v  DVI file"})
            fileArgument_->Append(c);
        fields->Add(fileArgument_, 1, wxEXPAND);
        auto* right = new wxBoxSizer(wxVERTICAL);
        right->Add(fields, 0, wxALL, 6);
        auto* row = new wxBoxSizer(wxHORIZONTAL);
        auto* add = new wxButton(this, wxID_ADD, "&Add...");
        auto* remove = new wxButton(this, wxID_REMOVE, "&Remove");
        row->Add(add, 0, wxALL, 3);
        row->Add(remove, 0, wxALL, 3);
        right->Add(row, 0, wxALL, 3);
        right->AddStretchSpacer();
        right->Add(CreateButtonSizer(wxOK | wxCANCEL), 0, wxALL | wxEXPAND, 6);
        top->Add(right, 0, wxEXPAND);
        SetSizerAndFit(top);

        for (const ToolRecord& t : tools_)
            list_->Append(wxString::FromUTF8(t.menuText));
        list_->Bind(wxEVT_LISTBOX, [this](wxCommandEvent&) { Select(list_->GetSelection()); });
        add->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Add(); });
        remove->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Remove(); });
        Bind(
            wxEVT_BUTTON,
            [this](wxCommandEvent& e) {
                Store();
                e.Skip();
            },
            wxID_OK);
        Select(tools_.empty() ? -1 : 0);
    }

    const std::vector<ToolRecord>& Tools() const { return tools_; }

  private:
    void Store() {
        if (selected_ < 0 || selected_ >= static_cast<int>(tools_.size()))
            return;
        ToolRecord& t = tools_[static_cast<size_t>(selected_)];
        t.menuText = menuText_->GetValue().utf8_string();
        t.commandLine = command_->GetValue().utf8_string();
        t.parameters = parameters_->GetValue().utf8_string();
        t.workingDirectory = directory_->GetValue().utf8_string();
        t.filenameParameter = std::max(0, fileArgument_->GetSelection());
        list_->SetString(static_cast<unsigned>(selected_), wxString::FromUTF8(t.menuText));
    }
    void Select(int index) {
        Store();
        selected_ = index;
        const bool any = index >= 0 && index < static_cast<int>(tools_.size());
        for (wxWindow* w : std::initializer_list<wxWindow*>{menuText_, command_, parameters_,
                                                            directory_, fileArgument_})
            w->Enable(any);
        if (!any)
            return;
        list_->SetSelection(index);
        const ToolRecord& t = tools_[static_cast<size_t>(index)];
        menuText_->ChangeValue(wxString::FromUTF8(t.menuText));
        command_->ChangeValue(wxString::FromUTF8(t.commandLine));
        parameters_->ChangeValue(wxString::FromUTF8(t.parameters));
        directory_->ChangeValue(wxString::FromUTF8(t.workingDirectory));
        fileArgument_->SetSelection(
            t.filenameParameter >= 0 && t.filenameParameter <= 3 ? t.filenameParameter : 0);
    }
    void Add() {
        wxFileDialog dialog(this, "Select Executable File:", "", "",
                            "Programs (*)|*|Shell Scripts (*.sh)|*.sh",
                            wxFD_OPEN | wxFD_FILE_MUST_EXIST);
        if (dialog.ShowModal() != wxID_OK)
            return;
        const std::string program = dialog.GetPath().utf8_string();
        ToolRecord t;
        t.menuText = "&" + FileNameOf(program);
        t.commandLine = program;
        t.workingDirectory = "%w";
        tools_.push_back(t);
        list_->Append(wxString::FromUTF8(t.menuText));
        Select(static_cast<int>(tools_.size()) - 1);
    }
    void Remove() {
        if (selected_ < 0 || selected_ >= static_cast<int>(tools_.size()))
            return;
        tools_.erase(tools_.begin() + selected_);
        list_->Delete(static_cast<unsigned>(selected_));
        selected_ = -1;
        Select(tools_.empty() ? -1 : 0);
    }

    std::vector<ToolRecord> tools_;
    int selected_ = -1;
    wxListBox* list_;
    wxTextCtrl *menuText_, *command_, *parameters_, *directory_;
    wxChoice* fileArgument_;
};

}  // namespace

void RefillToolsMenu(wxMenuBar& bar) {
    const int index = bar.FindMenu(kMenuLabel);
    if (index == wxNOT_FOUND)
        return;
    wxMenu* menu = bar.GetMenu(static_cast<size_t>(index));
    while (menu->GetMenuItemCount() > kFixedItems)
        menu->Destroy(menu->FindItemByPosition(kFixedItems));
    std::vector<ToolRecord> tools = LoadTools(Services().App().GetProfile());
    for (size_t i = 0; i < tools.size() && i < kMaxUserTools; ++i) {
        menu->Append(MenuIdOf(kToolCommandBase + static_cast<int>(i)),
                     wxString::FromUTF8(tools[i].menuText));
    }
}

void InstallToolsMenu(wxFrame& frame, wxMenuBar& bar) {
    auto* menu = new wxMenu;
    menu->Append(kIdBibTeX, "&BibTeX");
    menu->Append(kIdMakeIndex, "&MakeIndex");
    menu->Append(kIdCustomize, "&Customize...");
    menu->AppendSeparator();
    const int help = bar.FindMenu("&Help");
    if (help == wxNOT_FOUND)
        bar.Append(menu, kMenuLabel);
    else
        bar.Insert(static_cast<size_t>(help), menu, kMenuLabel);

    frame.Bind(
        wxEVT_MENU, [](wxCommandEvent&) { RunTool(BibTeXTool(Services().App().Record())); },
        kIdBibTeX);
    frame.Bind(
        wxEVT_MENU, [](wxCommandEvent&) { RunTool(MakeIndexTool(Services().App().Record())); },
        kIdMakeIndex);
    frame.Bind(
        wxEVT_MENU,
        [&frame, &bar](wxCommandEvent&) {
            ToolsSetupDialog dialog(&frame);
            if (dialog.ShowModal() != wxID_OK)
                return;
            if (!SaveTools(Services().App().GetProfile(), dialog.Tools()))
                Services().Prompt().ShowMessage("The tools could not be stored.");
            RefillToolsMenu(bar);
        },
        kIdCustomize);
    frame.Bind(
        wxEVT_MENU,
        [](wxCommandEvent& e) {
            const int index = CommandOfMenuId(e.GetId()) - kToolCommandBase;
            std::vector<ToolRecord> tools = LoadTools(Services().App().GetProfile());
            if (index < 0 || index >= static_cast<int>(tools.size()))
                return;
            ToolRecord tool = tools[static_cast<size_t>(index)];
            tool.capture = false;
            tool.project = false;
            RunTool(tool);
        },
        MenuIdOf(kToolCommandBase), MenuIdOf(kToolCommandBase + kMaxUserTools - 1));
}

}  // namespace quirn::gui

#include "gui/test_script.h"

#include <wx/accel.h>
#include <wx/app.h>
#include <wx/time.h>
#include <wx/uiaction.h>

#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "gui/command_ids.h"
#include "gui/editor_view.h"
#include "gui/gui_services.h"
#include "gui/main_frame.h"
#include "gui/page_view_window.h"
#include "gui/project_menus.h"
#include "gui/spelling.h"
#include "gui/typeset_bridge.h"
#include "platform/paths.h"

namespace quirn::gui {

namespace {

long long NowMs() {
    return wxGetLocalTimeMillis().GetValue();
}

void Say(const std::string& text) {
    std::printf("script: %s\n", text.c_str());
    std::fflush(stdout);
}

// The window of the active view that takes the mouse and the keys: the editing
// component or the page canvas.
wxWindow* ActiveViewWindow(wxView* view) {
    if (auto* editor = wxDynamicCast(view, CQuirnWinView))
        return editor->Editor();
    if (auto* pages = wxDynamicCast(view, CBaseView))
        return pages->Canvas();
    return nullptr;
}

// Puts the pointer in the middle of `window`, as a user's hand would before a click or
// before typing (without a window manager the keys go to the window under the pointer).
bool PointAt(wxUIActionSimulator& sim, wxWindow* window) {
    if (!window)
        return false;
    wxSize size = window->GetClientSize();
    return sim.MouseMove(window->ClientToScreen(wxPoint(size.x / 2, size.y / 2)));
}

}  // namespace

bool ScriptRunner::Load(const std::string& path) {
    std::ifstream in(path);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] != '#')
            steps_.push_back(line);
    }
    return true;
}

void ScriptRunner::Step() {
    // A step that lets events through (a screenshot waits for the repaint) must not
    // start the next one from inside it.
    if (busy_)
        return;
    busy_ = true;
    while (Active()) {
        if (NowMs() < waitUntil_ || !RunStep(steps_[next_]))
            break;
        ++next_;
    }
    busy_ = false;
}

// The number a step names; false (the step is reported and skipped) when it is none.
static bool ScriptNumber(const std::string& text, long& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

bool ScriptRunner::RunStep(const std::string& step) {
    std::istringstream words(step);
    std::string verb;
    words >> verb;
    std::string rest;
    std::getline(words, rest);
    if (!rest.empty() && rest[0] == ' ')
        rest.erase(0, 1);
    GuiServices& app = Services();
    wxView* view = app.Documents().GetCurrentView();
    long number = 0;
    bool numbered = verb == "menu" || verb == "wait" || verb == "goto-line" || verb == "problem" ||
                    verb == "fold";
    if (numbered && !ScriptNumber(rest, number)) {
        Say("bad step: " + step);
        return true;
    }
    if (verb == "open") {
        // Relative names are relative to the folder the program was started in.
        app.Documents().CreateDocument(wxString::FromUTF8(AbsolutePath(rest, StartFolder())),
                                       wxDOC_SILENT);
    } else if (verb == "menu") {
        if (CMainFrame* frame = app.MainFrame()) {
            wxCommandEvent e(wxEVT_MENU, MenuIdOf(static_cast<int>(number)));
            e.SetEventObject(frame);
            frame->ProcessWindowEvent(e);
        }
    } else if (verb == "typeset") {
        app.Typeset().TypesetActiveDocument();
    } else if (verb == "wait-typeset") {
        Typesetter* t = app.Typeset().GetTypesetter();
        if (t && t->Busy())
            return false;
    } else if (verb == "wait") {
        waitUntil_ = NowMs() + number;  // the next step waits for it
    } else if (verb == "insert") {
        if (auto* editor = wxDynamicCast(view, CQuirnWinView)) {
            std::string text = rest;
            for (std::size_t p = text.find("\\n"); p != std::string::npos; p = text.find("\\n"))
                text.replace(p, 2, "\n");
            editor->Editor()->AddTextRaw(text.data(), static_cast<int>(text.size()));
        }
    } else if (verb == "goto-line") {
        if (auto* editor = wxDynamicCast(view, CQuirnWinView))
            editor->GoToLine(static_cast<int>(number));
    } else if (verb == "editor-font") {
        // The editor font by face name, as the font dialog sets it.
        if (auto* editor = wxDynamicCast(view, CQuirnWinView)) {
            app.App().Record().screenFont.faceName = rest;
            editor->ApplySettings();
        }
    } else if (verb == "line-width") {
        // The drawn width of the caret's line, in pixels.
        if (auto* editor = wxDynamicCast(view, CQuirnWinView)) {
            wxStyledTextCtrl* stc = editor->Editor();
            const int line = stc->GetCurrentLine();
            const int start = stc->PointFromPosition(stc->PositionFromLine(line)).x;
            const int end = stc->PointFromPosition(stc->GetLineEndPosition(line)).x;
            Say("line-width: " + std::to_string(end - start));
        }
    } else if (verb == "window-menu") {
        if (CMainFrame* frame = app.MainFrame(); frame && frame->GetWindowMenu()) {
            frame->UpdateWindowList();
            for (wxMenuItem* item : frame->GetWindowMenu()->GetMenuItems()) {
                if (!item->IsSeparator())
                    Say(std::string("window-item: ") +
                        (item->IsCheckable() && item->IsChecked() ? "* " : "") +
                        item->GetItemLabel().utf8_string());
            }
        }
    } else if (verb == "panes") {
        Panes();
    } else if (verb == "right-click") {
        // Real events through the display server, as a mouse would make them.
        wxUIActionSimulator sim;
        if (!PointAt(sim, ActiveViewWindow(view)) || !sim.MouseClick(wxMOUSE_BTN_RIGHT))
            Say("cannot click: " + step);
    } else if (verb == "key") {
        wxAcceleratorEntry key;
        if (!key.FromString(wxString::FromUTF8("\t" + rest))) {
            Say("bad step: " + step);
            return true;
        }
        wxUIActionSimulator sim;
        if (wxWindow* window = ActiveViewWindow(view))
            PointAt(sim, window);
        if (!sim.Char(key.GetKeyCode(), key.GetFlags()))
            Say("cannot type: " + step);
    } else if (verb == "spell-marks" || verb == "spell-menu" || verb == "spell-choose") {
        // Background spelling: the underlined words; the spelling menu of the word at
        // the caret, and a choice from it as a click would make it.
        auto* editor = wxDynamicCast(view, CQuirnWinView);
        EditorSpelling* spelling = editor ? editor->Spelling() : nullptr;
        if (!spelling)
            return true;
        if (verb == "spell-marks") {
            std::string words;
            for (const std::string& w : spelling->MarkedWords())
                words += (words.empty() ? "" : " ") + w;
            Say("spell-marks: " + words);
            return true;
        }
        std::optional<SpellMenu> menu = spelling->MenuAt(editor->Editor()->GetCurrentPos());
        if (verb == "spell-choose") {
            if (menu)
                spelling->Choose(*menu, rest);
            return true;
        }
        std::string items;
        if (menu) {
            for (const std::string& item : menu->suggestions)
                items += item + "|";
            items += std::string(menu->suggestions.empty() ? "No Suggestions|" : "") +
                     "-|Add|Ignore All";
        }
        Say("spell-menu: " + (menu ? items : std::string("none")));
    } else if (verb == "title") {
        if (CMainFrame* frame = app.MainFrame())
            Say("title: " + frame->GetTitle().utf8_string());
    } else if (verb == "problems") {
        // The errors-and-warnings list and the output window's marked line.
        if (CMainFrame* frame = app.MainFrame()) {
            for (const LogEntry& entry : frame->Problems()->Entries())
                Say("problem: " + FormatLogEntry(entry));
            Say("output-mark: " + frame->OutputBar()->MarkedText().utf8_string());
        }
    } else if (verb == "problem") {
        if (CMainFrame* frame = app.MainFrame())
            frame->Problems()->OpenEntry(static_cast<std::size_t>(number));
    } else if (verb == "fold") {
        if (auto* editor = wxDynamicCast(view, CQuirnWinView))
            editor->Editor()->ToggleFold(static_cast<int>(number) - 1);
    } else if (verb == "margins") {
        if (auto* editor = wxDynamicCast(view, CQuirnWinView))
            ReportMargins(editor->Editor());
    } else if (verb == "write-lines") {
        // Another program writes the file: COUNT numbered lines ("write-lines COUNT PATH").
        std::istringstream args(rest);
        long count = 0;
        std::string path;
        if (!(args >> count) || !std::getline(args >> std::ws, path)) {
            Say("bad step: " + step);
            return true;
        }
        std::ofstream out(AbsolutePath(path, StartFolder()), std::ios::binary | std::ios::trunc);
        for (long i = 1; i <= count; ++i)
            out << "line " << i << "\n";
    } else if (verb == "check-external") {
        // What the editor does when it gets the focus back.
        if (auto* editor = wxDynamicCast(view, CQuirnWinView)) {
            if (auto* doc = wxDynamicCast(editor->GetDocument(), CQuirnWinDoc))
                doc->CheckExternalModification();
            Say("first-visible: " + std::to_string(editor->Editor()->GetFirstVisibleLine() + 1));
        }
    } else if (verb == "focus-view") {
        // The keys to the active window, as a click into it gives them.
        if (wxWindow* window = ActiveViewWindow(view))
            window->SetFocus();
    } else if (verb == "source-mark") {
        // The forward-search mark of the active page view.
        if (auto* pages = wxDynamicCast(view, CBaseView); pages && pages->View()) {
            PageView* v = pages->View();
            const CanvasRect r = v->SourceMark();
            const CanvasRect page = v->Layout().PageRect(v->SourceMarkPage());
            Say("source-mark: page " + std::to_string(v->SourceMarkPage() + 1) + " top " +
                std::to_string(page.top + r.top - v->ScrollY()) + " bottom " +
                std::to_string(page.top + r.bottom - v->ScrollY()) + " of " +
                std::to_string(pages->Canvas()->ClientHeight()) + " strength " +
                std::to_string(static_cast<int>(v->SourceMarkStrength() * 100)));
            Say("page-left: " +
                std::to_string(v->Layout().PageRect(v->CurrentPage()).left - v->ScrollX()) +
                " right " +
                std::to_string(pages->Canvas()->ClientWidth() -
                               (v->Layout().PageRect(v->CurrentPage()).right - v->ScrollX())));
        }
    } else if (verb == "report") {
        Report();
    } else if (verb == "screenshot") {
        if (screenshot)
            screenshot(wxString::FromUTF8(AbsolutePath(rest, StartFolder())));
    } else if (RunProjectStep(verb, rest, [this](const std::string& s) { Say(s); })) {
        // projects, the workspace tree, find and word count in the pages
    } else if (verb == "quit") {
        next_ = steps_.size();  // nothing runs after it
        if (CMainFrame* frame = app.MainFrame())
            frame->Close();
        return false;
    }
    return true;
}

// Every document window that takes the keys: its kind, its rectangle on the screen,
// whether it is in sight, and for a page view how far it is scrolled; then which of them
// has the keyboard focus.
void ScriptRunner::Panes() {
    wxWindow* focus = wxWindow::FindFocus();
    std::string focused = "none";
    for (wxDocument* doc : Services().Documents().GetDocumentsVector()) {
        for (wxView* view : doc->GetViewsVector()) {
            wxWindow* window = ActiveViewWindow(view);
            if (!window)
                continue;
            const std::string kind = wxDynamicCast(view, CQuirnWinView) ? "tex" : "viewer";
            const wxRect r = window->GetScreenRect();
            std::string line = kind + " " + std::to_string(r.x) + " " + std::to_string(r.y) + " " +
                               std::to_string(r.width) + " " + std::to_string(r.height) + " " +
                               (window->IsShownOnScreen() ? "shown" : "hidden");
            if (auto* pages = wxDynamicCast(view, CBaseView); pages && pages->View())
                line += " scroll-y " + std::to_string(pages->View()->ScrollY());
            Say("pane: " + line);
            if (focus == window)
                focused = kind;
        }
    }
    Say("focus: " + focused);
}

// The editor's margins: the line-number margin's width, the fold headers, the folded
// lines and the lines with problem marks.
void ScriptRunner::ReportMargins(wxStyledTextCtrl* stc) {
    Say("line-numbers: " + std::to_string(stc->GetMarginWidth(kLineNumberMargin)));
    Say("editor-background: " +
        stc->StyleGetBackground(wxSTC_STYLE_DEFAULT).GetAsString(wxC2S_HTML_SYNTAX).utf8_string());
    Say("caret-line: " + std::to_string(stc->GetCaretLineVisible() ? 1 : 0));
    std::string headers, hidden, marked;
    for (int line = 0; line < stc->GetLineCount(); ++line) {
        if (stc->GetFoldLevel(line) & wxSTC_FOLDLEVELHEADERFLAG)
            headers += " " + std::to_string(line + 1);
        if (!stc->GetLineVisible(line))
            hidden += " " + std::to_string(line + 1);
        if (stc->MarkerGet(line) & ~(1 << 1) & 0x1F)
            marked += " " + std::to_string(line + 1);
    }
    // Lists of line numbers, or "none".
    const auto list = [](const std::string& lines) {
        return lines.empty() ? std::string("none") : lines.substr(1);
    };
    Say("fold-headers: " + list(headers));
    Say("hidden-lines: " + list(hidden));
    Say("marked-lines: " + list(marked));
}

void ScriptRunner::Report() {
    wxView* view = Services().Documents().GetCurrentView();
    if (auto* editor = wxDynamicCast(view, CQuirnWinView)) {
        wxStyledTextCtrl* stc = editor->Editor();
        Say("active: tex " + editor->GetDocument()->GetFilename().utf8_string());
        Say("line: " + std::to_string(stc->GetCurrentLine() + 1));
        Say("modified: " + std::to_string(editor->GetDocument()->IsModified() ? 1 : 0));
    } else if (auto* pages = wxDynamicCast(view, CBaseView)) {
        Say("active: viewer " + pages->GetDocument()->GetFilename().utf8_string());
        if (PageView* v = pages->View()) {
            Say("page: " + std::to_string(v->CurrentPage() + 1));
            Say("resolution: " + std::to_string(v->Resolution()));
            Say("mode: " + std::to_string(v->PageMode()));
            Say("indicator: " + v->PageIndicator());
            Say("zoom: " + v->ZoomIndicator());
            Say("state: " + v->StateText());
            Say("scroll-y: " + std::to_string(v->ScrollY()));
            // How much of the shown client area is ink: a blank page view has none.
            const RasterCanvas& c = pages->Canvas()->Painted();
            long dark = 0;
            for (int y = 0; y < c.Height(); ++y) {
                for (int x = 0; x < c.Width(); ++x) {
                    if ((c.Pixel(x, y) & 0xFF) < 100)
                        ++dark;
                }
            }
            Say("dark: " + std::to_string(dark));
        }
    } else {
        Say("active: none");
    }
}

}  // namespace quirn::gui

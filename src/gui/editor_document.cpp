// The TeX document of an editor window: loading and saving by the document's rules,
// the title, the save questions and the check for changes made outside Quirn.
#include <wx/app.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/mdi.h>
#include <wx/utils.h>

#include <sys/stat.h>
#include <unistd.h>

#include "gui/child_frames.h"
#include "gui/editor_view.h"
#include "gui/gui_services.h"
#include "gui/main_frame.h"
#include "gui/typeset_bridge.h"

namespace quirn::gui {

namespace {

Settings& Record() {
    return Services().App().Record();
}

}  // namespace

wxIMPLEMENT_DYNAMIC_CLASS(CQuirnWinDoc, CScintillaDoc);

// The text lives in the view's component: the holder follows the view and goes with it.
TexDocument* CQuirnWinDoc::Tex() {
    CScintillaView* view = EditorView();
    if (!view) {
        tex_.reset();
        return nullptr;
    }
    if (!tex_ || &tex_->Text() != &view->Buffer()) {
        tex_ = std::make_unique<TexDocument>(view->Buffer());
        tex_->SetPath(path_);
    }
    return tex_.get();
}

bool CQuirnWinDoc::OnCreate(const wxString& path, long flags) {
    if (!wxDocument::OnCreate(path, flags))
        return false;
    // A new view may have been made before the text holder: bind them now.
    Tex();
    // A source opened from a file shows its typeset pages beside it, once it is read.
    if (!path.empty() && !(flags & wxDOC_NEW)) {
        const std::string source = path.utf8_string();
        wxTheApp->CallAfter([source] { Services().Typeset().ShowNewerPages(source); });
    }
    return true;
}

bool CQuirnWinDoc::OnNewDocument() {
    if (!wxDocument::OnNewDocument())
        return false;
    if (TexDocument* tex = Tex())
        tex->Clear();
    return true;
}

bool CQuirnWinDoc::DoOpenDocument(const wxString& file) {
    TexDocument* tex = Tex();
    if (!tex)
        return false;
    std::string error;
    std::string path = file.utf8_string();
    if (!tex->Open(path, &Services().Prompt(), &error)) {
        Services().Prompt().ShowMessage(error.empty() ? "Unable to open " + path : error);
        return false;
    }
    path_ = path;
    // The last run's list may name lines of this file.
    if (CMainFrame* frame = Services().MainFrame())
        frame->Problems()->MarkEditors();
    return true;
}

bool CQuirnWinDoc::DoSaveDocument(const wxString& file) {
    TexDocument* tex = Tex();
    if (!tex)
        return false;
    std::string error;
    if (!tex->Save(file.utf8_string(), &error)) {
        Services().Prompt().ShowMessage(error.empty() ? "Unable to save " + file.utf8_string()
                                                      : error);
        return false;
    }
    path_ = file.utf8_string();
    return true;
}

bool CQuirnWinDoc::IsModified() const {
    wxStyledTextCtrl* editor = Editor();
    return editor ? editor->GetModify() : wxDocument::IsModified();
}

void CQuirnWinDoc::Modify(bool modified) {
    if (!modified) {
        if (wxStyledTextCtrl* editor = Editor())
            editor->SetSavePoint();
    }
    wxDocument::Modify(modified);
    RefreshTitle();
}

void CQuirnWinDoc::RefreshTitle() {
    CScintillaView* view = EditorView();
    auto* frame = view ? wxDynamicCast(view->GetFrame(), wxAuiMDIChildFrame) : nullptr;
    if (!frame)
        return;
    const bool modified = IsModified();
    std::string current = frame->GetTitle().utf8_string();
    if (path_.empty()) {
        // Unnamed: the framework's name ("Untitled1"), with the mark.
        std::string shown = GetUserReadableName().utf8_string() + (modified ? " *" : "");
        if (shown != current)
            frame->SetTitle(wxString::FromUTF8(shown));
        return;
    }
    std::optional<std::string> title = RefreshedTitle(current, path_, modified);
    if (!title && current.empty())
        title = DocumentTitle(path_, modified);
    if (title)
        frame->SetTitle(wxString::FromUTF8(*title));
}

bool CQuirnWinDoc::Save() {
    if (CanSaveInPlace(path_))
        return DoSave(path_, true);
    return DoSave("", true);
}

bool CQuirnWinDoc::SaveAs() {
    return DoSave("", true);
}

bool CQuirnWinDoc::DoSave(const std::string& given, bool replace) {
    std::string path = given;
    bool asked = false;
    if (path.empty()) {
        std::string proposed = path_;
        if (proposed.empty() && replace)
            proposed = ProposedSaveName(GetUserReadableName().utf8_string(), ".tex");
        wxFileName f(wxString::FromUTF8(proposed));
        wxFileDialog dialog(GetDocumentWindow(),
                            replace ? wxString("Save As") : wxString("Save Copy As"), f.GetPath(),
                            f.GetFullName(), "TEX Files (*.tex)|*.tex|All Files (*.*)|*",
                            wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
        if (dialog.ShowModal() != wxID_OK)
            return false;
        path = dialog.GetPath().utf8_string();
        asked = true;
    }
    TexDocument* tex = Tex();
    if (!tex)
        return false;
    // Another program changed the file since it was loaded: saving would overwrite its
    // changes.
    if (replace && !asked && path == path_ && tex->ChangedOnDiskSinceLoaded() &&
        !Services().Prompt().AskYesNo(path + " has been changed on disk since it was loaded.\n"
                                             "Do you want to save over it?")) {
        return false;
    }
    wxBusyCursor wait;
    std::string error;
    bool ok = replace ? tex->Save(path, &error) : tex->SaveCopy(path, &error);
    if (!ok) {
        if (asked)
            ::unlink(path.c_str());
        Services().Prompt().ShowMessage(error.empty() ? "Unable to save " + path : error);
        return false;
    }
    if (replace) {
        path_ = path;
        SetFilename(wxString::FromUTF8(path), true);
        wxDocument::Modify(false);
        if (wxFileHistory* history = GetDocumentManager()->GetFileHistory())
            history->AddFileToHistory(wxString::FromUTF8(path));
        RefreshTitle();
    }
    return true;
}

bool CQuirnWinDoc::OnSaveModified() {
    EditorShared& shared = Services().Editors();
    SaveModifiedPlan plan =
        PlanSaveModified(IsModified(), shared.savingBeforeTypeset, Record().autoEditorSave != 0,
                         path_, GetUserReadableName().utf8_string());
    switch (plan.step) {
        case SaveModifiedStep::Nothing:
            return true;
        case SaveModifiedStep::Save:
            Save();
            return true;
        case SaveModifiedStep::ReportThenSaveAs:
            Services().Prompt().ShowMessage(plan.message);
            Save();
            return true;
        case SaveModifiedStep::AskSaveChanges:
            break;
    }
    // Yes saves (and a failed save keeps the document open); No leaves the text as it
    // is, still modified; Cancel keeps the document open.
    int answer = Services().Prompt().Ask(
        "Do you want to save changes to " + GetUserReadableName().utf8_string() + "?",
        {"Yes", "No", "Cancel"}, 0, 1);
    if (answer == 0)
        return Save();
    return answer == 1;
}

ExternalCheckResult CQuirnWinDoc::CheckExternalModification() {
    TexDocument* tex = Tex();
    if (!tex)
        return ExternalCheckResult::NotChecked;
    ExternalCheckContext context;
    context.autoCheckExternalEdit = Record().autoCheckExternalEdit != 0;
    context.guard = &Services().Editors().externalGuard;
    context.prompt = &Services().Prompt();
    context.output = &Services().Output();
    context.traceExternalMod = Services().DebugCode().find("externalmod") != std::string::npos;
    // A reload keeps the caret's line and the scroll position.
    wxStyledTextCtrl* editor = Editor();
    const int caretLine = editor ? editor->GetCurrentLine() : 0;
    const int firstVisible = editor ? editor->GetFirstVisibleLine() : 0;
    ExternalCheckResult result = tex->CheckExternalModification(context);
    if (result == ExternalCheckResult::Reloaded) {
        if (editor) {
            const int line = std::min(caretLine, std::max(0, editor->GetLineCount() - 1));
            editor->GotoPos(editor->PositionFromLine(line));
            editor->SetFirstVisibleLine(firstVisible);
        }
        RefreshTitle();
    }
    return result;
}

}  // namespace quirn::gui

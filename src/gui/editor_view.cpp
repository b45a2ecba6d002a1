#include "gui/editor_view.h"

#include <wx/app.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/gdicmn.h>
#include <wx/mdi.h>
#include <wx/menu.h>
#include <wx/numdlg.h>
#include <wx/time.h>
#include <wx/utils.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>

#include "editor/tex_colouring.h"
#include "gui/child_frames.h"
#include "gui/editor_print.h"
#include "gui/gui_services.h"
#include "gui/main_frame.h"
#include "gui/typeset_bridge.h"

namespace quirn::gui {

namespace {

Settings& Record() {
    return Services().App().Record();
}

wxColour FromBgr(int bgr) {
    return wxColour(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

wxDocMDIParentFrame* ParentFrame() {
    return wxDynamicCast(wxTheApp->GetTopWindow(), wxDocMDIParentFrame);
}

// Text of the document for a window control: UTF-8, or byte for byte when it is not.
wxString TextToWindow(const std::string& bytes) {
    wxString text = wxString::FromUTF8(bytes.data(), bytes.size());
    if (text.empty() && !bytes.empty())
        text = wxString::From8BitData(bytes.data(), bytes.size());
    return text;
}

}  // namespace

// ---------------------------------------------------------------------------------
// CScintillaDoc / CScintillaView

wxIMPLEMENT_ABSTRACT_CLASS(CScintillaDoc, wxDocument);
wxIMPLEMENT_DYNAMIC_CLASS(CScintillaView, wxView);

wxBEGIN_EVENT_TABLE(CScintillaView, wxView) EVT_MENU(wxID_CUT, CScintillaView::OnEditCommand)
    EVT_MENU(wxID_COPY, CScintillaView::OnEditCommand) EVT_MENU(
        wxID_PASTE, CScintillaView::OnEditCommand) EVT_MENU(wxID_CLEAR,
                                                            CScintillaView::OnEditCommand)
        EVT_MENU(wxID_UNDO, CScintillaView::OnEditCommand) EVT_MENU(
            wxID_REDO, CScintillaView::OnEditCommand) EVT_MENU(wxID_SELECTALL,
                                                               CScintillaView::OnEditCommand)
            EVT_MENU(wxID_FIND, CScintillaView::OnEditCommand) EVT_MENU(
                wxID_REPLACE, CScintillaView::OnEditCommand) EVT_MENU(kIdFindNext,
                                                                      CScintillaView::OnEditCommand)
                EVT_MENU(kIdWordWrap, CScintillaView::OnEditCommand) EVT_MENU(
                    wxID_PRINT,
                    CScintillaView::OnPrint) EVT_UPDATE_UI(wxID_CUT,
                                                           CScintillaView::OnUpdateEditCommand)
                    EVT_UPDATE_UI(wxID_COPY, CScintillaView::OnUpdateEditCommand) EVT_UPDATE_UI(
                        wxID_PASTE,
                        CScintillaView::OnUpdateEditCommand) EVT_UPDATE_UI(wxID_CLEAR,
                                                                           CScintillaView::
                                                                               OnUpdateEditCommand)
                        EVT_UPDATE_UI(wxID_UNDO, CScintillaView::OnUpdateEditCommand) EVT_UPDATE_UI(
                            wxID_REDO, CScintillaView::OnUpdateEditCommand)
                            EVT_UPDATE_UI(wxID_SELECTALL, CScintillaView::OnUpdateEditCommand)
                                EVT_UPDATE_UI(wxID_FIND, CScintillaView::OnUpdateEditCommand)
                                    EVT_UPDATE_UI(wxID_REPLACE, CScintillaView::OnUpdateEditCommand)
                                        EVT_UPDATE_UI(kIdFindNext,
                                                      CScintillaView::OnUpdateEditCommand)
                                            EVT_UPDATE_UI(kIdWordWrap,
                                                          CScintillaView::OnUpdateEditCommand)
                                                EVT_UPDATE_UI(wxID_SAVE,
                                                              CScintillaView::OnUpdateEditCommand)
                                                    wxEND_EVENT_TABLE()

                                                        CScintillaView* CScintillaDoc::EditorView()
                                                            const {
    return wxDynamicCast(GetFirstView(), CScintillaView);
}

wxStyledTextCtrl* CScintillaDoc::Editor() const {
    CScintillaView* view = EditorView();
    return view ? view->Editor() : nullptr;
}

CScintillaView::~CScintillaView() {
    GuiServices* services = ServicesIfRunning();
    if (!services)
        return;
    EditorShared& shared = services->Editors();
    if (shared.findOwner == this) {
        if (shared.findDialog)
            shared.findDialog->Destroy();
        shared.findDialog = nullptr;
        shared.findOwner = nullptr;
    }
}

wxDocMDIChildFrame* CScintillaView::MakeFrame(wxDocument* doc) {
    return new wxDocMDIChildFrame(doc, this, ParentFrame(), wxID_ANY, doc->GetTitle());
}

bool CScintillaView::OnCreate(wxDocument* doc, long) {
    wxDocMDIChildFrame* frame = MakeFrame(doc);
    stc_ = new wxStyledTextCtrl(frame, wxID_ANY);
    buffer_ = std::make_unique<StcTextBuffer>(*stc_);
    ConfigureEditor();
    stc_->Bind(wxEVT_CHAR, &CScintillaView::OnChar, this);
    SetFrame(frame);
    frame->Show();
    stc_->SetFocus();
    return true;
}

void CScintillaView::ConfigureEditor() {
    // The component keeps the bytes it is given (positions are byte offsets either
    // way) and shows them as UTF-8, the code of today's TeX sources; bytes that are not
    // UTF-8 show as marked byte values and are saved back unchanged.
    stc_->SetLayoutCache(wxSTC_CACHE_NONE);
    // Home and End move within the displayed (wrapped) line.
    stc_->CmdKeyAssign(wxSTC_KEY_HOME, wxSTC_KEYMOD_NORM, wxSTC_CMD_HOMEDISPLAY);
    stc_->CmdKeyAssign(wxSTC_KEY_END, wxSTC_KEYMOD_NORM, wxSTC_CMD_LINEENDDISPLAY);
    stc_->CmdKeyAssign(wxSTC_KEY_HOME, wxSTC_KEYMOD_SHIFT, wxSTC_CMD_HOMEDISPLAYEXTEND);
    stc_->CmdKeyAssign(wxSTC_KEY_END, wxSTC_KEYMOD_SHIFT, wxSTC_CMD_LINEENDDISPLAYEXTEND);
}

// A control character other than Tab, line feed and carriage return is not text.
void CScintillaView::OnChar(wxKeyEvent& e) {
    int c = e.GetUnicodeKey() != WXK_NONE ? static_cast<int>(e.GetUnicodeKey()) : e.GetKeyCode();
    if (c >= 0 && c < 32 && c != 9 && c != 10 && c != 13)
        return;
    e.Skip();
}

bool CScintillaView::OnClose(bool deleteWindow) {
    if (!wxView::OnClose(deleteWindow))
        return false;
    Activate(false);
    return true;
}

void CScintillaView::OnChangeFilename() {
    wxView::OnChangeFilename();
    if (auto* tex = wxDynamicCast(GetDocument(), CQuirnWinDoc))
        tex->RefreshTitle();
}

TextRange CScintillaView::GetSelection() const {
    return {stc_->GetSelectionStart(), stc_->GetSelectionEnd()};
}

void CScintillaView::SetSelection(TextPos start, TextPos end) {
    stc_->SetSelectionStart(static_cast<int>(start));
    stc_->SetSelectionEnd(static_cast<int>(end));
    stc_->EnsureCaretVisible();
}

void CScintillaView::Beep() {
    wxBell();
}

void CScintillaView::Apply(const EditOutcome& outcome) {
    if (outcome.beep)
        Beep();
    if (!outcome.message.empty())
        Services().Prompt().ShowMessage(outcome.message);
    if (outcome.selection)
        SetSelection(outcome.selection->start, outcome.selection->end);
}

bool CScintillaView::IsWrapped() const {
    return stc_->GetWrapMode() == 1;
}

void CScintillaView::SetWrap(bool wrap) {
    stc_->SetWrapMode(wrap ? 1 : 0);
}

void CScintillaView::OnEditCommand(wxCommandEvent& e) {
    switch (e.GetId()) {
        case wxID_CUT:
            stc_->Cut();
            break;
        case wxID_COPY:
            stc_->Copy();
            break;
        case wxID_PASTE:
            stc_->Paste();
            break;
        case wxID_CLEAR:
            stc_->Clear();
            break;
        case wxID_UNDO:
            stc_->Undo();
            break;
        case wxID_REDO:
            stc_->Redo();
            break;
        case wxID_SELECTALL:
            stc_->SelectAll();
            break;
        case wxID_FIND:
            OpenFindDialog(false);
            break;
        case wxID_REPLACE:
            OpenFindDialog(true);
            break;
        case kIdFindNext:
            FindNextAgain();
            break;
        case kIdWordWrap:
            SetWrap(!IsWrapped());
            break;
    }
}

void CScintillaView::OnUpdateEditCommand(wxUpdateUIEvent& e) {
    bool hasSelection = stc_->GetSelectionStart() != stc_->GetSelectionEnd();
    bool nonEmpty = stc_->GetLength() > 0;
    switch (e.GetId()) {
        case wxID_CUT:
        case wxID_COPY:
        case wxID_CLEAR:
            e.Enable(hasSelection);
            break;
        case wxID_PASTE:
            e.Enable(stc_->CanPaste());
            break;
        case wxID_UNDO:
            e.Enable(stc_->CanUndo());
            break;
        case wxID_REDO:
            e.Enable(stc_->CanRedo());
            break;
        case wxID_SELECTALL:
        case wxID_FIND:
        case wxID_REPLACE:
            e.Enable(nonEmpty);
            break;
        case kIdFindNext:
            e.Enable(!Services().Editors().find.search.empty());
            break;
        case kIdWordWrap:
            e.Check(IsWrapped());
            break;
        case wxID_SAVE:
            e.Enable(GetDocument() && GetDocument()->IsModified());
            break;
    }
}

void CScintillaView::OpenFindDialog(bool replace) {
    EditorShared& shared = Services().Editors();
    std::string initial = InitialSearchText(*buffer_, GetSelection(), shared.find);
    if (shared.findDialog && shared.findOwner == this && shared.findDialogIsReplace == replace) {
        shared.findDialog->Show();
        shared.findDialog->Raise();
        return;
    }
    if (shared.findDialog)
        shared.findDialog->Destroy();
    int flags = (shared.find.searchDown ? wxFR_DOWN : 0) |
                (shared.find.matchCase ? wxFR_MATCHCASE : 0) |
                (shared.find.wholeWord ? wxFR_WHOLEWORD : 0);
    shared.findData.SetFlags(flags);
    shared.findData.SetFindString(TextToWindow(initial));
    shared.findData.SetReplaceString(TextToWindow(shared.find.replacement));
    wxString name = wxFileName(GetDocument()->GetFilename()).GetFullName();
    if (name.empty())
        name = GetDocument()->GetUserReadableName();
    int style = replace ? wxFR_REPLACEDIALOG : 0;
    if (!wxDynamicCast(this, CQuirnWinView))
        style |= wxFR_NOWHOLEWORD;
    shared.findDialog =
        new wxFindReplaceDialog(GetFrame(), &shared.findData, "Find in " + name, style);
    shared.findOwner = this;
    shared.findDialogIsReplace = replace;
    shared.find.findOnly = !replace;
    shared.findDialog->Bind(wxEVT_FIND, &CScintillaView::OnFindDialogEvent, this);
    shared.findDialog->Bind(wxEVT_FIND_NEXT, &CScintillaView::OnFindDialogEvent, this);
    shared.findDialog->Bind(wxEVT_FIND_REPLACE, &CScintillaView::OnFindDialogEvent, this);
    shared.findDialog->Bind(wxEVT_FIND_REPLACE_ALL, &CScintillaView::OnFindDialogEvent, this);
    shared.findDialog->Bind(wxEVT_FIND_CLOSE, &CScintillaView::OnFindDialogEvent, this);
    shared.findDialog->Show();
}

void CScintillaView::OnFindDialogEvent(wxFindDialogEvent& e) {
    EditorShared& shared = Services().Editors();
    if (e.GetEventType() == wxEVT_FIND_CLOSE) {
        if (shared.findDialog)
            shared.findDialog->Destroy();
        shared.findDialog = nullptr;
        shared.findOwner = nullptr;
        return;
    }
    int flags = e.GetFlags();
    shared.find.search = e.GetFindString().utf8_string();
    shared.find.replacement = e.GetReplaceString().utf8_string();
    shared.find.matchCase = (flags & wxFR_MATCHCASE) != 0;
    shared.find.wholeWord = (flags & wxFR_WHOLEWORD) != 0;
    shared.find.searchDown = (flags & wxFR_DOWN) != 0;
    wxEventType type = e.GetEventType();
    if (type == wxEVT_FIND || type == wxEVT_FIND_NEXT) {
        EditOutcome found = FindNext(*buffer_, GetSelection(), shared.find);
        Apply(found);
        if (found.selection)
            MoveFindDialogOffText(*found.selection);
    } else if (type == wxEVT_FIND_REPLACE) {
        Apply(ReplaceNext(*buffer_, GetSelection(), shared.find));
    } else if (type == wxEVT_FIND_REPLACE_ALL) {
        stc_->BeginUndoAction();
        EditOutcome outcome = ReplaceAll(*buffer_, GetSelection(), shared.find);
        stc_->EndUndoAction();
        Apply(outcome);
    }
    stc_->EnsureCaretVisible();
}

// The dialog steps aside when it covers the text just found: up, then down, then
// left, then right, a whole height or width at a time, while it stays on the desktop.
void CScintillaView::MoveFindDialogOffText(const TextRange& found) {
    wxFindReplaceDialog* dialog = Services().Editors().findDialog;
    if (!dialog || !dialog->IsShown())
        return;
    int height = stc_->TextHeight(stc_->LineFromPosition(static_cast<int>(found.start)));
    wxPoint a = stc_->PointFromPosition(static_cast<int>(found.start));
    wxPoint b = stc_->PointFromPosition(static_cast<int>(found.end));
    wxRect text(stc_->ClientToScreen(a), stc_->ClientToScreen(wxPoint(b.x, b.y + height)));
    wxRect desktop = wxGetClientDisplayRect();
    wxRect box = dialog->GetScreenRect();
    const wxPoint steps[] = {{0, -box.height}, {0, box.height}, {-box.width, 0}, {box.width, 0}};
    for (const wxPoint& step : steps) {
        wxRect moved = box;
        while (moved.Intersects(text) && desktop.Contains(moved))
            moved.Offset(step);
        if (!moved.Intersects(text) && desktop.Contains(moved)) {
            dialog->Move(moved.GetPosition());
            return;
        }
    }
}

void CScintillaView::FindNextAgain() {
    Apply(FindNext(*buffer_, GetSelection(), Services().Editors().find));
    stc_->EnsureCaretVisible();
}

void CScintillaView::OnPrint(wxCommandEvent&) {
    auto* tex = wxDynamicCast(GetDocument(), CQuirnWinDoc);
    std::string title = tex && tex->Tex() ? tex->Tex()->PrintTitle()
                                          : GetDocument()->GetUserReadableName().utf8_string();
    PrintEditorText(*stc_, title, GetFrame(), Services().Prompt());
}

// ---------------------------------------------------------------------------------
// CQuirnWinDoc

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
    auto* frame = view ? wxDynamicCast(view->GetFrame(), wxMDIChildFrame) : nullptr;
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
    ExternalCheckResult result = tex->CheckExternalModification(context);
    if (result == ExternalCheckResult::Reloaded) {
        if (wxStyledTextCtrl* editor = Editor())
            editor->GotoPos(0);
        RefreshTitle();
    }
    return result;
}

// ---------------------------------------------------------------------------------
// CQuirnWinView

wxIMPLEMENT_DYNAMIC_CLASS(CQuirnWinView, CScintillaView);

wxBEGIN_EVENT_TABLE(CQuirnWinView, CScintillaView)
    EVT_MENU_RANGE(kIdGoToLine, kIdCommandHelp, CQuirnWinView::OnTexCommand)
        EVT_UPDATE_UI_RANGE(kIdGoToLine, kIdCommandHelp, CQuirnWinView::OnUpdateTexCommand)
            wxEND_EVENT_TABLE()

                CQuirnWinView::CQuirnWinView() {
    const Settings& s = Record();
    chromaCoding_ = s.chromaCoding != 0;
    autoComplete_ = s.autoComplete != 0;
    autoSpellCheck_ = s.autoSpellCheck != 0;
}

CQuirnWinDoc* CQuirnWinView::TexDoc() const {
    return wxDynamicCast(GetDocument(), CQuirnWinDoc);
}

wxDocMDIChildFrame* CQuirnWinView::MakeFrame(wxDocument* doc) {
    return new CQuirnMDITeXChildWnd(doc, this, ParentFrame(), wxID_ANY, doc->GetTitle());
}

bool CQuirnWinView::OnCreate(wxDocument* doc, long flags) {
    if (!CScintillaView::OnCreate(doc, flags))
        return false;
    stc_->Bind(wxEVT_STC_STYLENEEDED, &CQuirnWinView::OnStyleNeeded, this);
    stc_->Bind(wxEVT_STC_CHARADDED, &CQuirnWinView::OnCharAdded, this);
    stc_->Bind(wxEVT_STC_SAVEPOINTLEFT, &CQuirnWinView::OnSavePoint, this);
    stc_->Bind(wxEVT_STC_SAVEPOINTREACHED, &CQuirnWinView::OnSavePoint, this);
    stc_->Bind(wxEVT_STC_MODIFIED, &CQuirnWinView::OnModified, this);
    stc_->Bind(wxEVT_STC_UPDATEUI, &CQuirnWinView::OnUpdateUi, this);
    stc_->Bind(wxEVT_STC_PAINTED, &CQuirnWinView::OnPainted, this);
    stc_->Bind(wxEVT_SET_FOCUS, &CQuirnWinView::OnFocus, this);
    stc_->Bind(wxEVT_KEY_DOWN, &CQuirnWinView::OnKeyDown, this);
    stc_->Bind(wxEVT_CONTEXT_MENU, &CQuirnWinView::OnContextMenu, this);
    Services().Editors().completion.EnsureLoaded(Record().installDir);
    return true;
}

void CQuirnWinView::ConfigureEditor() {
    CScintillaView::ConfigureEditor();
    stc_->SetLexer(wxSTC_LEX_CONTAINER);  // this view colours the text itself
    stc_->SetModEventMask(wxSTC_MOD_INSERTTEXT | wxSTC_MOD_DELETETEXT);
    stc_->SetTabWidth(4);
    stc_->AutoCompSetSeparator(' ');
    stc_->MarkerDefine(1, wxSTC_MARK_BOOKMARK, *wxBLUE, wxColour(128, 160, 255));
    stc_->SetMarginType(1, wxSTC_MARGIN_SYMBOL);
    stc_->SetMarginMask(1, 1 << 1);
    stc_->SetMarginWidth(0, 0);
    ApplySettings();
}

void CQuirnWinView::ApplySettings() {
    const Settings& s = Record();
    chromaCoding_ = s.chromaCoding != 0;
    autoComplete_ = s.autoComplete != 0;
    int points = std::max(6, (s.fontSize + 5) / 10);
    wxFontInfo info(points);
    info.FaceName(wxString::FromUTF8(s.screenFont.faceName)).Family(wxFONTFAMILY_TELETYPE);
    if (s.screenFont.weight >= 600)
        info.Bold();
    if (s.screenFont.italic)
        info.Italic();
    wxFont font(info);
    stc_->StyleSetFont(wxSTC_STYLE_DEFAULT, font);
    stc_->StyleSetBackground(wxSTC_STYLE_DEFAULT, FromBgr(s.backColor));
    stc_->StyleSetForeground(wxSTC_STYLE_DEFAULT, FromBgr(s.fontColor));
    stc_->StyleClearAll();
    if (chromaCoding_) {
        stc_->StyleSetForeground(kStylePlain, FromBgr(s.fontColor));
        stc_->StyleSetForeground(kStyleCommand, FromBgr(s.commandColor));
        stc_->StyleSetForeground(kStyleComment, FromBgr(s.commentColor));
        stc_->StyleSetForeground(kStyleSymbol, FromBgr(s.symbolColor));
        stc_->StyleSetForeground(kStyleClickable, FromBgr(s.commandColor));
    }
    stc_->StyleSetUnderline(kStyleClickable, true);
    stc_->StyleSetHotSpot(kStyleClickable, true);
    stc_->SetCaretForeground(FromBgr(s.backColor ^ 0xFFFFFF));
    stc_->SetMarginWidth(1, s.editSelectColumn ? 16 : 0);
    SetWrap(s.wordWrap != 0);
    stc_->Colourise(0, -1);
}

void CQuirnWinView::OnStyleNeeded(wxStyledTextEvent& e) {
    // Logs stay plain; only the shown lines are walked, the rest when it is shown.
    CQuirnWinDoc* doc = TexDoc();
    colouring_.SetColourText(ShouldColourDocument(doc ? doc->Path() : std::string()));
    auto [first, last] = ShownLines();
    colouring_.StyleNeeded(*buffer_, e.GetPosition(), first, last);
}

std::pair<int64_t, int64_t> CQuirnWinView::ShownLines() const {
    int top = stc_->GetFirstVisibleLine();
    return {stc_->DocLineFromVisible(top),
            stc_->DocLineFromVisible(top + stc_->LinesOnScreen()) + 1};
}

void CQuirnWinView::ColourShownLines() {
    CQuirnWinDoc* doc = TexDoc();
    colouring_.SetColourText(ShouldColourDocument(doc ? doc->Path() : std::string()));
    auto [first, last] = ShownLines();
    colouring_.ColourShown(*buffer_, first, last);
}

// Scrolling is handled before the paint (OnUpdateUi); lines that appear without a scroll
// (a taller window, a smaller zoom, unwrapping) are styled after it and drawn again.
void CQuirnWinView::OnPainted(wxStyledTextEvent&) {
    ColourShownLines();
}

void CQuirnWinView::OnCharAdded(wxStyledTextEvent& e) {
    if (!autoComplete_)
        return;
    int c = e.GetKey();
    TextPos caret = stc_->GetCurrentPos();
    if (c == '\n' || c == '\r') {
        // A carriage-return line end also adds a line feed: continue once, after it.
        if (c == '\r' && stc_->GetEOLMode() == wxSTC_EOL_CRLF)
            return;
        if (std::optional<TextPos> at = ContinueListOnEnter(*buffer_, caret))
            SetSelection(*at, *at);
        return;
    }
    if (c == 27)
        return;
    EditorShared& shared = Services().Editors();
    if (std::optional<CompletionOffer> offer = OfferCompletion(*buffer_, caret, shared.completion))
        stc_->AutoCompShow(offer->prefixLength, TextToWindow(offer->list));
}

void CQuirnWinView::OnSavePoint(wxStyledTextEvent& e) {
    if (CQuirnWinDoc* doc = TexDoc()) {
        doc->wxDocument::Modify(e.GetEventType() == wxEVT_STC_SAVEPOINTLEFT);
        doc->RefreshTitle();
    }
}

void CQuirnWinView::OnModified(wxStyledTextEvent& e) {
    int type = e.GetModificationType();
    if (!(type & (wxSTC_MOD_INSERTTEXT | wxSTC_MOD_DELETETEXT)))
        return;
    lastEditTicks_ = wxGetLocalTimeMillis().GetValue();
    int64_t line = stc_->LineFromPosition(e.GetPosition());
    lineTracker_.OnTextChanged(line, e.GetLinesAdded(), &Services().Output());
    colouring_.OnTextChanged(line, e.GetLinesAdded());
}

void CQuirnWinView::OnUpdateUi(wxStyledTextEvent&) {
    ColourShownLines();  // the window may have scrolled onto lines passed over
    CMainFrame* frame = Services().MainFrame();
    if (!frame)
        return;
    frame->SetEditorStatus(CaretStatusText(*buffer_, stc_->GetCurrentPos()),
                           insertMode_ ? "" : "OVR");
}

void CQuirnWinView::OnFocus(wxFocusEvent& e) {
    e.Skip();
    // The focus coming back from the question itself is not a new click.
    if (skipNextFocusCheck_ || Services().Editors().externalGuard.checking) {
        skipNextFocusCheck_ = false;
        return;
    }
    if (CQuirnWinDoc* doc = TexDoc()) {
        // After the focus change is over: the question moves the focus itself.
        CallAfterCheck(doc);
    }
}

void CQuirnWinView::CallAfterCheck(CQuirnWinDoc* doc) {
    wxString name = doc->GetFilename();
    // Queued on the editor window, so it is dropped if the window goes first.
    stc_->CallAfter([this, name] {
        CQuirnWinDoc* current = TexDoc();
        if (current && current->GetFilename() == name &&
            current->CheckExternalModification() == ExternalCheckResult::Declined)
            skipNextFocusCheck_ = true;
    });
}

void CQuirnWinView::OnKeyDown(wxKeyEvent& e) {
    if (e.GetKeyCode() == WXK_INSERT && !e.HasAnyModifiers())
        insertMode_ = !insertMode_;
    e.Skip();
}

void CQuirnWinView::OnContextMenu(wxContextMenuEvent&) {
    wxMenu menu;
    menu.Append(wxID_UNDO, "&Undo");
    menu.Append(wxID_REDO, "&Redo");
    menu.AppendSeparator();
    menu.Append(wxID_CUT, "Cu&t");
    menu.Append(wxID_COPY, "&Copy");
    menu.Append(wxID_PASTE, "&Paste");
    menu.Append(wxID_CLEAR, "&Delete");
    menu.AppendSeparator();
    menu.Append(wxID_SELECTALL, "Select &All");
    menu.Append(wxID_FIND, "&Find...");
    menu.Append(wxID_REPLACE, "R&eplace...");
    if (GetFrame())
        GetFrame()->PopupMenu(&menu);
}

void CQuirnWinView::OnTexCommand(wxCommandEvent& e) {
    TextRange selection = GetSelection();
    const Settings& s = Record();
    switch (e.GetId()) {
        case kIdGoToLine:
            AskGoToLine();
            break;
        case kIdDeleteLine: {
            stc_->BeginUndoAction();
            TextPos caret = DeleteLine(*buffer_, selection, s.emacsLineKill != 0);
            stc_->EndUndoAction();
            SetSelection(caret, caret);
            break;
        }
        case kIdMatchBrace: {
            wxBusyCursor wait;
            Apply(MatchBraceOrDollar(*buffer_, selection, dollar_));
            break;
        }
        case kIdFindMismatch: {
            wxBusyCursor wait;
            Apply(FindMismatchedBraceOrDollar(*buffer_, selection.start));
            break;
        }
        case kIdBlockComment: {
            stc_->BeginUndoAction();
            TextRange after = BlockCommentUncomment(*buffer_, selection);
            stc_->EndUndoAction();
            SetSelection(after.start, after.end);
            break;
        }
        case kIdSetBookmark: {
            TextPos caret = stc_->GetCurrentPos();
            int64_t line = stc_->LineFromPosition(static_cast<int>(caret));
            int markerLine = stc_->MarkerNext(0, 1 << 1);
            Bookmark::MarkerChange change = bookmark_.Toggle(
                line, caret - stc_->PositionFromLine(static_cast<int>(line)), markerLine);
            if (change.removeFromLine >= 0)
                stc_->MarkerDelete(static_cast<int>(change.removeFromLine), 1);
            if (change.addToLine >= 0)
                stc_->MarkerAdd(static_cast<int>(change.addToLine), 1);
            break;
        }
        case kIdJumpBookmark: {
            std::optional<TextPos> at =
                bookmark_.JumpPosition(*buffer_, stc_->MarkerNext(0, 1 << 1));
            if (at) {
                SetSelection(*at, *at);
            } else {
                Beep();
            }
            break;
        }
        case kIdListItemized:
        case kIdListEnumerated:
        case kIdListDescription: {
            ListKind kind = e.GetId() == kIdListItemized     ? ListKind::Itemized
                            : e.GetId() == kIdListEnumerated ? ListKind::Enumerated
                                                             : ListKind::Description;
            stc_->BeginUndoAction();
            TextPos caret = InsertList(*buffer_, selection, kind);
            stc_->EndUndoAction();
            SetSelection(caret, caret);
            break;
        }
        case kIdGotoTypesetDvi:
            GotoTypesetDvi();
            break;
        case kIdCommandHelp:
            ShowCommandHelp();
            break;
    }
}

void CQuirnWinView::OnUpdateTexCommand(wxUpdateUIEvent& e) {
    switch (e.GetId()) {
        case kIdDeleteLine:
            e.Enable(stc_->GetLength() > 0);
            break;
        case kIdJumpBookmark:
            e.Enable(bookmark_.IsSet());
            break;
        default:
            e.Enable(true);
    }
}

void CQuirnWinView::AskGoToLine() {
    long line =
        wxGetNumberFromUser("Line number:", "", "Go To TeX Line", 1, 1, 1000000, GetFrame());
    if (line >= 1)
        GoToLine(static_cast<int>(line));
}

void CQuirnWinView::GoToLine(int line) {
    std::optional<TextPos> at = GoToLinePosition(*buffer_, line);
    if (!at) {
        Beep();
        return;
    }
    stc_->GotoPos(static_cast<int>(*at));
    int64_t target = stc_->VisibleFromDocLine(line - 1);
    int64_t scroll = GoToLineScroll(target, stc_->GetFirstVisibleLine(), stc_->LinesOnScreen());
    if (scroll != 0)
        stc_->LineScroll(0, static_cast<int>(scroll));
    stc_->EnsureCaretVisible();
    wxStyledTextEvent refresh;
    OnUpdateUi(refresh);
}

void CQuirnWinView::InsertTemplate(const std::string& text) {
    stc_->BeginUndoAction();
    TextPos caret = quirn::InsertTemplate(*buffer_, GetSelection(), text);
    stc_->EndUndoAction();
    SetSelection(caret, caret);
    stc_->SetFocus();
}

std::string CQuirnWinView::GetCaretText() const {
    return quirn::GetCaretText(stc_->GetSelectionStart());
}

void CQuirnWinView::SetCaretFromText(const std::string& text) {
    if (std::optional<TextPos> at = CaretFromText(*buffer_, text))
        SetSelection(*at, *at);
}

// F1: the documentation of the control word at the caret, through texdoc; a word it
// does not know opens the LaTeX reference instead.
void CQuirnWinView::ShowCommandHelp() {
    TextRange old = GetSelection();
    TextPos p = old.start;
    TextPos backslash = -1;
    while (p > 0) {
        char c = buffer_->CharAt(p - 1);
        if (c == '\\') {
            backslash = p - 1;
            break;
        }
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r')
            break;
        --p;
    }
    if (backslash < 0) {
        wxExecute("texdoc latex2e", wxEXEC_ASYNC | wxEXEC_HIDE_CONSOLE);
        return;
    }
    TextPos end = backslash + 1;
    while (end < buffer_->Length() &&
           std::isalpha(static_cast<unsigned char>(buffer_->CharAt(end))))
        ++end;
    std::string word = TextOf(*buffer_, backslash + 1, end);
    if (word.empty())
        return;
    wxExecute("/bin/sh -c 'texdoc " + wxString::FromUTF8(word) + " || texdoc latex2e'",
              wxEXEC_ASYNC | wxEXEC_HIDE_CONSOLE);
}

// F8: the DVI of the main file, opened or brought forward.
void CQuirnWinView::GotoTypesetDvi() {
    CQuirnWinDoc* doc = TexDoc();
    if (!doc || doc->Path().empty())
        return;
    std::string main = Services().Typeset().MainFileFor(doc->Path());
    if (main.empty())
        return;
    wxFileName dvi(wxString::FromUTF8(main));
    dvi.SetExt("dvi");
    if (!dvi.FileExists())
        return;
    Services().Typeset().ShowDocument(dvi.GetFullPath().utf8_string());
}

}  // namespace quirn::gui

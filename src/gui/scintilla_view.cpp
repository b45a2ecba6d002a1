#include <wx/app.h>
#include <wx/filename.h>
#include <wx/gdicmn.h>
#include <wx/utils.h>

#include "gui/child_frames.h"
#include "gui/editor_print.h"
#include "gui/editor_view.h"
#include "gui/gui_services.h"
#include "gui/main_frame.h"

namespace quirn::gui {

namespace {

// The editing commands whose keys the component carries out itself, just as their menu
// items would; its keys also work where the item is disabled (Del deletes the next
// character when nothing is selected).
bool ComponentOwnsCommand(int id) {
    switch (id) {
        case wxID_UNDO:
        case wxID_REDO:
        case wxID_CUT:
        case wxID_COPY:
        case wxID_PASTE:
        case wxID_CLEAR:
        case wxID_SELECTALL:
            return true;
        default:
            return false;
    }
}

}  // namespace

wxString TextToWindow(const std::string& bytes) {
    wxString text = wxString::FromUTF8(bytes.data(), bytes.size());
    if (text.empty() && !bytes.empty())
        text = wxString::From8BitData(bytes.data(), bytes.size());
    return text;
}

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

DocChildFrame* CScintillaView::MakeFrame(wxDocument* doc) {
    return new DocChildFrame(doc, this, ParentFrame(), wxID_ANY, doc->GetTitle(), wxDefaultPosition,
                             DocumentAreaSize());
}

bool CScintillaView::OnCreate(wxDocument* doc, long) {
    DocChildFrame* frame = MakeFrame(doc);
    stc_ = new wxStyledTextCtrl(frame, wxID_ANY, wxDefaultPosition, frame->GetClientSize());
    buffer_ = std::make_unique<StcTextBuffer>(*stc_);
    ConfigureEditor();
    stc_->Bind(wxEVT_KEY_DOWN, &CScintillaView::OnKeyDown, this);
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

// A menu's shortcut goes to the menus before the component's own key map sees it: that
// map would take it (Ctrl+T transposes lines there, Ctrl+] moves by paragraphs), and a
// key cleared from it is still taken, to do nothing. The component keeps the editing
// keys it shares with the Edit menu.
void CScintillaView::OnKeyDown(wxKeyEvent& e) {
    CMainFrame* frame = Services().MainFrame();
    const int item = frame ? frame->MenuItemOfKey(e) : wxID_NONE;
    if (item == wxID_NONE || ComponentOwnsCommand(item)) {
        e.Skip();
        return;
    }
    frame->RunMenuItem(item);
}

// A control character other than Tab, line feed and carriage return is not text. With
// Ctrl or Alt held it is a shortcut: it goes on, unhandled, to the menus.
void CScintillaView::OnChar(wxKeyEvent& e) {
    int c = e.GetUnicodeKey() != WXK_NONE ? static_cast<int>(e.GetUnicodeKey()) : e.GetKeyCode();
    if (c >= 0 && c < 32 && c != 9 && c != 10 && c != 13 && !e.ControlDown() && !e.AltDown())
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

}  // namespace quirn::gui

#include "gui/editor_view.h"

#include <wx/app.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/mdi.h>
#include <wx/menu.h>
#include <wx/numdlg.h>
#include <wx/time.h>
#include <wx/utils.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>

#include "dvi/source_refine.h"
#include "editor/tex_colouring.h"
#include "gui/child_frames.h"
#include "gui/editor_font.h"
#include "gui/graphics_commands.h"
#include "gui/gui_services.h"
#include "gui/main_frame.h"
#include "gui/page_view_window.h"
#include "gui/pdf_view_document.h"
#include "gui/spelling.h"
#include "gui/typeset_bridge.h"

namespace quirn::gui {

namespace {

Settings& Record() {
    return Services().App().Record();
}

}  // namespace

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

CQuirnWinView::~CQuirnWinView() = default;

CQuirnWinDoc* CQuirnWinView::TexDoc() const {
    return wxDynamicCast(GetDocument(), CQuirnWinDoc);
}

DocChildFrame* CQuirnWinView::MakeFrame(wxDocument* doc) {
    return new CQuirnMDITeXChildWnd(doc, this, ParentFrame(), wxID_ANY, doc->GetTitle(),
                                    wxDefaultPosition, DocumentAreaSize());
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
    ConnectGraphicsEditing(*this);
    stc_->Bind(wxEVT_STC_MARGINCLICK, [this](wxStyledTextEvent& e) { OnMarginClick(stc_, e); });
    Services().Editors().completion.EnsureLoaded(Record().installDir);
    spelling_ = std::make_unique<EditorSpelling>(stc_, *buffer_, lineTracker_);
    spelling_->SetBackground(autoSpellCheck_);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent&) { spelling_->SpellCheckCommand(); }, kIdSpellCheck);
    return true;
}

void CQuirnWinView::ConfigureEditor() {
    CScintillaView::ConfigureEditor();
    stc_->SetLexer(wxSTC_LEX_CONTAINER);  // this view colours the text itself
    stc_->SetModEventMask(wxSTC_MOD_INSERTTEXT | wxSTC_MOD_DELETETEXT);
    stc_->SetTabWidth(4);
    stc_->AutoCompSetSeparator(' ');
    stc_->MarkerDefine(1, wxSTC_MARK_BOOKMARK, *wxBLUE, wxColour(128, 160, 255));
    SetUpMargins(stc_);
    ApplySettings();
}

void CQuirnWinView::ApplySettings() {
    const Settings& s = Record();
    chromaCoding_ = s.chromaCoding != 0;
    autoComplete_ = s.autoComplete != 0;
    autoSpellCheck_ = s.autoSpellCheck != 0;
    if (spelling_)
        spelling_->SetBackground(autoSpellCheck_);
    int points = std::max(6, (s.fontSize + 5) / 10);
    wxFontInfo info(points);
    info.FaceName(wxString::FromUTF8(s.screenFont.faceName)).Family(wxFONTFAMILY_TELETYPE);
    if (s.screenFont.weight >= 600)
        info.Bold();
    if (s.screenFont.italic)
        info.Italic();
    wxFont font(info);
    DrawWithoutLigatures(s.screenFont.faceName);
    stc_->StyleSetFont(wxSTC_STYLE_DEFAULT, font);
    // Under a dark desktop theme light settings colours are shown with their
    // lightness inverted.
    auto colour = [&s](int bgr) { return EditorColour(s, bgr); };
    stc_->StyleSetBackground(wxSTC_STYLE_DEFAULT, colour(s.backColor));
    stc_->StyleSetForeground(wxSTC_STYLE_DEFAULT, colour(s.fontColor));
    stc_->StyleClearAll();
    if (chromaCoding_) {
        stc_->StyleSetForeground(kStylePlain, colour(s.fontColor));
        stc_->StyleSetForeground(kStyleCommand, colour(s.commandColor));
        stc_->StyleSetForeground(kStyleComment, colour(s.commentColor));
        stc_->StyleSetForeground(kStyleSymbol, colour(s.symbolColor));
        stc_->StyleSetForeground(kStyleClickable, colour(s.commandColor));
    }
    stc_->StyleSetUnderline(kStyleClickable, true);
    stc_->StyleSetHotSpot(kStyleClickable, true);
    const wxColour back = colour(s.backColor);
    stc_->SetCaretForeground(wxColour(255 - back.Red(), 255 - back.Green(), 255 - back.Blue()));
    ApplyMarginSettings(stc_, s, hasMarks_);
    SetWrap(s.wordWrap != 0);
    stc_->Colourise(0, -1);
}

void CQuirnWinView::SetProblemMarks(const std::vector<ProblemMark>& marks) {
    SetProblemMarkers(stc_, marks);
    if (hasMarks_ != !marks.empty()) {
        hasMarks_ = !marks.empty();
        ApplyMarginSettings(stc_, Record(), hasMarks_);
    }
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
    foldDirty_ = true;
    int64_t line = stc_->LineFromPosition(e.GetPosition());
    lineTracker_.OnTextChanged(line, e.GetLinesAdded(), &Services().Output());
    colouring_.OnTextChanged(line, e.GetLinesAdded());
    // Text that arrives whole (a file loaded or reloaded) is checked at once; edits
    // wait until the typing pauses.
    if (spelling_)
        spelling_->OnTextChanged((type & wxSTC_MOD_INSERTTEXT) && e.GetPosition() == 0 &&
                                 e.GetLength() == stc_->GetLength());
}

void CQuirnWinView::OnUpdateUi(wxStyledTextEvent&) {
    if (foldDirty_) {
        foldDirty_ = false;
        RefreshFoldLevels(stc_, *buffer_);
        FitLineNumberMargin(stc_, Record());
    }
    RefreshShownState();
}

void CQuirnWinView::RefreshShownState() {
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

void CQuirnWinView::OnContextMenu(wxContextMenuEvent& e) {
    // On a misspelled word the spelling menu replaces the normal one.
    wxPoint point = e.GetPosition();
    point = point == wxDefaultPosition ? stc_->PointFromPosition(stc_->GetCurrentPos())
                                       : stc_->ScreenToClient(point);
    if (spelling_ && spelling_->PopupAt(point))
        return;
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
    RefreshShownState();
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

// F8: the DVI of the main file, opened or brought forward, showing the place of the
// caret line (forward search).
void CQuirnWinView::GotoTypesetDvi() {
    CQuirnWinDoc* doc = TexDoc();
    if (!doc || doc->Path().empty() || !stc_)
        return;
    std::string main = Services().Typeset().MainFileFor(doc->Path());
    if (main.empty())
        return;
    // After a PDF run the place is shown in the PDF.
    if (ShowSourceInPdf(main, doc->Path(), stc_->LineFromPosition(stc_->GetCurrentPos()) + 1))
        return;
    wxFileName dvi(wxString::FromUTF8(main));
    dvi.SetExt("dvi");
    if (!dvi.FileExists())
        return;
    const std::string source = doc->Path();
    const auto line = static_cast<uint32_t>(stc_->LineFromPosition(stc_->GetCurrentPos()) + 1);
    const std::string dviPath = dvi.GetFullPath().utf8_string();
    std::string text = TextOf(*buffer_, 0, buffer_->Length());
    if (!wxDynamicCast(Services().Typeset().ShowDocument(dviPath), CDVIWinDoc))
        return;
    // A view that has just opened fits its zoom once it has its size: search after that,
    // if the document is still open then.
    wxTheApp->CallAfter([dviPath, source, line, text = std::move(text)] {
        auto* dviDoc = wxDynamicCast(Services().Typeset().FindDocument(dviPath), CDVIWinDoc);
        auto* view = dviDoc ? wxDynamicCast(dviDoc->GetFirstView(), CBaseView) : nullptr;
        PageView* pages = view ? view->View() : nullptr;
        if (!pages || !dviDoc->Dvi())
            return;
        int page = -1, x = 0, y = 0;
        if (dviDoc->Dvi()->ForwardSearch(source, line, pages->Resolution(), page, x, y)) {
            // Within a paragraph the special's place is moved on to the line's text.
            RefineSourcePlace(*dviDoc->Dvi(), text, line, pages->Resolution(), page, x, y);
            pages->ShowSourcePosition(page, x, y);
        }
        // The pages were brought forward: their keys page through them.
        if (view->Canvas())
            view->Canvas()->SetFocus();
    });
}

}  // namespace quirn::gui

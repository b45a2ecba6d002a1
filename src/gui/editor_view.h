// The TeX editor: the generic editor document and view over the editing component
// (CScintillaDoc, CScintillaView) and the TeX document and view on top of them
// (CQuirnWinDoc, CQuirnWinView). The text algorithms live in src/editor and see the
// component through StcTextBuffer.
#pragma once

#include <wx/docview.h>
#include <wx/fdrepdlg.h>
#include <wx/stc/stc.h>

#include <memory>
#include <string>
#include <utility>

#include "editor/brace_match.h"
#include "editor/completion.h"
#include "editor/find_replace.h"
#include "editor/line_tracker.h"
#include "editor/spell_checker.h"
#include "editor/tex_commands.h"
#include "editor/tex_document.h"
#include "editor/visible_colouring.h"
#include "gui/child_frames.h"
#include "gui/editor_margins.h"
#include "gui/stc_text_buffer.h"

namespace quirn::gui {

class CScintillaView;

// What all editor views share: the one Find/Replace dialog and its state, the
// external-modification guard, the completion list, and the flag the typesetting
// path raises while it saves documents before a run.
struct EditorShared {
    FindReplaceState find;
    wxFindReplaceData findData;
    wxFindReplaceDialog* findDialog = nullptr;
    CScintillaView* findOwner = nullptr;
    bool findDialogIsReplace = false;
    ExternalEditGuard externalGuard;
    CompletionList completion;
    bool savingBeforeTypeset = false;
    // The spell checker of all editors, started on first need (gui/spelling.h).
    std::unique_ptr<SpellChecker> speller;
};

// Text of a document for a window control: UTF-8, or byte for byte when it is not.
wxString TextToWindow(const std::string& bytes);

// Menu commands of the editors (the generic ones use the stock identifiers).
enum EditorCommand : int {
    kIdFindNext = 25000,  // menu identifiers stay below 32767
    kIdWordWrap,
    kIdGoToLine,
    kIdDeleteLine,
    kIdMatchBrace,
    kIdFindMismatch,
    kIdBlockComment,
    kIdSetBookmark,
    kIdJumpBookmark,
    kIdListItemized,
    kIdListEnumerated,
    kIdListDescription,
    kIdGotoTypesetDvi,
    kIdCommandHelp,
};

// A text document held in the view's editing component.
class CScintillaDoc : public wxDocument {
  public:
    wxStyledTextCtrl* Editor() const;
    CScintillaView* EditorView() const;

  protected:
    wxDECLARE_ABSTRACT_CLASS(CScintillaDoc);
};

// The generic editor view: one editing component, the clipboard, undo, Find/Replace,
// word wrap and printing.
class CScintillaView : public wxView {
  public:
    ~CScintillaView() override;
    bool OnCreate(wxDocument* doc, long flags) override;
    void OnDraw(wxDC*) override {}
    bool OnClose(bool deleteWindow) override;
    void OnChangeFilename() override;

    wxStyledTextCtrl* Editor() { return stc_; }
    StcTextBuffer& Buffer() { return *buffer_; }
    TextRange GetSelection() const;
    void SetSelection(TextPos start, TextPos end);
    // Carries out what an editing command answered: beep, message, selection.
    void Apply(const EditOutcome& outcome);
    void Beep();
    bool IsWrapped() const;
    void SetWrap(bool wrap);
    // Repeats the last search with the saved flags.
    void FindNextAgain();

  protected:
    // The frame the view lives in; the TeX view gives its own kind.
    virtual DocChildFrame* MakeFrame(wxDocument* doc);
    virtual void ConfigureEditor();
    void OnFindDialogEvent(wxFindDialogEvent& e);
    void MoveFindDialogOffText(const TextRange& found);

    wxStyledTextCtrl* stc_ = nullptr;
    std::unique_ptr<StcTextBuffer> buffer_;

  private:
    void OnEditCommand(wxCommandEvent& e);
    void OnUpdateEditCommand(wxUpdateUIEvent& e);
    void OpenFindDialog(bool replace);
    void OnKeyDown(wxKeyEvent& e);
    void OnChar(wxKeyEvent& e);
    void OnPrint(wxCommandEvent& e);

    wxDECLARE_DYNAMIC_CLASS(CScintillaView);
    wxDECLARE_EVENT_TABLE();
};

class CQuirnWinView;
class EditorSpelling;

// The TeX document: byte-exact loading and saving, the save rules, the protection
// before closing and typesetting, and changes made by other programs.
class CQuirnWinDoc : public CScintillaDoc {
  public:
    bool OnCreate(const wxString& path, long flags) override;
    bool IsModified() const override;
    void Modify(bool modified) override;
    bool Save() override;
    bool SaveAs() override;
    bool OnSaveModified() override;
    bool OnNewDocument() override;
    // Asks whether to load the file again when another program changed it.
    ExternalCheckResult CheckExternalModification();
    // Saves under `path`, or asks for a name when it is empty; `replace` makes the new
    // name the document's.
    bool DoSave(const std::string& path, bool replace);
    const std::string& Path() const { return path_; }
    TexDocument* Tex();
    // The title as the state says: file name and " *" when modified.
    void RefreshTitle();

  protected:
    bool DoOpenDocument(const wxString& file) override;
    bool DoSaveDocument(const wxString& file) override;

  private:
    std::unique_ptr<TexDocument> tex_;
    std::string path_;
    wxDECLARE_DYNAMIC_CLASS(CQuirnWinDoc);
};

// The TeX editor view: colouring, matching, comments, bookmark, lists, completion,
// templates and the caret as text.
class CQuirnWinView : public CScintillaView {
  public:
    CQuirnWinView();
    ~CQuirnWinView() override;
    bool OnCreate(wxDocument* doc, long flags) override;
    // Background spelling, the spelling menu and the Spell Check command.
    EditorSpelling* Spelling() { return spelling_.get(); }

    // Goes to a 1-based line and centres it; beeps when there is no such line.
    void GoToLine(int line);
    void InsertTemplate(const std::string& text);
    std::string GetCaretText() const;
    void SetCaretFromText(const std::string& text);
    // Re-reads the editor settings (after the Settings dialog).
    void ApplySettings();
    // The lines the errors-and-warnings list reports for this file, marked in the margin.
    void SetProblemMarks(const std::vector<ProblemMark>& marks);

  protected:
    DocChildFrame* MakeFrame(wxDocument* doc) override;
    void ConfigureEditor() override;

  private:
    CQuirnWinDoc* TexDoc() const;
    void OnStyleNeeded(wxStyledTextEvent& e);
    void OnCharAdded(wxStyledTextEvent& e);
    void OnSavePoint(wxStyledTextEvent& e);
    void OnModified(wxStyledTextEvent& e);
    void OnUpdateUi(wxStyledTextEvent& e);
    // The shown lines coloured and the caret position in the status bar.
    void RefreshShownState();
    // Colouring of the shown lines (VisibleColouring): the shown document lines
    // [first, last), and the styling of shown lines the component's requests passed over.
    std::pair<int64_t, int64_t> ShownLines() const;
    void ColourShownLines();
    void OnPainted(wxStyledTextEvent& e);
    void OnFocus(wxFocusEvent& e);
    void CallAfterCheck(CQuirnWinDoc* doc);
    void OnKeyDown(wxKeyEvent& e);
    void OnContextMenu(wxContextMenuEvent& e);
    void OnTexCommand(wxCommandEvent& e);
    void OnUpdateTexCommand(wxUpdateUIEvent& e);
    void AskGoToLine();
    void ShowCommandHelp();
    void GotoTypesetDvi();

    bool chromaCoding_ = true;
    bool autoComplete_ = true;
    bool autoSpellCheck_ = true;
    bool insertMode_ = true;
    bool skipNextFocusCheck_ = false;
    bool foldDirty_ = true;  // the fold levels are set again when the text has changed
    bool hasMarks_ = false;
    DollarState dollar_;
    Bookmark bookmark_;
    LineTracker lineTracker_;
    std::unique_ptr<EditorSpelling> spelling_;
    VisibleColouring colouring_;
    long long lastEditTicks_ = 0;

    wxDECLARE_DYNAMIC_CLASS(CQuirnWinView);
    wxDECLARE_EVENT_TABLE();
};

}  // namespace quirn::gui

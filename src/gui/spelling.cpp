#include "gui/spelling.h"

#include <wx/menu.h>
#include <wx/time.h>

#include <algorithm>
#include <deque>

#include "app/settings_values.h"
#include "editor/spell_check_walk.h"
#include "editor/spell_scanner.h"
#include "gui/editor_view.h"
#include "gui/gui_services.h"
#include "gui/spell_dialog.h"
#include "gui/stc_text_buffer.h"
#include "gui/typeset_bridge.h"
#include "packages/missing_files.h"

namespace quirn::gui {

namespace {

constexpr int kIndicator = 0;
// Nothing is checked until the text has been still this long.
constexpr long long kQuietMs = 1001;
constexpr int kSliceMs = kBackgroundSliceMs;
constexpr int kSlicePauseMs = kBackgroundPauseMs;
constexpr std::size_t kMenuSuggestions = 10;

long long NowMs() {
    return wxGetLocalTimeMillis().GetValue();
}

std::string Counted(int n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

}  // namespace

SpellChecker* EnsureEditorSpelling() {
    GuiServices& services = Services();
    EditorShared& shared = services.Editors();
    Application& app = services.App();
    if (!shared.speller) {
        shared.speller =
            std::make_unique<SpellChecker>(app.Roots(), services.Output(), services.Prompt());
        shared.speller->SetEnvironment(app.Context().childEnvironment);
        shared.speller->SetMissingFileResolver([](const std::string& file) {
            MissingFileResolver* resolver = Services().Typeset().Resolver();
            return resolver && resolver->ResolveMissingFile(file, true, true);
        });
    }
    SpellChecker& checker = *shared.speller;
    const std::string& dictionary = app.Record().ispellHash;
    if (!checker.Running() || checker.Dictionary() != dictionary)
        checker.SetOptions(LoadSpellOptions(app.GetProfile()));
    return checker.Ensure(dictionary) ? &checker : nullptr;
}

EditorSpelling::EditorSpelling(wxStyledTextCtrl* stc, StcTextBuffer& buffer, LineTracker& tracker)
    : stc_(stc), buffer_(buffer), tracker_(tracker), pass_(buffer, tracker), timer_(this) {
    stc_->IndicatorSetStyle(kIndicator, wxSTC_INDIC_SQUIGGLE);
    stc_->IndicatorSetForeground(kIndicator, wxColour(255, 0, 0));
    Bind(wxEVT_TIMER, &EditorSpelling::OnTimer, this);
}

EditorSpelling::~EditorSpelling() {
    timer_.Stop();
}

void EditorSpelling::SetBackground(bool on) {
    background_ = on;
    if (!on) {
        timer_.Stop();
        stc_->SetIndicatorCurrent(kIndicator);
        stc_->IndicatorClearRange(0, stc_->GetLength());
        tracker_.ResetAll();
        return;
    }
    timer_.StartOnce(kSlicePauseMs);
}

void EditorSpelling::OnTextChanged(bool wholeText) {
    if (wholeText) {
        lastChange_ = 0;
        RecheckAll();
        return;
    }
    lastChange_ = NowMs();
    pass_.Restart();
    if (background_ && !disabled_ && !timer_.IsRunning())
        timer_.StartOnce(static_cast<int>(kQuietMs));
}

void EditorSpelling::RecheckAll() {
    tracker_.ResetAll();
    pass_.Restart();
    if (background_ && !disabled_)
        timer_.StartOnce(kSlicePauseMs);
}

bool EditorSpelling::Pending() const {
    return pass_.Pending();
}

void EditorSpelling::OnTimer(wxTimerEvent&) {
    if (!background_ || disabled_)
        return;
    const long long quiet = NowMs() - lastChange_;
    if (quiet < kQuietMs) {
        timer_.StartOnce(static_cast<int>(kQuietMs - quiet));
        return;
    }
    CheckSlice(kSliceMs);
    if (!disabled_ && Pending())
        timer_.StartOnce(kSlicePauseMs);
}

void EditorSpelling::CheckSlice(int budgetMs) {
    SpellChecker* checker = EnsureEditorSpelling();
    if (!checker) {
        disabled_ = true;
        return;
    }
    const int top = stc_->GetFirstVisibleLine();
    const int64_t first = stc_->DocLineFromVisible(top);
    const int64_t last = stc_->DocLineFromVisible(top + stc_->LinesOnScreen()) + 1;
    stc_->SetIndicatorCurrent(kIndicator);
    pass_.Slice(*checker, budgetMs, first, last,
                [this](int64_t line, const std::vector<SpellWord>& unknown) {
                    const int start = static_cast<int>(buffer_.LineStart(line));
                    const int end = static_cast<int>(buffer_.LineEnd(line));
                    stc_->IndicatorClearRange(start, end - start);
                    for (const SpellWord& word : unknown)
                        stc_->IndicatorFillRange(start + static_cast<int>(word.start),
                                                 static_cast<int>(word.end - word.start));
                });
}

std::vector<std::string> EditorSpelling::MarkedWords() const {
    std::vector<std::string> out;
    const int length = stc_->GetLength();
    int pos = 0;
    while (pos < length) {
        if (stc_->IndicatorValueAt(kIndicator, pos) == 0) {
            int next = stc_->IndicatorEnd(kIndicator, pos);
            pos = next > pos ? next : pos + 1;
            continue;
        }
        int end = stc_->IndicatorEnd(kIndicator, pos);
        if (end <= pos)
            end = length;
        out.push_back(TextOf(buffer_, pos, end));
        pos = end;
    }
    return out;
}

std::optional<SpellMenu> EditorSpelling::MenuAt(int pos) {
    if (!stc_->GetSelectionEmpty() || disabled_)
        return std::nullopt;
    const int length = stc_->GetLength();
    int start = pos;
    while (start > 0 && IsSpellLetter(static_cast<unsigned char>(buffer_.CharAt(start - 1))))
        --start;
    int end = pos;
    while (end < length && (IsSpellLetter(static_cast<unsigned char>(buffer_.CharAt(end))) ||
                            buffer_.CharAt(end) == '\''))
        ++end;
    if (start == end || !IsSpellLetter(static_cast<unsigned char>(buffer_.CharAt(start))))
        return std::nullopt;
    SpellChecker* checker = EnsureEditorSpelling();
    if (!checker) {
        disabled_ = true;
        return std::nullopt;
    }
    SpellMenu menu;
    menu.start = start;
    menu.end = end;
    menu.word = TextOf(buffer_, start, end);
    menu.suggestions = checker->Suggestions(menu.word);
    if (menu.suggestions.empty() && checker->IsWordCorrect(menu.word))
        return std::nullopt;
    if (menu.suggestions.size() > kMenuSuggestions)
        menu.suggestions.resize(kMenuSuggestions);
    return menu;
}

void EditorSpelling::Choose(const SpellMenu& menu, const std::string& item) {
    SpellChecker* checker = EnsureEditorSpelling();
    if (!checker)
        return;
    if (item == "Add" || item == "Ignore All") {
        if (item == "Add") {
            if (!checker->AddWord(menu.word))
                Services().Output().AppendOutput(
                    "Could not write " +
                    PersonalDictionaryPath(Services().App().Roots(), checker->Dictionary()) + "\n");
        } else {
            checker->IgnoreWord(menu.word);
        }
        stc_->SetIndicatorCurrent(kIndicator);
        stc_->IndicatorClearRange(menu.start, menu.end - menu.start);
        stc_->GotoPos(menu.end);
        RecheckAll();
        return;
    }
    stc_->SetSelection(menu.start, menu.end);
    stc_->ReplaceSelection(wxString::FromUTF8(item));
    stc_->GotoPos(menu.start + static_cast<int>(item.size()));
}

bool EditorSpelling::PopupAt(const wxPoint& clientPoint) {
    const int pos = stc_->PositionFromPoint(clientPoint);
    std::optional<SpellMenu> menu = MenuAt(pos);
    if (!menu)
        return false;
    stc_->SetSelection(menu->start, menu->end);
    wxMenu popup;
    const int first = wxID_HIGHEST + 900;
    if (menu->suggestions.empty()) {
        popup.Append(first + 20, "No Suggestions")->Enable(false);
    }
    // At most twenty suggestions: the identifiers after them are the menu's own.
    menu->suggestions.resize(std::min<std::size_t>(menu->suggestions.size(), 20));
    for (std::size_t i = 0; i < menu->suggestions.size(); ++i)
        popup.Append(first + static_cast<int>(i), wxString::FromUTF8(menu->suggestions[i]));
    popup.AppendSeparator();
    popup.Append(first + 21, "Add");
    popup.Append(first + 22, "Ignore All");
    const int chosen = stc_->GetPopupMenuSelectionFromUser(popup, clientPoint);
    if (chosen == first + 21) {
        Choose(*menu, "Add");
    } else if (chosen == first + 22) {
        Choose(*menu, "Ignore All");
    } else if (chosen >= first && chosen < first + static_cast<int>(menu->suggestions.size())) {
        Choose(*menu, menu->suggestions[static_cast<std::size_t>(chosen - first)]);
    } else {
        stc_->GotoPos(menu->end);
    }
    return true;
}

void EditorSpelling::SpellCheckCommand() {
    SpellChecker* checker = EnsureEditorSpelling();
    if (!checker) {
        disabled_ = true;
        return;
    }
    UserPrompt& prompt = Services().Prompt();
    checker->scanned = 0;
    checker->corrected = 0;
    const int selStart = stc_->GetSelectionStart();
    const int selEnd = stc_->GetSelectionEnd();
    const bool selection = selStart != selEnd;
    const int caret = stc_->GetCurrentPos();

    // One range of the text; false when the check was cancelled.
    auto checkRange = [&](std::size_t from, std::size_t to) {
        std::string text = TextOf(buffer_, 0, buffer_.Length());
        SpellCheckWalk walk(*checker, text, from, std::min(to, text.size()));
        bool cancelled = false;
        while (std::optional<SpellFinding> finding = walk.Next()) {
            stc_->SetSelection(static_cast<int>(finding->start), static_cast<int>(finding->end));
            stc_->EnsureCaretVisible();
            std::string replacement;
            bool replace = false;
            const std::string* through =
                finding->repeated ? nullptr : checker->ReplacementFor(finding->text);
            if (through) {
                replacement = *through;
                replace = true;
            } else {
                SpellDialogResult result =
                    RunSpellDialog(stc_, *checker, finding->text, replacement);
                if (result == SpellDialogResult::Cancel) {
                    cancelled = true;
                    break;
                }
                replace = result == SpellDialogResult::Replace;
            }
            if (!replace)
                continue;
            stc_->ReplaceSelection(wxString::FromUTF8(replacement));
            ++checker->corrected;
            const long long delta = static_cast<long long>(replacement.size()) -
                                    static_cast<long long>(finding->end - finding->start);
            to = static_cast<std::size_t>(static_cast<long long>(to) + delta);
            text = TextOf(buffer_, 0, buffer_.Length());
            walk.Continue(text, finding->start + replacement.size(), std::min(to, text.size()));
        }
        checker->scanned += walk.Scanned();
        return !cancelled;
    };

    bool go = true;
    if (selection) {
        go = checkRange(static_cast<std::size_t>(selStart), static_cast<std::size_t>(selEnd));
    } else {
        go = checkRange(static_cast<std::size_t>(caret),
                        static_cast<std::size_t>(stc_->GetLength()));
        if (go && caret > 0 &&
            prompt.AskYesNo("Continue checking at the\nbeginning of the document?"))
            go = checkRange(0, static_cast<std::size_t>(caret));
    }
    (void)go;
    prompt.ShowMessage("Spelling Check is complete.\n  (" + Counted(checker->scanned, "word") +
                       " scanned, " + Counted(checker->corrected, "word") + " corrected)");
    RecheckAll();
}

}  // namespace quirn::gui

// The spelling dialog of the Spell Check command, titled "TeXSpell - " + the
// dictionary name, and the dialog of the six TeXSpell options it opens with "Set
// default behavior". With QUIRN_TEST_ANSWER set (window tests) the dialog is not
// shown: it prints "spell-dialog: WORD<TAB>SUGGESTIONS" on standard error and replaces
// the word with its first suggestion on "yes", keeps it on "no".
#pragma once

#include <wx/window.h>

#include <string>

namespace quirn {
class SpellChecker;
}

namespace quirn::gui {

enum class SpellDialogResult { Continue, Replace, Cancel };

// `word` is the unknown word, or two words and a blank for a repeated word. On
// Replace, `replacement` holds the text that replaces the selection.
SpellDialogResult RunSpellDialog(wxWindow* parent, SpellChecker& checker, const std::string& word,
                                 std::string& replacement);

}  // namespace quirn::gui

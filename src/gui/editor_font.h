// The editor's font features: whatever family is chosen, its text is drawn one character
// to a cell, with no ligatures ("ffi" in "office" is three cells wide), so that columns
// of source stay columns.
#pragma once

#include <string>

namespace quirn::gui {

// Turns the ligature and contextual-alternate features off for `family` in every text
// the program draws with it, from the next drawing on. False when the font configuration
// refused the rule (the text is then drawn as the font shapes it).
bool DrawWithoutLigatures(const std::string& family);

}  // namespace quirn::gui

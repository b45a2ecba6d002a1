// Insert Reference and Insert Cite: the picker's list dialog over the window-free
// LabelPicker, and the commands that insert the chosen name at the editor's caret.
#pragma once

#include <string>

#include "editor/label_picker.h"

class wxWindow;

namespace quirn::gui {

// Shows the picker over the auxiliary file `auxPath` with the template's placeholder as
// the initial name; the text to insert, or empty when cancelled or when the file could
// not be read.
std::string PickLabel(wxWindow* parent, LabelPicker::Mode mode, const std::string& auxPath);

// The commands for the active TeX editor.
void InsertReference();
void InsertCite();

}  // namespace quirn::gui

// The editor's font and colours ("Change &Font && Colors" on the Editor page): the
// screen font through the font dialog, and the six colours of the TeX editor.
#pragma once

#include <wx/font.h>
#include <wx/window.h>

#include "app/settings_values.h"

namespace quirn::gui {

// The screen font of the "Font" values: face, size (tenths of a point), weight and
// slant; and back, with the record's height computed for the display's resolution.
wxFont FontFromValues(const EditorPageValues& values);
void ValuesFromFont(const wxFont& font, int verticalDpi, EditorPageValues& values);

// Edits the font and colours of `values`; true (and `values` changed) on OK.
bool RunFontColorsDialog(wxWindow* parent, EditorPageValues& values);

}  // namespace quirn::gui

// Printing an editor's text through the editing component's page formatting, black
// on white, with the document's print title in the page header.
#pragma once

#include <wx/stc/stc.h>

#include <string>

#include "platform/user_prompt.h"

namespace quirn::gui {

void PrintEditorText(wxStyledTextCtrl& stc, const std::string& title, wxWindow* parent,
                     UserPrompt& prompt);

}  // namespace quirn::gui

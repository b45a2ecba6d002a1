// The Tools menu ("Too&ls"): BibTeX, MakeIndex, the setup dialog of the user's tools
// and one item per user tool (command identifier 34000 + its index), all run through
// the tool runner.
#pragma once

#include <wx/frame.h>
#include <wx/menu.h>

namespace quirn::gui {

inline constexpr int kToolCommandBase = 34000;
inline constexpr int kMaxUserTools = 900;

// Builds the menu, puts it before the Help menu of `bar` and binds its items on `frame`;
// the user tools' items come with RefillToolsMenu (start-up's "fill the Tools menu").
void InstallToolsMenu(wxFrame& frame, wxMenuBar& bar);
// The user tools' items again, after the setup dialog changed them.
void RefillToolsMenu(wxMenuBar& bar);

}  // namespace quirn::gui

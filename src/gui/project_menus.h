// The Project menu, Word Count in the Tools menu, Insert Reference and Insert Cite in
// the TeX menu, and Find in the page views: added to the main frame's menus and
// handled here.
#pragma once

#include <functional>
#include <string>

class wxMenu;
class wxMenuBar;

namespace quirn::gui {

class CMainFrame;

void AddProjectMenus(CMainFrame& frame, wxMenuBar& bar, wxMenu& texMenu);

// Find Next in the active page view with `text` (what the Find dialog does).
void FindInActivePages(CMainFrame& frame, const std::string& text, bool matchCase, bool down);
// Word Count of the active page view (its selection, or every page).
void CountWordsOfActivePages(CMainFrame& frame);

// The window tests' steps for projects, the tree, find and word count ("project PATH",
// "tree", "tree-command LABEL|COMMAND", "find TEXT", "select PAGE L T R B", "word-count",
// "status", "insert-reference", "insert-cite"); false for a step that is none of them.
bool RunProjectStep(const std::string& verb, const std::string& rest,
                    const std::function<void(const std::string&)>& say);

}  // namespace quirn::gui

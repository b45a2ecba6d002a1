// The project bar: the workspace tree of open projects, their files in the fixed
// groups and, below each TeX source, its outline; docked at the left. It owns the
// program's project list.
#pragma once

#include <wx/imaglist.h>
#include <wx/panel.h>
#include <wx/timer.h>
#include <wx/treectrl.h>

#include <map>
#include <memory>
#include <string>

#include "gui/project_workspace.h"

namespace quirn::gui {

class CWorkspaceBar : public wxPanel {
  public:
    explicit CWorkspaceBar(wxWindow* parent);
    ~CWorkspaceBar() override;
    wxTreeCtrl* Tree() { return tree_; }
    GuiProjects& Projects() { return *projects_; }

    // RefreshTree: rebuilds the tree from the project list.
    void RefreshTree();
    // The outlines of the TeX sources, parsed again where their text changed.
    void RefreshOutlines();

    // The tree's menus, for the window's test steps: the item labelled `label` is
    // selected and its menu command `command` (the item's text without "&") runs.
    bool RunItemCommand(const std::string& label, const std::string& command);
    // The tree as text, two blanks per level (for the window's test steps).
    std::string TreeText() const;

    // The menus' commands on a project or a file.
    void AddFiles(Project& project);
    void Rename(Project& project);
    void CloseProject(Project& project);
    void RemoveFile(Project& project, const std::string& file);
    void MakeMain(Project& project, const std::string& file);
    void OpenFile(const std::string& file);

  private:
    struct ItemData;
    ItemData* DataOf(const wxTreeItemId& item) const;
    void AddOutline(const wxTreeItemId& fileItem, const std::string& file);
    std::string SourceText(const std::string& file) const;
    size_t SourceStamp(const std::string& file) const;
    void OnActivated(wxTreeEvent& e);
    void OnSelChanged(wxTreeEvent& e);
    void OnItemMenu(wxTreeEvent& e);
    void OnKeyDown(wxTreeEvent& e);
    void OnTimer(wxTimerEvent& e);
    void ShowMenu(const wxTreeItemId& item);
    void RunCommand(const wxTreeItemId& item, const std::string& command);
    void TextOfItem(const wxTreeItemId& item, int level, std::string& out) const;

    wxTreeCtrl* tree_;
    wxImageList images_;
    std::unique_ptr<GuiProjects> projects_;
    wxTimer outlineTimer_;
    std::map<std::string, size_t> outlineHashes_;  // SourceStamp per TeX source shown
    bool rebuilding_ = false;
};

}  // namespace quirn::gui

// The workspace tree as a flat list of items in display order: the root "Workspace ",
// one item per project, its main file, and the fixed file groups that have files.
#pragma once

#include <string>
#include <vector>

#include "projects/project_list.h"

namespace quirn {

// Item images: TeX sources (and the main file), DVI files, everything else.
inline constexpr int kTreeImageTeX = 2;
inline constexpr int kTreeImageDvi = 3;
inline constexpr int kTreeImageOther = 4;

struct WorkspaceTreeItem {
    enum class Kind { Root, Project, Group, File };
    Kind kind = Kind::Root;
    int level = 0;  // 0 root, 1 project, 2 main file and groups, 3 files of a group
    std::string label;
    int image = -1;              // file items only
    Project* project = nullptr;  // project, group and file items
    std::string file;            // file items: the full path
};

// A graphics file by its extension (bmp, jpg, jpeg, wmf, emf, ps, eps, pdf, tif, gif,
// png, ignoring case).
bool IsGraphicsFile(const std::string& file);

// The group a file other than the main file belongs in ("Additional TeX files",
// "Figure files", "Generated files", "Other files" or "Output files").
std::string TreeGroupOf(const std::string& file, const std::string& mainFile);
int TreeImageOf(const std::string& file);

std::vector<WorkspaceTreeItem> BuildWorkspaceTree(const ProjectList& list);

}  // namespace quirn

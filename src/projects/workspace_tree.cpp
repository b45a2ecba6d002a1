#include "projects/workspace_tree.h"

#include <strings.h>

#include <algorithm>
#include <array>

#include "platform/paths.h"
#include "platform/store_tree.h"

namespace quirn {
namespace {

constexpr std::array<const char*, 5> kGroups = {"Additional TeX files", "Figure files",
                                                "Generated files", "Other files", "Output files"};

}  // namespace

bool IsGraphicsFile(const std::string& file) {
    const std::string ext = LowerAscii(ExtensionOf(file));
    for (const char* g :
         {"bmp", "jpg", "jpeg", "wmf", "emf", "ps", "eps", "pdf", "tif", "gif", "png"}) {
        if (ext == g)
            return true;
    }
    return false;
}

std::string TreeGroupOf(const std::string& file, const std::string& mainFile) {
    const std::string ext = LowerAscii(ExtensionOf(file));
    if (IsTeXSource(file))
        return kGroups[0];
    if (ext == "dvi")
        return kGroups[4];
    if ((ext == "ps" || ext == "pdf") &&
        strcasecmp(FileNameOf(StripExtension(file)).c_str(),
                   FileNameOf(StripExtension(mainFile)).c_str()) == 0) {
        return kGroups[4];
    }
    if (IsGraphicsFile(file))
        return kGroups[1];
    if (ext == "aux")
        return kGroups[2];
    return kGroups[3];
}

int TreeImageOf(const std::string& file) {
    if (IsTeXSource(file))
        return kTreeImageTeX;
    return LowerAscii(ExtensionOf(file)) == "dvi" ? kTreeImageDvi : kTreeImageOther;
}

std::vector<WorkspaceTreeItem> BuildWorkspaceTree(const ProjectList& list) {
    std::vector<WorkspaceTreeItem> items;
    items.push_back({WorkspaceTreeItem::Kind::Root, 0, "Workspace ", -1, nullptr, {}});
    for (const auto& owned : list.Projects()) {
        Project* project = owned.get();
        items.push_back(
            {WorkspaceTreeItem::Kind::Project, 1, "Project " + project->name, -1, project, {}});
        if (project->files.empty())
            continue;
        const std::string& main = project->files.front();
        items.push_back(
            {WorkspaceTreeItem::Kind::File, 2, FileNameOf(main), kTreeImageTeX, project, main});
        for (const char* group : kGroups) {
            bool headed = false;
            for (size_t i = 1; i < project->files.size(); ++i) {
                const std::string& file = project->files[i];
                if (TreeGroupOf(file, main) != group)
                    continue;
                if (!headed) {
                    items.push_back({WorkspaceTreeItem::Kind::Group, 2, group, -1, project, {}});
                    headed = true;
                }
                items.push_back({WorkspaceTreeItem::Kind::File, 3, FileNameOf(file),
                                 TreeImageOf(file), project, file});
            }
        }
    }
    return items;
}

}  // namespace quirn

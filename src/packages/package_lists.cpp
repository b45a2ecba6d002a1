#include "packages/package_lists.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "platform/paths.h"

namespace quirn {
namespace fs = std::filesystem;
namespace {

const char* const kInstalledPatterns[] = {
    "texmf/tpm/collection/*.tpm", "texmf/tpm/package/*.tpm", "texmf/tpm/*.tpm",
    "texmf-dist/tpm/*.tpm",       "texmf-doc/tpm/*.tpm",
};

const char* const kAvailablePatterns[] = {
    "tpm/collection/*.tpm",
    "tpm/collections/*.tpm",
    "texmf/tpm/collection/*.tpm",
    "texmf/tpm/collections/*.tpm",
    "tpm/package/*.tpm",
    "tpm/packages/*.tpm",
    "texmf/tpm/package/*.tpm",
    "texmf/tpm/packages/*.tpm",
    "*.tpm",
    "tpm/*.tpm",
    "tpm/*.zip",
};

// The regular files of `root` + the pattern's folder whose names end with the
// pattern's extension, in name order.
std::vector<std::string> Matches(const std::string& root, const std::string& pattern) {
    std::vector<std::string> found;
    const std::string folder =
        JoinPath(root, DirectoryOf(pattern) == "." ? "" : DirectoryOf(pattern));
    const std::string suffix = FileNameOf(pattern).substr(1);  // "*.tpm" -> ".tpm"
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() > suffix.size() && name.ends_with(suffix) && it->is_regular_file(ec))
            found.push_back(it->path().string());
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::vector<std::string> PassRoots(const PackageSources& sources, bool withRepository) {
    std::vector<std::string> roots{sources.roots.tdsPath};
    if (!SameDirectory(sources.roots.installDir, sources.roots.tdsPath))
        roots.push_back(sources.roots.installDir);
    if (!sources.serverDataPath.empty() &&
        !SameDirectory(sources.serverDataPath, sources.roots.tdsPath))
        roots.push_back(sources.serverDataPath);
    if (withRepository)
        roots.push_back(sources.repository);
    return roots;
}

void SortList(std::vector<TpmPackage>& list) {
    std::stable_sort(list.begin(), list.end(), [](const TpmPackage& a, const TpmPackage& b) {
        const std::string na = a.DisplayName(), nb = b.DisplayName();
        return na != nb ? na < nb : a.Path() < b.Path();
    });
}

std::vector<TpmPackage> Installed(const PackageSources& sources) {
    std::vector<TpmPackage> installed;
    for (const std::string& root : PassRoots(sources, false)) {
        if (root.empty())
            continue;
        for (const char* pattern : kInstalledPatterns) {
            for (const std::string& file : Matches(root, pattern)) {
                TpmPackage package;
                if (package.Read(file))
                    installed.push_back(std::move(package));
            }
        }
    }
    return installed;
}

}  // namespace

const TpmPackage* PackageLists::FindInstalled(const std::string& name) const {
    for (const TpmPackage& package : installed) {
        if (package.GetName() == name)
            return &package;
    }
    return nullptr;
}

const TpmPackage* PackageLists::FindAvailable(const std::string& name) const {
    for (const TpmPackage& package : available) {
        if (package.GetName() == name || package.DisplayName() == name)
            return &package;
    }
    return nullptr;
}

bool ReadPackageList(const std::string& path, std::vector<TpmPackage>& records) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    TpmPackage record;
    std::string line;
    const struct {
        const char* prefix;
        const char* property;
    } fields[] = {{"Name: ", "Name"},
                  {"Date: ", "Date"},
                  {"Version: ", "Version"},
                  {"Description: ", "Description"}};
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.starts_with("-")) {
            records.push_back(std::move(record));
            record = TpmPackage();
            continue;
        }
        if (line.starts_with("url: ")) {
            record.SetPath(line.substr(5));
            continue;
        }
        for (const auto& field : fields) {
            if (line.starts_with(field.prefix)) {
                record.SetProperty(field.property, line.substr(std::string(field.prefix).size()));
                break;
            }
        }
    }
    return true;
}

std::vector<TpmPackage> GatherInstalledPackages(const PackageSources& sources) {
    std::vector<TpmPackage> installed = Installed(sources);
    SortList(installed);
    return installed;
}

PackageLists GatherPackages(const PackageSources& sources) {
    PackageLists lists;
    lists.installed = Installed(sources);
    std::set<std::string> installedNames;
    for (const TpmPackage& package : lists.installed)
        installedNames.insert(package.GetName());
    for (const std::string& root : PassRoots(sources, true)) {
        if (root.empty())
            continue;
        for (const char* pattern : kAvailablePatterns) {
            for (const std::string& file : Matches(root, pattern)) {
                TpmPackage package;
                if (package.Read(file) && !installedNames.count(package.GetName()))
                    lists.available.push_back(std::move(package));
            }
        }
    }
    if (!sources.packageList.empty())
        ReadPackageList(sources.packageList, lists.available);
    SortList(lists.installed);
    SortList(lists.available);
    return lists;
}

}  // namespace quirn

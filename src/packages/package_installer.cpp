#include "packages/package_installer.h"

#include <unistd.h>

#include "app/app_context.h"
#include "dvi/fonts/font_context.h"
#include "packages/font_maps.h"
#include "platform/download.h"
#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/user_prompt.h"

namespace quirn {

TpmInstallContext PackageInstaller::InstallContext() {
    TpmInstallContext install;
    install.roots = context_.roots;
    install.output = context_.output;
    install.verbose = verbose_;
    install.report = report_;
    return install;
}

bool PackageInstaller::Install(const TpmPackage& package) {
    if (!package.IsWebPackage()) {
        if (!package.Install(InstallContext()))
            return false;
        AfterChange(package, true);
        return true;
    }
    // A web package: its archive's own manifest gives the file list.
    const std::string folder = context_.temporary.Path();
    std::string file =
        folder.empty() ? std::string() : JoinPath(folder, DownloadFileName(package.Path()));
    std::string error;
    TpmPackage downloaded;
    bool ok = !file.empty() && DownloadFile(package.Path(), file, error) && downloaded.Read(file) &&
              downloaded.IsArchive();
    if (!ok) {
        if (!file.empty())
            ::unlink(file.c_str());
        if (context_.prompt != nullptr)
            context_.prompt->ShowMessage(kWebDownloadFailed);
        return false;
    }
    ok = downloaded.Install(InstallContext());
    ::unlink(file.c_str());
    if (ok)
        AfterChange(downloaded, true);
    return ok;
}

bool PackageInstaller::InstallFile(const std::string& path) {
    TpmPackage package;
    return package.Read(path) && Install(package);
}

void PackageInstaller::Remove(const TpmPackage& package) {
    package.Remove(InstallContext());
    AfterChange(package, false);
}

void PackageInstaller::AfterChange(const TpmPackage& package, bool addMaps) {
    const DataRoots& roots = context_.roots;
    std::vector<std::string> trees;
    for (const char* tree : {"texmf", "texmf-dist", "texmf-doc"}) {
        std::string path = JoinPath(roots.tdsPath, tree);
        if (RegularFileExists(JoinPath(path, "ls-R")))
            trees.push_back(path);
    }
    const bool maps = addMaps && !package.AddMapParameters().empty();
    if (trees.empty() && !maps)
        return;
    FontContext fonts(roots.installDir, context_.output);
    fonts.debugMode = context_.debugMode;
    fonts.fileSearch.SetEnvironment(context_.childEnvironment);
    FontMapRegenerator regenerator(fonts, roots);
    DeferredMapRefresh refresh(regenerator,
                               [&] { RebuildFileNameDatabases(fonts, trees, roots.installDir); });
    if (!trees.empty())
        refresh.PackageDatabasesChanged();
    if (maps) {
        for (const std::string& name : package.AddMapParameters())
            regenerator.AppendActiveMap(name);
        refresh.FontMapsChanged();
    }
    refresh.Release();
}

}  // namespace quirn

// Installing and removing packages with everything that follows: the font maps a
// package adds are marked active and the combined maps regenerated, and the trees'
// file-name databases are rebuilt where a tree has one. The package dialog, the
// headless command and the missing-file resolution all install through here.
#pragma once

#include <string>

#include "packages/tpm_package.h"

namespace quirn {

struct AppContext;

inline constexpr const char* kWebDownloadFailed = "Download of web package failed";

class PackageInstaller {
  public:
    // Borrows the context: its roots, output window, prompt, temporary folder and the
    // children's environment.
    explicit PackageInstaller(AppContext& context) : context_(context) {}

    // " ENTRY -> TARGET" lines in the output window.
    void SetVerbose(bool verbose) { verbose_ = verbose; }
    // One call per listed file.
    void SetReport(TpmFileReport report) { report_ = std::move(report); }

    // Installs the package (a web package is downloaded first; when that fails, or the
    // download is no package, the message "Download of web package failed" is shown).
    // On success the package's font maps are added and the maps regenerated.
    bool Install(const TpmPackage& package);
    // Installs the archive or manifest at `path`.
    bool InstallFile(const std::string& path);
    void Remove(const TpmPackage& package);

  private:
    TpmInstallContext InstallContext();
    void AfterChange(const TpmPackage& package, bool addMaps);

    AppContext& context_;
    bool verbose_ = false;
    TpmFileReport report_;
};

}  // namespace quirn

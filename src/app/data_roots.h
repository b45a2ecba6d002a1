// The data roots every path is built from. Set once at start-up; until the TeX
// environment establishes them, all equal InstallDir. Each ends with "/".
#pragma once

#include <string>

namespace quirn {

struct DataRoots {
    std::string installDir;    // the program's installation directory
    std::string tdsPath;       // system data root with "texmf", "texmf-dist", "texmf-doc"
    std::string varDataPath;   // root of "texmf-var"
    std::string userDataPath;  // user root with the user's tree and templates
};

// The folder below the application-data folder (and the common one) that holds
// Quirn's data: the user data root, and the system data root when the installation
// has no writable trees.
inline constexpr const char* kDataFolderName = "quirn";
// The user's document templates, below the user data root.
inline constexpr const char* kTemplatesFolderName = "templates";

// $QUIRN_INSTALL_DIR when set, otherwise the directory above the running program's
// "bin" directory when it has one, otherwise the program's own directory; with "/".
std::string FindInstallDir();

}  // namespace quirn

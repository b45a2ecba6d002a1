// The package dialog's two lists: the packages installed in the data roots and the
// packages that can be installed from them, from the repository folder the user
// named, or from a downloaded package list.
#pragma once

#include <string>
#include <vector>

#include "app/data_roots.h"
#include "packages/tpm_package.h"

namespace quirn {

struct PackageSources {
    DataRoots roots;
    std::string serverDataPath;  // a network installation's shared root; empty here
    std::string repository;      // "Settings"/"TPMrepository"; empty for none
    std::string packageList;     // a downloaded package list (a file); empty for none
};

struct PackageLists {
    std::vector<TpmPackage> installed;
    std::vector<TpmPackage> available;

    // The installed package called `name`, or null.
    const TpmPackage* FindInstalled(const std::string& name) const;
    // The available package called `name` (a web package by its bare name), or null.
    const TpmPackage* FindAvailable(const std::string& name) const;
};

// Reads every manifest of the installed passes, then of the available ones (a
// package already installed is not offered again), then the package list; both lists
// end sorted by displayed name (equal names by path).
PackageLists GatherPackages(const PackageSources& sources);

// Only the installed list (what the over-install question and `remove` need).
std::vector<TpmPackage> GatherInstalledPackages(const PackageSources& sources);

// Appends the records of a downloaded package list ("url: ", "Name: ", "Date: ",
// "Version: ", "Description: " lines, each record ended by a line starting with "-").
// False when the file cannot be read.
bool ReadPackageList(const std::string& path, std::vector<TpmPackage>& records);

}  // namespace quirn

// Making packages: an archive with its manifest from a folder laid out as a TeX tree,
// and the missing-file database for a folder of such archives. With the two, anyone
// can serve packages from a plain web server.
#pragma once

#include <string>

namespace quirn {

struct PackOptions {
    std::string version;      // "Version" of the manifest; empty for none
    std::string description;  // "Description"; empty for none
    // A collection: the manifest is stored as "texmf/tpm/collections/NAME.tpm".
    bool collection = false;
};

// Packs `folder` (tex/..., fonts/..., doc/..., source/... as in a TeX tree, optionally
// inside a "texmf" folder) into the archive `archive` as package `name`: every file is
// stored as "texmf/" + its path in the tree and listed in the manifest, documentation
// under "DocFiles", sources under "SourceFiles", everything else under "RunFiles"; the
// manifest itself is stored as "texmf/tpm/packages/NAME.tpm", and every map file under
// "fonts/map" is named for addMap. False with `error` set on failure (nothing left).
bool PackPackage(const std::string& folder, const std::string& name, const std::string& archive,
                 const PackOptions& options, std::string& error);

// Writes the missing-file database for the package archives in `folder` ("*.zip" and
// "*.zip.tpm"): one record per archive with the package's name, its address (the
// archive's file name after `baseUrl` + "/", or the bare file name, which the lookup
// takes relative to the package server, when `baseUrl` is empty), and the file names of
// its run files. A `target` ending in ".zip" becomes the database archive that a
// package server offers ("jitdb.txt" with the lists that go with it). Returns the
// number of packages indexed, -1 on failure with `error` set.
int WriteMissingFileIndex(const std::string& folder, const std::string& target,
                          const std::string& baseUrl, std::string& error);

}  // namespace quirn

// Package manifests (".tpm"): an XML dialect whose elements carry the "TPM:" prefix
// and whose document type is declared by "tpm.dtd". A manifest names the package, its
// version and description, the packages it requires, the font maps it adds and the
// files it consists of (run files, documentation and sources), each as a path
// relative to a data root ("texmf/tex/latex/NAME/NAME.sty").
//
// A record is read from a plain manifest, from the first manifest inside a zip archive,
// or from a downloaded package list; installing it copies (or extracts) every listed
// file into the data roots, and removing it deletes them again.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/data_roots.h"

namespace quirn {

class OutputSink;

// One listed file of a manifest.
struct TpmFileEntry {
    enum class Kind { Run, Doc, Source };
    std::string relativePath;
    Kind kind = Kind::Run;
    bool optional = false;  // documentation and sources may fail to install
};

// What an install or remove did with one listed file.
struct TpmFileOutcome {
    enum class What { Placed, Skipped, Failed, Removed };
    What what = What::Placed;
    std::string relativePath;
    std::string target;  // empty for a skipped entry
};
using TpmFileReport = std::function<void(const TpmFileOutcome&)>;

// Where installs go and where their messages go.
struct TpmInstallContext {
    DataRoots roots;
    OutputSink* output = nullptr;  // "Warning: could not copy file" and verbose lines
    bool verbose = false;          // " ENTRY -> TARGET" and " rm TARGET" lines
    TpmFileReport report;          // one call per listed file (may be empty)
};

class TpmPackage {
  public:
    TpmPackage() = default;
    explicit TpmPackage(const std::string& name) { properties_["Name"] = name; }

    // Reads a manifest or an archive holding one. False when the file holds no
    // "tpm.dtd", the archive has no manifest, or the archive is unreadable.
    bool Read(const std::string& path);
    // Reads manifest text (as Read does after taking the file's bytes).
    bool ReadText(std::string text);

    bool IsArchive() const;
    std::string GetName() const { return Property("Name"); }
    std::string Property(const std::string& name) const;
    // A record of a downloaded package list whose path is a web address.
    bool IsWebPackage() const;
    // The name as the package lists show it: " (WEB)" after a web package's name.
    std::string DisplayName() const;

    const std::string& Path() const { return path_; }
    void SetPath(std::string path) { path_ = std::move(path); }
    void SetProperty(const std::string& name, std::string value) {
        properties_[name] = std::move(value);
    }
    const std::map<std::string, std::string>& Properties() const { return properties_; }
    const std::vector<std::string>& Requires() const { return requires_; }
    const std::vector<std::string>& AddMapParameters() const { return addMapParameters_; }

    // The run files, then the documentation, then the sources: every non-empty line of
    // the three properties.
    std::vector<TpmFileEntry> FileList() const;

    // Copies (from an archive: extracts) every listed file into place. All or nothing:
    // when a required file cannot be placed, every file placed so far is removed, every
    // file replaced gets its earlier content back and every directory made is removed.
    bool Install(const TpmInstallContext& context) const;
    // Deletes every listed file, then the directories that became empty (never a data
    // root itself).
    void Remove(const TpmInstallContext& context) const;

  private:
    std::string path_;
    std::map<std::string, std::string> properties_;
    std::vector<std::string> requires_;
    std::vector<std::string> addMapParameters_;
};

// Where a listed file is installed: the system data root joined with the relative
// path ("templates/" entries: the user data root), with "tpm/packages" written
// "tpm/package" and "tpm/collections" "tpm/collection". Empty (no target) for a path
// that starts with none of "texmf/", "templates/", "texmf-dist/", "texmf-doc/", or
// that has a ".." component.
std::string TpmTargetOf(const std::string& relativePath, const DataRoots& roots);

// True when `path` names a zip archive: a ".zip" or ".zip.tpm" name (any case), or any
// name but ".tpm" whose file starts with "PK".
bool IsPackageArchivePath(const std::string& path);

// A package name without the list markers "[0]".."[9]" and "(0)".."(9)".
std::string WithoutPackageMarkers(std::string name);

}  // namespace quirn

// Missing-file resolution: a local database maps file names to the TeX packages that
// hold them ("jitdb.txt" in the system data root's "tpm" folder). When a run, a font
// lookup or the spell checker misses a file, its package is looked up, installed from
// a local archive or downloaded from the package server, and the caller tries again.
//
// Database format: a first line "ID: IDENT", then one group of lines per package; a
// "url: ADDRESS" and a "Name: NAME" line come before the package's "Files: a b c "
// line, whose names are separated (and followed) by blanks.
#pragma once

#include <time.h>

#include <functional>
#include <string>

namespace quirn {

struct AppContext;

// The package that holds a file, as the database names it.
struct PackageForFile {
    bool found = false;
    std::string name;  // the package name
    std::string url;   // its download address; empty when the database gives none
};

// The database folder's archive members, and the two archives the package server
// offers (the current database, and the first-install one that also holds the
// spelling hash file).
inline constexpr const char* kMissingFileDatabase = "jitdb.txt";
inline constexpr const char* kCurrentDatabaseArchive = "/v6/tlv-jit.zip";
inline constexpr const char* kFirstInstallDatabaseArchive = "/v6a/tlv-jit.zip";
// A database smaller than this is out of date.
inline constexpr long long kCurrentDatabaseSize = 1097400;

// Reads "Settings"/"PackageServer", "Settings"/"NetAccess", "Settings"/"JitDbId" and
// "Prompts"/"JITinstall" from the context's profile; reports through its output window
// and prompt; downloads into its temporary folder; installs into its data roots. The
// context is borrowed and must outlive the resolver.
class MissingFileResolver {
  public:
    explicit MissingFileResolver(AppContext& context);

    // Start-up: fetches the database archive from the package server when the
    // database is missing or out of date (only with Internet access allowed and a
    // server configured), then reads the database's identifier and stores it as
    // "Settings"/"JitDbId". False when the procedure ended at a failure (each failure
    // is one output-window line).
    bool LoadMissingFileDatabase();
    // The identifier the last successful LoadMissingFileDatabase read ("ID: ...").
    const std::string& DatabaseIdLine() const { return idLine_; }

    // Looks `file` up (a bare file name such as "lipsum.sty"). A missing database
    // writes "Can't open jit db: PATH" to the output window and finds nothing.
    PackageForFile FindPackageForFile(const std::string& file);

    // Looks `file` up and installs its package: from a local archive "tpm/NAME.zip"
    // under the installation directory or the data root (also "NAME.zip.tpm" with
    // `tryLocalArchives`), else downloaded from the database's address when Internet
    // access is allowed. With `ask`, says when the file is unknown and asks before
    // installing (unless "Prompts"/"JITinstall" is 0). True when the package was
    // installed; the file search and the engine find its files from then on.
    bool ResolveMissingFile(const std::string& file, bool tryLocalArchives, bool ask);

    // Installs the package `name` from a local archive only (start-up's basic package
    // set); no question, no download. False when no archive is found or it fails.
    bool InstallLocalPackage(const std::string& name);

    // The package the last successful ResolveMissingFile or InstallLocalPackage installed.
    const std::string& LastInstalledPackage() const { return lastInstalled_; }

    // Verbose mode: installs write " ENTRY -> TARGET" lines to the output window.
    void SetVerbose(bool verbose) { verbose_ = verbose; }

    // Called after a package was installed, before ResolveMissingFile returns (the
    // window restarts its file search, for instance).
    void SetAfterInstall(std::function<void()> afterInstall) {
        afterInstall_ = std::move(afterInstall);
    }

  private:
    std::string DatabasePath() const;
    std::string PackageServer() const;
    bool NetAccess() const;
    // A database address as a download address: a relative one is taken relative to
    // the package server.
    std::string AddressOf(const std::string& url) const;
    void Say(const std::string& text) const;
    std::string FindLocalArchive(const std::string& name, bool tryLocalArchives) const;
    bool InstallArchive(const std::string& archive);
    bool Download(const std::string& url, std::string& file);
    // Reads the database into memory unless it is unchanged since the last read; false
    // when it cannot be opened.
    bool LoadIndex();
    std::string LastValueBefore(size_t before, const char* key) const;

    AppContext& context_;
    std::string idLine_;
    std::string lastInstalled_;
    bool verbose_ = false;
    std::function<void()> afterInstall_;
    // The database's text as last read.
    std::string text_;
    bool indexed_ = false;
    timespec indexTime_{};
    long long indexSize_ = 0;
};

}  // namespace quirn

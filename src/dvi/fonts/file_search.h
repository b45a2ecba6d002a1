// The file search: finds TeX files (TFM, VF, outline fonts, encodings, map files, ...)
// by name through the long-lived helper program `kpathsearch`, which answers one line
// "find NAME" with "OK PATH", or with any other line when the file is not found.
//
// The helper is started with the first lookup from InstallDir/bin (else PATH) and kept
// alive so that its file-name database is read once; a helper that has died is started
// again at the next lookup. One FileSearch serves the whole program; it is owned by the
// DVI context and passed to whatever looks files up.
#pragma once

#include <memory>
#include <string>

#include "platform/environment_block.h"

namespace quirn {

class ChildProcess;

// Provides a missing file on request (the missing-file resolution). The default
// answers "not installed".
class MissingFileInstaller {
  public:
    virtual ~MissingFileInstaller() = default;
    // True when `name` was installed and a new lookup may now find it.
    virtual bool InstallMissingFile(const std::string& name) = 0;
};

class FileSearch {
  public:
    // `installDir` is the program directory: the helper is resolved against it and
    // runs with it as working directory.
    explicit FileSearch(std::string installDir);
    ~FileSearch();  // stops the helper
    FileSearch(const FileSearch&) = delete;
    FileSearch& operator=(const FileSearch&) = delete;

    // The environment the helper starts with (AppContext::childEnvironment, which names
    // Quirn's trees); empty (the default): Quirn's own. Used from the next start on.
    void SetEnvironment(EnvironmentBlock environment) { environment_ = std::move(environment); }
    const EnvironmentBlock& Environment() const { return environment_; }
    // The program directory the helper (and other programs) are resolved against.
    const std::string& InstallDir() const { return installDir_; }

    // Who provides missing files; null (the default) answers "not installed". Borrowed.
    void SetInstaller(MissingFileInstaller* installer) { installer_ = installer; }

    // The folder of the document being loaded: a file there is found before the TeX
    // trees are searched, as the engine finds files in the folder it runs in first.
    // Empty (the default): the trees only.
    void SetDocumentFolder(std::string folder) { documentFolder_ = std::move(folder); }
    const std::string& DocumentFolder() const { return documentFolder_; }

    // The file the helper writes kpathsea's full search trace into (KPATHSEA_DEBUG and
    // KPATHSEA_DEBUG_OUTPUT on top of its environment); empty (the default) for none. The helper is
    // stopped, so that the next lookup starts one that traces (or no longer does).
    void SetTraceFile(std::string path);

    // The full path of `name`, or an empty text when it is not found. With
    // `allowInstall`, a missing file is offered to the installer once; after a
    // successful install the helper is restarted and asked again.
    std::string FindFile(const std::string& name, bool allowInstall);

    // The PK glyph file of font `name` (a TeX font name without extension) at `dpi`
    // dots per inch, or at a resolution near it. With `make`, the helper makes it
    // (METAFONT) when neither the TeX trees nor the user's font cache hold one; that
    // can take seconds. The resolution of the file found goes to `foundDpi`. Empty
    // when there is none (or, with `make`, the font has no METAFONT source or making
    // it failed).
    std::string FindPk(const std::string& name, int dpi, bool make, int& foundDpi);

    // Terminates the helper (exit code 99) and forgets it; the next lookup starts a
    // new one, which sees the environment and the files as they are then.
    void StopFileSearch();

    // True while a helper process runs.
    bool Running() const;
    // The running helper's process id, -1 when none runs (for diagnostics and tests).
    int HelperPid() const;
    // How many times a helper was started (for diagnostics and tests).
    int StartCount() const { return starts_; }

  private:
    bool EnsureStarted();
    std::string Ask(const std::string& request, int timeoutMs);

    std::string installDir_;
    std::string documentFolder_;
    EnvironmentBlock environment_;
    std::string traceFile_;
    std::unique_ptr<ChildProcess> child_;
    MissingFileInstaller* installer_ = nullptr;
    bool retrying_ = false;
    int starts_ = 0;
};

}  // namespace quirn

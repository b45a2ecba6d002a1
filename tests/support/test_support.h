// Helpers shared by the test suites.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

namespace quirn::test {

// A fresh directory under $TMPDIR, removed with everything in it when the object dies.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    // Path + "/" + name.
    std::string File(const std::string& name) const;
    // Writes `content` to Path()/name (creating directories) and returns the full path.
    std::string Write(const std::string& name, const std::string& content) const;

  private:
    std::string path_;
};

// Sets environment variables of the test process for one test and puts the old values
// back when it dies. (Quirn itself never changes its environment; tests use this to
// give it a parent's environment.)
class ScopedEnvironment {
  public:
    ScopedEnvironment() = default;
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void Set(const std::string& name, const std::string& value);
    void Unset(const std::string& name);

  private:
    void Remember(const std::string& name);
    std::map<std::string, std::optional<std::string>> saved_;
};

std::string ReadFile(const std::string& path);

// The source tree, the build tree and its programs.
std::string SourceDir();
std::string BuildDir();
std::string Program(const std::string& name);  // BuildDir()/bin/name

// Runs a command through /bin/sh, capturing standard output (and standard error when
// `err` is given). Returns the exit status (-1 when it could not run).
int RunCommand(const std::string& command, std::string* out, std::string* err = nullptr);

// The TeX font names that a map file of the installed TeX Live (found by kpsewhich)
// maps: the first word of each line that is neither blank nor a comment. Tests compare
// with this instead of a count seen on one machine.
std::set<std::string> InstalledMapFontNames(const std::string& mapName);

}  // namespace quirn::test

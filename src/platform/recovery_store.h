// Recovery copies of modified documents. When the program is ended from outside (a
// desktop logout sends SIGTERM) it cannot ask whether to save, and it must never write
// over a user's file unasked: the modified texts go into copies in the user's state
// folder instead, and the next start offers them back. Each copy is one file: a header
// line, the original file's path (empty for a document that never had a name), then
// the text byte for byte.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quirn {

struct RecoveryCopy {
    std::string copyPath;      // the copy in the recovery folder
    std::string originalPath;  // the document's file; empty when it had none
    std::string text;
};

// $XDG_STATE_HOME/quirn, or ~/.local/state/quirn when the variable is unset.
std::string DefaultRecoveryDirectory();

class RecoveryStore {
  public:
    explicit RecoveryStore(std::string directory) : directory_(std::move(directory)) {}

    // Writes one copy (the folder is made, private to the user, when missing); false
    // with errno set when it could not be written.
    bool Write(const std::string& originalPath, std::string_view text);
    // The copies there, oldest first. Files that are not recovery copies are left out.
    std::vector<RecoveryCopy> List() const;
    bool Remove(const RecoveryCopy& copy) const;

    const std::string& Directory() const { return directory_; }

  private:
    std::string directory_;
    int written_ = 0;
};

}  // namespace quirn

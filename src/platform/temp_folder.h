// Quirn's temporary files live in a private folder of the running instance, made with
// mkdtemp under $TMPDIR (or /tmp) and named "quirn-PID-XXXXXX" after the process that
// made it. Nothing else is put into the shared temporary directory, so clearing up
// after an instance that crashed touches only folders of that form whose process is
// gone: another running Quirn's files and other programs' files stay.
#pragma once

#include <string>
#include <string_view>

namespace quirn {

// $TMPDIR when it is set and not empty, otherwise "/tmp".
std::string TemporaryRoot();

class TempFolder {
  public:
    // The folder is made under `parent` on first use.
    explicit TempFolder(std::string parent = TemporaryRoot());
    // Removes the folder with everything in it (only in the process that made it, not
    // in a child that ends after a fork).
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder, made when first asked for; empty when it cannot be made.
    const std::string& Path();
    // A new empty file in the folder named `prefix`, six random characters and
    // `suffix`; empty when none can be made.
    std::string MakeFile(std::string_view prefix, std::string_view suffix = {});
    // A new empty folder in the folder named `prefix` and six random characters;
    // empty when none can be made.
    std::string MakeFolder(std::string_view prefix);

  private:
    std::string parent_;
    std::string path_;
    bool tried_ = false;
    long maker_ = -1;  // the process that made the folder
};

// Removes the folders of Quirn instances that have ended from `parent`: those named
// "quirn-PID-XXXXXX", owned by this user, whose process PID no longer runs. Returns
// how many were removed.
int RemoveAbandonedTempFolders(const std::string& parent = TemporaryRoot());

}  // namespace quirn

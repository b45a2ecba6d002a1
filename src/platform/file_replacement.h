// Replacing a file so that nobody ever sees it half written: the new bytes go into a
// temporary file beside it (the file's name, a mark, six characters that make it
// unique), which is synced to disk and then renamed over the file, and the directory
// is synced so that the rename lasts too. Given up before the rename (or destroyed
// early), the temporary file is removed and the old file stays as it was. Every
// failing step leaves errno set for the caller's message.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace quirn {

class FileReplacement {
  public:
    // Creates the temporary file with permissions `mode`; see Opened.
    FileReplacement(const std::string& path, mode_t mode, std::string_view mark = ".tmp-");
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // False when the temporary file could not be made.
    bool Opened() const { return fd_ >= 0; }
    bool Write(const char* data, size_t length);
    // Syncs and closes the temporary file.
    bool Finish();
    // Renames it over the file (after Finish) and syncs the directory.
    bool Replace();

    const std::string& TemporaryPath() const { return temporary_; }

  private:
    std::string path_;
    std::string temporary_;
    int fd_ = -1;
    bool replaced_ = false;
};

}  // namespace quirn

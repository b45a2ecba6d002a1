// Temporary files of the PostScript route (rendered pages, dvips output, pages fed to
// the interpreter) are single files "$TMPDIR/quirnXXXXXX" (or under /tmp). Each is
// owned by a TempFile, which removes it when it goes, so a command that fails half-way
// still leaves nothing behind.
#pragma once

#include <string>
#include <string_view>

namespace quirn {

// Makes a new empty file named "quirn" + six random characters + `suffix` in the
// temporary root; empty when none can be made.
std::string MakeQuirnTempFile(std::string_view suffix = {});

class TempFile {
  public:
    TempFile() = default;
    explicit TempFile(std::string path) : path_(std::move(path)) {}
    ~TempFile() { Remove(); }
    TempFile(TempFile&& other) noexcept : path_(std::move(other.path_)) { other.path_.clear(); }
    TempFile& operator=(TempFile&& other) noexcept;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    // A new file in the temporary root (see MakeQuirnTempFile).
    static TempFile Make(std::string_view suffix = {}) {
        return TempFile(MakeQuirnTempFile(suffix));
    }

    const std::string& Path() const { return path_; }
    bool Ok() const { return !path_.empty(); }
    // Removes the file now.
    void Remove();
    // Gives the file up: it is no longer removed by this object.
    std::string Release();

  private:
    std::string path_;
};

}  // namespace quirn

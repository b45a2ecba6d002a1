// Zip archives: the package archives that carry a manifest and the files it lists, and
// the missing-file database's archive. Reading opens an archive once and extracts
// members by name to files or to memory; writing makes a new archive from files on
// disk. A damaged archive (bad directory, bad checksum, truncated data) is a failure
// with a message, never a crash.
#pragma once

#include <memory>
#include <string>
#include <vector>

struct zip;

namespace quirn {

class ZipReader {
  public:
    ZipReader();
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    // Opens `path` for reading; false (with Error() set) when it is no readable archive.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return archive_ != nullptr; }

    // The names of the members in directory order.
    std::vector<std::string> Names() const;
    // The first member whose name ends with `suffix`; empty when none does.
    std::string FirstNameEndingWith(const std::string& suffix) const;
    bool Has(const std::string& name) const;

    // The member's whole content; false when it is missing or damaged.
    bool ExtractToMemory(const std::string& name, std::string& content);
    // Writes the member to `target` (created or truncated, mode 0644 before umask);
    // a target that could not be written completely is removed again.
    bool ExtractToFile(const std::string& name, const std::string& target);

    // Why the last operation failed.
    const std::string& Error() const { return error_; }

  private:
    zip* archive_ = nullptr;
    std::string error_;
};

// Writes a new archive at `path` (replacing one there) from `members`: each pair is
// the member's name and the file on disk that holds its content. False with `error`
// set when a file cannot be read or the archive cannot be written; no partial archive
// is left behind.
struct ZipMember {
    std::string name;
    std::string file;
};
bool WriteZipArchive(const std::string& path, const std::vector<ZipMember>& members,
                     std::string& error);

}  // namespace quirn

// Whether a LaTeX document must be typeset again for its cross-references to settle:
// LaTeX says so in its log, or one of its list files (table of contents, list of
// tables, list of figures) changed during the run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quirn {

struct ListChecksums {
    std::uint16_t toc = 0;
    std::uint16_t lot = 0;
    std::uint16_t lof = 0;
    bool operator==(const ListChecksums&) const = default;
};

// The checksums of base + ".toc", ".lot" and ".lof"; 0 for a missing or empty file.
ListChecksums TakeListChecksums(const std::string& base);

// The rerun rule over a log that was read whole. A log without "LaTeX" (a plain TeX
// run) never asks; "Rerun to get cross-references right." always does; otherwise a
// successful run asks when a list file's checksum differs from `before`.
bool NeedsRerun(std::string_view log, bool successful, const std::string& base,
                const ListChecksums& before);

// The whole file, or nothing when it cannot be opened or read to its end.
std::optional<std::string> ReadWholeFile(const std::string& path);

}  // namespace quirn

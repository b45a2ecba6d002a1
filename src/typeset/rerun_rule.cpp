#include "typeset/rerun_rule.h"

#include <cstdio>
#include <memory>

#include "typeset/engine_command.h"
#include "typeset/list_checksum.h"

namespace quirn {

ListChecksums TakeListChecksums(const std::string& base) {
    ListChecksums sums;
    sums.toc = ListFileChecksum(base + ".toc");
    sums.lot = ListFileChecksum(base + ".lot");
    sums.lof = ListFileChecksum(base + ".lof");
    return sums;
}

bool NeedsRerun(std::string_view log, bool successful, const std::string& base,
                const ListChecksums& before) {
    if (log.find("LaTeX") == std::string_view::npos)
        return false;
    if (log.find("Rerun to get cross-references right.") != std::string_view::npos)
        return true;
    if (!successful)
        return false;
    // In this order, stopping at the first that differs.
    if (ListFileChecksum(base + ".toc") != before.toc)
        return true;
    if (ListFileChecksum(base + ".lot") != before.lot)
        return true;
    return ListFileChecksum(base + ".lof") != before.lof;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                         &std::fclose);
    if (!file)
        return std::nullopt;
    std::string text;
    char block[8192];
    std::size_t n;
    while ((n = std::fread(block, 1, sizeof block, file.get())) > 0)
        text.append(block, n);
    if (std::ferror(file.get()))
        return std::nullopt;
    return text;
}

}  // namespace quirn

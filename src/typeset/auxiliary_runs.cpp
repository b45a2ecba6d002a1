#include "typeset/auxiliary_runs.h"

#include <sys/stat.h>

#include <cstdlib>
#include <sstream>
#include <vector>

#include "platform/paths.h"
#include "typeset/rerun_rule.h"

namespace quirn {

namespace {

// Nested .aux files (\include) are read this deep.
constexpr int kMaxAuxDepth = 4;

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

void CollectCitations(const std::string& aux, int depth, std::string& out) {
    std::optional<std::string> text = ReadWholeFile(aux);
    if (!text)
        return;
    std::istringstream lines(*text);
    std::string line;
    while (std::getline(lines, line)) {
        if (StartsWith(line, "\\citation{") || StartsWith(line, "\\bibdata{") ||
            StartsWith(line, "\\bibstyle{") || StartsWith(line, "\\bibcite{")) {
            if (!StartsWith(line, "\\bibcite{"))
                out += line + "\n";
        } else if (StartsWith(line, "\\@input{") && depth < kMaxAuxDepth) {
            const std::size_t close = line.find('}');
            if (close != std::string::npos) {
                const std::string name = line.substr(8, close - 8);
                CollectCitations(AbsolutePath(name, DirectoryOf(aux)), depth + 1, out);
            }
        }
    }
}

// The modification time in nanoseconds, or -1 for a missing file.
long long ModificationTime(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return -1;
    return static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

// The databases a \bibdata line names, comma-separated, without the ".bib".
std::vector<std::string> Databases(const std::string& citations) {
    std::vector<std::string> names;
    std::istringstream lines(citations);
    std::string line;
    while (std::getline(lines, line)) {
        if (!StartsWith(line, "\\bibdata{"))
            continue;
        std::string list = line.substr(9, line.rfind('}') - 9);
        std::istringstream items(list);
        std::string item;
        while (std::getline(items, item, ','))
            if (!item.empty())
                names.push_back(item);
    }
    return names;
}

bool ReportsUndefinedCitations(std::string_view log) {
    for (std::size_t at = log.find("Citation "); at != std::string_view::npos;
         at = log.find("Citation ", at + 1)) {
        const std::size_t lineEnd = log.find('\n', at);
        std::string_view rest = log.substr(
            at, lineEnd == std::string_view::npos ? std::string_view::npos : lineEnd - at);
        if (rest.find("undefined") != std::string_view::npos)
            return true;
    }
    return false;
}

}  // namespace

AuxiliarySnapshot TakeAuxiliarySnapshot(const std::string& base) {
    AuxiliarySnapshot s;
    CollectCitations(base + ".aux", 0, s.citations);
    if (std::optional<std::string> index = ReadWholeFile(base + ".idx")) {
        s.hasIndex = true;
        s.index = std::move(*index);
    }
    return s;
}

std::string BibTeXReason(const std::string& base, const AuxiliarySnapshot& before,
                         const AuxiliarySnapshot& after, std::string_view log) {
    if (after.citations.find("\\bibdata{") == std::string::npos)
        return {};
    const std::string bbl = base + ".bbl";
    const long long bblTime = ModificationTime(bbl);
    if (bblTime < 0)
        return FileNameOf(bbl) + " is missing";
    if (before.citations != after.citations)
        return "the citations changed";
    for (const std::string& name : Databases(after.citations)) {
        std::string bib = AbsolutePath(name, DirectoryOf(base));
        if (ExtensionOf(bib) != "bib")
            bib += ".bib";
        if (ModificationTime(bib) > bblTime)
            return FileNameOf(bib) + " changed";
    }
    if (ReportsUndefinedCitations(log))
        return "citations are undefined";
    return {};
}

std::string MakeIndexReason(const std::string& base, const AuxiliarySnapshot& before,
                            const AuxiliarySnapshot& after) {
    if (!after.hasIndex)
        return {};
    if (ModificationTime(base + ".ind") < 0)
        return FileNameOf(base) + ".ind is missing";
    if (!before.hasIndex || before.index != after.index)
        return "the index entries changed";
    return {};
}

std::optional<ErrorPosition> FindBibTeXError(std::string_view output) {
    const std::string_view mark = "---line ";
    for (std::size_t at = output.find(mark); at != std::string_view::npos;
         at = output.find(mark, at + 1)) {
        std::size_t p = at + mark.size();
        int line = 0;
        bool digits = false;
        while (p < output.size() && output[p] >= '0' && output[p] <= '9') {
            line = line * 10 + (output[p++] - '0');
            digits = true;
        }
        const std::string_view of = " of file ";
        if (!digits || output.substr(p, of.size()) != of)
            continue;
        p += of.size();
        std::size_t end = output.find_first_of("\r\n", p);
        std::string file(output.substr(p, end == std::string_view::npos ? end : end - p));
        if (!file.empty())
            return ErrorPosition{file, line};
    }
    return std::nullopt;
}

}  // namespace quirn

#include "postscript/dsc_scan.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace quirn {

namespace {

constexpr std::size_t kDscLineLimit = 4096;
constexpr std::size_t kEpsLineLimit = 1024;
constexpr int kBoxLines = 300;
constexpr std::size_t kBlock = 4096;

int32_t Offset(std::size_t pos) {
    return pos > INT32_MAX ? INT32_MAX : static_cast<int32_t>(pos);
}

bool After(std::string_view line, std::string_view keyword) {
    return line.starts_with("%%") && line.substr(2).starts_with(keyword);
}

// A number as the C library's "%f" reads it, truncated toward zero and kept in range.
bool ReadBoxNumber(const char*& p, int32_t& value) {
    char* end = nullptr;
    const float f = std::strtof(p, &end);
    if (end == p || !std::isfinite(f)) {
        return false;
    }
    p = end;
    value = f >= 2147483520.0f    ? INT32_MAX
            : f <= -2147483520.0f ? INT32_MIN
                                  : static_cast<int32_t>(f);
    return true;
}

std::optional<EpsBox> ParseBoxLine(std::string_view line) {
    constexpr std::string_view kKey = "%%BoundingBox:";
    if (!line.starts_with(kKey)) {
        return std::nullopt;
    }
    const std::string text(line.substr(kKey.size()));
    const char* p = text.c_str();
    EpsBox box;
    if (!ReadBoxNumber(p, box.llx) || !ReadBoxNumber(p, box.lly) || !ReadBoxNumber(p, box.urx) ||
        !ReadBoxNumber(p, box.ury)) {
        return std::nullopt;
    }
    return box;
}

}  // namespace

std::string_view NextLine(std::string_view text, std::size_t pos, std::size_t limit,
                          bool carriageReturns) {
    if (pos >= text.size()) {
        return {};
    }
    const std::size_t most = std::min(text.size() - pos, limit - 1);
    std::size_t n = 0;
    while (n < most) {
        const char c = text[pos + n++];
        if (c == '\n') {
            break;
        }
        if (c == '\r' && carriageReturns) {
            if (n < most && text[pos + n] == '\n') {
                ++n;
            }
            break;
        }
    }
    return text.substr(pos, n);
}

bool ScanDsc(std::string_view postscript, DscStructure& structure) {
    std::string_view first = NextLine(postscript, 0, kDscLineLimit, false);
    if (!first.starts_with("%!")) {
        return false;
    }
    structure.pages.clear();
    int depth = 0;
    bool trailerSeen = false;
    std::size_t pos = first.size();
    while (true) {
        const std::string_view line = NextLine(postscript, pos, kDscLineLimit, false);
        if (line.empty()) {
            // A page still open when the file ends (a truncated file) ends there.
            if (!structure.pages.empty() && structure.pages.back().end == 0) {
                structure.pages.back().end = Offset(postscript.size());
            }
            structure.prologStart = 0;
            structure.fileEnd = static_cast<int64_t>(postscript.size());
            return !structure.pages.empty();
        }
        const std::size_t start = pos;
        pos += line.size();
        if (!line.starts_with("%%")) {
            continue;
        }
        if (After(line, "BeginDocument")) {
            ++depth;
        } else if (After(line, "EndDocument")) {
            --depth;
        } else if (depth > 0) {
            continue;
        } else if (After(line, "Page:")) {
            if (!structure.pages.empty()) {
                structure.pages.back().end = Offset(start);
            }
            structure.pages.push_back({Offset(start), 0});
        } else if (After(line, "Trailer") || After(line, "EOF")) {
            if (structure.pages.empty()) {
                return false;
            }
            if (!trailerSeen) {
                structure.pages.back().end = Offset(start);
                trailerSeen = true;
            }
        }
    }
}

DscStructure SinglePageStructure(int64_t length) {
    DscStructure structure;
    structure.pages = {PageExtent{0, 0}};
    structure.prologStart = 0;
    structure.fileEnd = length;
    return structure;
}

std::string_view EpsSection::Bytes(std::string_view file) const {
    const std::size_t from = std::min<std::size_t>(start, file.size());
    return file.substr(from, std::min<std::size_t>(length, file.size() - from));
}

EpsSection FindEpsSection(std::string_view file) {
    EpsSection section;
    auto u32 = [&](std::size_t at) {
        return static_cast<uint32_t>(static_cast<uint8_t>(file[at])) |
               static_cast<uint32_t>(static_cast<uint8_t>(file[at + 1])) << 8 |
               static_cast<uint32_t>(static_cast<uint8_t>(file[at + 2])) << 16 |
               static_cast<uint32_t>(static_cast<uint8_t>(file[at + 3])) << 24;
    };
    if (file.size() >= 12 && u32(0) == kDosEpsMagic) {
        section.binaryHeader = true;
        section.start = u32(4);
        section.length = u32(8);
    } else {
        section.length = static_cast<uint32_t>(std::min<std::size_t>(file.size(), UINT32_MAX));
    }
    return section;
}

std::optional<EpsBox> FindBoundingBox(std::string_view file) {
    std::size_t pos = 0;
    for (int i = 0; i < kBoxLines; ++i) {
        const std::string_view line = NextLine(file, pos, kEpsLineLimit, true);
        if (line.empty()) {
            break;
        }
        pos += line.size();
        if (auto box = ParseBoxLine(line)) {
            return box;
        }
    }
    return std::nullopt;
}

bool CopyEpsPostScript(std::string_view file, const PageWriter& writer) {
    const std::string_view section = FindEpsSection(file).Bytes(file);
    std::size_t pos = 0;
    int depth = 0;
    while (pos < section.size()) {
        const std::string_view line = NextLine(section, pos, kEpsLineLimit, true);
        pos += line.size();
        if (!writer(line)) {
            return false;
        }
        if (After(line, "BeginDocument")) {
            ++depth;
        } else if (After(line, "EndDocument")) {
            --depth;
        } else if (After(line, "BeginBinary:")) {
            unsigned count = 0;
            const std::string text(line.substr(14));
            if (std::sscanf(text.c_str(), "%u", &count) == 1) {
                std::size_t left = std::min<std::size_t>(count, section.size() - pos);
                while (left > 0) {
                    const std::size_t n = std::min(left, kBlock);
                    if (!writer(section.substr(pos, n))) {
                        return false;
                    }
                    pos += n;
                    left -= n;
                }
            }
        }
    }
    return true;
}

}  // namespace quirn

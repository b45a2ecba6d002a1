#include <charconv>
#include <cmath>
#include <string_view>

#include "graphics/vector_graphic_info.h"

namespace quirn {

std::span<const uint8_t> EpsPostScriptSection(std::span<const uint8_t> file) {
    if (file.size() < 12 || file[0] != 0xc5 || file[1] != 0xd0 || file[2] != 0xd3 ||
        file[3] != 0xc6) {
        return file;
    }
    auto u32 = [&](size_t at) {
        return file[at] | file[at + 1] << 8 | file[at + 2] << 16 | uint32_t{file[at + 3]} << 24;
    };
    uint64_t start = u32(4), length = u32(8);
    if (start > file.size() || length > file.size() - start)
        return {};
    return file.subspan(static_cast<size_t>(start), static_cast<size_t>(length));
}

namespace {

bool ParseNumber(std::string_view* text, double* value) {
    size_t i = 0;
    while (i < text->size() && ((*text)[i] == ' ' || (*text)[i] == '\t'))
        ++i;
    text->remove_prefix(i);
    std::string_view t = *text;
    if (!t.empty() && t[0] == '+')
        t.remove_prefix(1);
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), *value);
    if (ec != std::errc() || !std::isfinite(*value))
        return false;
    text->remove_prefix(static_cast<size_t>(end - text->data()));
    return true;
}

enum class BoxLine { None, Valid, AtEnd, Invalid };

BoxLine ParseBoxLine(std::string_view line, BoundingBox* box) {
    constexpr std::string_view kKey = "%%BoundingBox:";
    if (line.substr(0, kKey.size()) != kKey)
        return BoxLine::None;
    std::string_view rest = line.substr(kKey.size());
    size_t start = rest.find_first_not_of(" \t");
    if (start != std::string_view::npos && rest.substr(start, 7) == "(atend)") {
        return BoxLine::AtEnd;
    }
    BoundingBox b;
    if (!ParseNumber(&rest, &b.llx) || !ParseNumber(&rest, &b.lly) || !ParseNumber(&rest, &b.urx) ||
        !ParseNumber(&rest, &b.ury) || b.Width() <= 0 || b.Height() <= 0) {
        return BoxLine::Invalid;
    }
    *box = b;
    return BoxLine::Valid;
}

}  // namespace

bool FindEpsBoundingBox(std::span<const uint8_t> postscript, BoundingBox* box) {
    std::string_view text(reinterpret_cast<const char*>(postscript.data()), postscript.size());
    bool inHeader = true;
    bool atEnd = false;
    bool found = false;
    int depth = 0;  // nesting of embedded documents
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.starts_with("%%")) {
            // The header comments end at the first line that is no comment.
            if (!line.empty() && line[0] != '%')
                inHeader = false;
            continue;
        }
        if (line.starts_with("%%EndComments"))
            inHeader = false;
        if (line.starts_with("%%BeginDocument"))
            ++depth;
        if (line.starts_with("%%EndDocument") && depth > 0)
            --depth;
        if (depth > 0)
            continue;
        BoundingBox candidate;
        switch (ParseBoxLine(line, &candidate)) {
            case BoxLine::AtEnd:
                if (inHeader)
                    atEnd = true;
                break;
            case BoxLine::Valid:
                // In the header the first box counts; after "(atend)" the last one does;
                // a file without a header box may still carry one further down.
                if (inHeader && !atEnd) {
                    *box = candidate;
                    return true;
                }
                if (atEnd || !found) {
                    *box = candidate;
                    found = true;
                }
                break;
            default:
                break;
        }
        if (found && !atEnd)
            return true;
    }
    return found;
}

}  // namespace quirn

#include "editor/fold_levels.h"

#include <array>
#include <string_view>

namespace quirn {

namespace {

constexpr std::array<std::string_view, 7> kUnits = {
    "part", "chapter", "section", "subsection", "subsubsection", "paragraph", "subparagraph"};

struct OpenUnit {
    int rank = 0;
    int environmentDepth = 0;  // the environments open when the unit began
};

// What one line does: environments begun and ended, and the rank of a sectioning
// command that starts it (-1 for none). A comment ends the line.
struct LineEvents {
    int begins = 0;
    int ends = 0;
    int unitRank = -1;
    bool endsDocument = false;
};

LineEvents ScanLine(std::string_view line) {
    LineEvents events;
    for (std::size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c == '%')
            break;
        if (c != '\\' || i + 1 >= line.size())
            continue;
        std::size_t name = i + 1;
        std::size_t end = name;
        while (end < line.size() &&
               ((line[end] >= 'a' && line[end] <= 'z') || (line[end] >= 'A' && line[end] <= 'Z')))
            ++end;
        if (end == name) {
            ++i;  // a control symbol such as a backslash-percent
            continue;
        }
        std::string_view word = line.substr(name, end - name);
        std::size_t after = end;
        if (after < line.size() && line[after] == '*')
            ++after;
        const bool braced = after < line.size() && (line[after] == '{' || line[after] == '[');
        if (word == "begin" && braced) {
            ++events.begins;
        } else if (word == "end" && braced) {
            ++events.ends;
            if (line.substr(after).starts_with("{document}"))
                events.endsDocument = true;
        } else if (braced && events.unitRank < 0) {
            for (std::size_t r = 0; r < kUnits.size(); ++r) {
                if (word == kUnits[r])
                    events.unitRank = static_cast<int>(r);
            }
        }
        i = end - 1;
    }
    return events;
}

}  // namespace

std::vector<int> TexFoldLevels(const TextBuffer& text) {
    const std::string all = TextOf(text, 0, text.Length());
    const int64_t count = text.LineCount();
    std::vector<int> levels(static_cast<std::size_t>(count), kFoldLevelBase);
    std::vector<OpenUnit> units;
    int depth = 0;
    for (int64_t l = 0; l < count; ++l) {
        const TextPos start = text.LineStart(l);
        std::string_view line(all.data() + start,
                              static_cast<std::size_t>(text.LineEnd(l) - start));
        LineEvents e = ScanLine(line);
        if (e.unitRank >= 0) {
            while (!units.empty() && units.back().rank >= e.unitRank &&
                   units.back().environmentDepth == depth)
                units.pop_back();
        }
        if (e.endsDocument) {
            while (!units.empty() && units.back().environmentDepth >= depth - 1)
                units.pop_back();
        }
        int level = kFoldLevelBase + depth + static_cast<int>(units.size());
        bool header = false;
        if (e.unitRank >= 0) {
            units.push_back({e.unitRank, depth});
            header = true;
        }
        depth += e.begins - e.ends;
        if (depth < 0)
            depth = 0;
        // Units begun inside an environment that has ended close with it.
        while (!units.empty() && units.back().environmentDepth > depth)
            units.pop_back();
        if (e.begins > e.ends)
            header = true;
        levels[static_cast<std::size_t>(l)] =
            (level & kFoldLevelMask) | (header ? kFoldLevelHeader : 0);
    }
    return levels;
}

}  // namespace quirn

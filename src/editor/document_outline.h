// The structure of a LaTeX source as its outline shows it: sectioning commands from
// \part to \subsubsection (starred too), labels, figure and table captions, and the
// files brought in with \input and \include. Parsed from the editor's text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quirn {

struct OutlineItem {
    // Headings: part 0, chapter 1, section 2, subsection 3, subsubsection 4. Other
    // items sit one level below the heading before them (level 0 before any heading).
    int level = 0;
    // "part" ... "subsubsection", "label", "figure", "table", "input" or "include".
    std::string kind;
    int line = 1;  // 1-based, where the command starts
    std::string title;
};

std::vector<OutlineItem> ParseOutline(std::string_view text);

}  // namespace quirn

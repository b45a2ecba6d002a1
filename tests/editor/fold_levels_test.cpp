// Fold levels of a LaTeX text: environments nest, sectioning units run to the next unit
// of their rank or higher and end at \end{document}; comments do not count.
#include "editor/fold_levels.h"

#include <gtest/gtest.h>

#include "editor/string_text_buffer.h"

namespace quirn {
namespace {

TEST(FoldLevels, EnvironmentsAndSectioningUnits) {
    StringTextBuffer text(
        "\\documentclass{article}\n"  // 0
        "\\begin{document}\n"         // 1  header, depth 0
        "\\section{One}\n"            // 2  header, depth 1
        "Text % \\begin{itemize}\n"   // 3  depth 2
        "\\subsection*{Sub}\n"        // 4  header, depth 2
        "\\begin{itemize}\n"          // 5  header, depth 3
        "\\item a\n"                  // 6  depth 4
        "\\end{itemize}\n"            // 7  depth 4 (in the environment)
        "\\section{Two}\n"            // 8  header, depth 1 (closes One and Sub)
        "Two.\n"                      // 9  depth 2
        "\\end{document}\n");         // 10 depth 1 (units closed, still in document)
    std::vector<int> levels = TexFoldLevels(text);
    ASSERT_EQ(levels.size(), 12u);
    auto depth = [&](int line) { return (levels[line] & kFoldLevelMask) - kFoldLevelBase; };
    auto header = [&](int line) { return (levels[line] & kFoldLevelHeader) != 0; };
    const int depths[] = {0, 0, 1, 2, 2, 3, 4, 4, 1, 2, 1, 0};
    const bool headers[] = {false, true,  true, false, true,  true,
                            false, false, true, false, false, false};
    for (int line = 0; line < 12; ++line) {
        EXPECT_EQ(depth(line), depths[line]) << "line " << line;
        EXPECT_EQ(header(line), headers[line]) << "line " << line;
    }
}

}  // namespace
}  // namespace quirn

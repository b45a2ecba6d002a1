// Folding of a TeX text: environments (\begin ... \end) and sectioning units (\part down
// to \subparagraph, each running to the next unit of its rank or higher, or to
// \end{document}) as fold levels, one per line, in the editing component's encoding.
#pragma once

#include <vector>

#include "editor/text_buffer.h"

namespace quirn {

inline constexpr int kFoldLevelBase = 0x400;
inline constexpr int kFoldLevelHeader = 0x2000;  // the line opens a fold
inline constexpr int kFoldLevelMask = 0x0FFF;

// The fold level of every line of `text` (kFoldLevelBase plus the depth, with
// kFoldLevelHeader on lines that open an environment or a sectioning unit). The line that
// ends an environment belongs to it, so a folded environment shows its \begin line only.
std::vector<int> TexFoldLevels(const TextBuffer& text);

}  // namespace quirn

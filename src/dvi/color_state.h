// The colour state of a DVI document: the current colour and the colour stack that
// \special{color push ...} and \special{color pop} work on. It is reset at load and
// rebuilt from the start of the file before each page is interpreted.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace quirn {

class OutputSink;

struct ColorState {
    uint32_t current = 0;  // 0x00BBGGRR, 0 = black
    std::vector<uint32_t> stack;

    void Reset() {
        current = 0;
        stack.clear();
    }
};

// Applies a special that begins with "color" (push, pop, or a colour that replaces
// the whole stack). Answers whether the special parsed.
bool ProcessColorSpecial(std::string_view text, ColorState& state, OutputSink& out);

}  // namespace quirn

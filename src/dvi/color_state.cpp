#include "dvi/color_state.h"

#include <cctype>

#include "dvi/color_spec.h"
#include "platform/output_sink.h"

namespace quirn {

bool ProcessColorSpecial(std::string_view text, ColorState& state, OutputSink& out) {
    size_t pos = text.size() < 5 ? text.size() : 5;
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) {
        ++pos;
    }
    const std::string_view rest = text.substr(pos);
    if (rest.empty()) {
        return false;
    }
    if (rest.substr(0, 4) == "push") {
        const auto colour = ParseColorSpec(rest.substr(4), out);
        if (!colour) {
            return false;
        }
        state.stack.push_back(state.current);
        state.current = *colour;
        return true;
    }
    if (rest.substr(0, 3) == "pop") {
        if (state.stack.empty()) {
            out.AppendOutput("color pop: color stack is empty\n");
            state.current = 0;
        } else {
            state.current = state.stack.back();
            state.stack.pop_back();
        }
        return true;
    }
    const auto colour = ParseColorSpec(rest, out);
    if (!colour) {
        return false;
    }
    // A plain colour starts a new stack whose only entry is black.
    state.stack.assign(1, 0);
    state.current = *colour;
    return true;
}

}  // namespace quirn

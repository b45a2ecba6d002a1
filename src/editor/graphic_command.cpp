#include "editor/graphic_command.h"

#include <regex>

namespace quirn {

namespace {

constexpr std::string_view kCommand = "\\includegraphics";
// How far a command may reach from its start; an \includegraphics is one or two lines.
constexpr TextPos kCommandReach = 4096;

}  // namespace

std::optional<IncludeGraphicsMatch> MatchIncludeGraphicsAt(const TextBuffer& text, TextPos pos) {
    static const std::regex kExpression(
        R"(\\includegraphics\s*\[([^\]]+\s*,\s*)*\s*width\s*=\s*([0-9.]+)\s*(..)\s*,\s*)"
        R"(height\s*=\s*([0-9.]+)\s*(..)(\s*,\s*keepaspectratio)?(\s*,\s*[^\]]+)?\]\s*)"
        R"(\{\s*([^}]+)\s*\})");
    if (pos < 0 || pos > text.Length()) {
        return std::nullopt;
    }
    // The nearest command starting at or before pos.
    const TextPos from = std::max<TextPos>(0, pos - kCommandReach);
    const TextPos upTo = std::min(text.Length(), pos + static_cast<TextPos>(kCommand.size()));
    const std::string before = TextOf(text, from, upTo);
    const size_t at = before.rfind(kCommand, static_cast<size_t>(pos - from));
    if (at == std::string::npos) {
        return std::nullopt;
    }
    const TextPos start = from + static_cast<TextPos>(at);
    const std::string tail = TextOf(text, start, std::min(text.Length(), start + kCommandReach));
    std::smatch m;
    if (!std::regex_search(tail, m, kExpression, std::regex_constants::match_continuous)) {
        return std::nullopt;
    }
    const TextPos end = start + static_cast<TextPos>(m.length(0));
    if (pos >= end) {
        return std::nullopt;
    }
    IncludeGraphicsMatch match;
    match.range = TextRange{start, end};
    match.otherOptions = m[1].str();
    match.width = m[2].str();
    match.widthUnit = m[3].str();
    match.height = m[4].str();
    match.heightUnit = m[5].str();
    match.keepAspectRatio = m[6].matched;
    match.furtherOptions = m[7].str();
    match.file = m[8].str();
    return match;
}

}  // namespace quirn

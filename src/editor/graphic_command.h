// A click on an existing \includegraphics: the command around a position, read with
// the graphics dialog's expression (width and height with two-letter units, an optional
// keepaspectratio, other options before and after, the file name).
#pragma once

#include <optional>
#include <string>

#include "editor/text_buffer.h"

namespace quirn {

struct IncludeGraphicsMatch {
    TextRange range;           // the whole command
    std::string otherOptions;  // before width=, with their commas
    std::string width;         // the number as written
    std::string widthUnit;     // two characters
    std::string height;
    std::string heightUnit;
    bool keepAspectRatio = false;
    std::string furtherOptions;  // after height= (and keepaspectratio), with the comma
    std::string file;
};

// The \includegraphics command that holds `pos`, when the expression reads it.
std::optional<IncludeGraphicsMatch> MatchIncludeGraphicsAt(const TextBuffer& text, TextPos pos);

// Shown when the command around the position cannot be read.
constexpr const char* kUnrecognizedIncludeGraphics =
    "Unrecognized \\includegraphics format\nReplace this command using Insert..Graphic";

}  // namespace quirn

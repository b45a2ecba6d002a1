// Colouring of TeX sources for the editing component (container styling): comments,
// control sequences, special characters and clickable commands.
#pragma once

#include <optional>
#include <string_view>

#include "editor/text_buffer.h"

namespace quirn {

enum TexStyle : int {
    kStylePlain = 0,
    kStyleCommand = 1,
    kStyleComment = 3,
    kStyleSymbol = 4,
    kStyleClickable = 5,  // underlined hotspot: \includegraphics, \documentclass, ...
};

// Colouring writes these style bits; bit 0x20 marks misspelled words and is kept.
constexpr int kTexStyleMask = 0xDF;

// Documents whose path contains ".log" are never coloured.
bool ShouldColourDocument(std::string_view path);

// The control word is one of the commands a click opens a dialog for.
bool IsClickableCommand(std::string_view controlWord);

// Colours the lines [firstLine, endLine) (line ends included).
void ColourTexLines(TextBuffer& text, int64_t firstLine, int64_t endLine);

// The answer to the component's request for styling (SCN_STYLENEEDED): from the line
// of the first unstyled position up to, not including, the line holding endPos (the
// last line when no position is given).
void ColourStyleNeeded(TextBuffer& text, std::optional<TextPos> endPos);

}  // namespace quirn

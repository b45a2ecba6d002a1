// Source links between a TeX source and its DVI output. A run with source specials
// leaves "src:LINE FILE" specials at paragraph starts and similar points; forward
// search (CDVIDoc::ForwardSearch) goes from a source line to the last such place at or
// before it, inverse search (CDVIDoc::InverseSearch) from a point on a page to the
// nearest special. The specials are read from the pages' plain display lists; nothing
// else is kept for the links.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "dvi/page_content.h"

namespace quirn {

class CDVIDoc;

// A source special's reference: the file as written in the special, 1-based line.
struct SourcePosition {
    std::string file;
    uint32_t line = 0;
};

// "src:" + a number (read as a floating-point value and truncated to 32 bits) + at
// most one skipped white-space character + the file name to the end; none for any
// other special, or when no number follows "src:".
std::optional<SourcePosition> ParseSourceSpecial(std::string_view text);

// How far a special lies from a point (both in DVI units): the squared horizontal
// distance plus twice the squared vertical one, so a line above or below counts more
// than a place along the same line. Specials other than source specials are as far
// as can be.
double SourceSpecialDistance(int32_t h, int32_t v, const SpecialRecord& special);

// The source file and line inverse search opens for a page point
// (CDVIDoc::InverseSearch): the nearest source special's file, made absolute against
// the DVI file's directory when it is relative. None when there is no source special
// to go to.
std::optional<SourcePosition> SourceForPoint(CDVIDoc& doc, int page, int resolution, int x, int y);

}  // namespace quirn

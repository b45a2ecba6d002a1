// Forward search within a paragraph. Source specials stand at paragraph starts and
// similar points only, so the place of a later line of the same paragraph is estimated
// from the text: the letters of the source lines between the special's line and the
// wanted one are counted off the letters typeset after the special, in the order the
// page sets them. Where the text cannot be followed (the special is not found, the
// letters run out) the special's own place is kept.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quirn {

class CDVIDoc;

// The letters a source line puts on the page, as far as the text says: letters and
// digits outside comments and control words.
std::size_t TypesetLetters(std::string_view line);

// Moves (page, x, y), the place CDVIDoc::ForwardSearch found for `line` of the source
// whose text is `source` (pixels at `resolution`), to the estimated place of the line's
// first letter. True when the place moved.
bool RefineSourcePlace(CDVIDoc& doc, std::string_view source, uint32_t line, int resolution,
                       int& page, int& x, int& y);

}  // namespace quirn

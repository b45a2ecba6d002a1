// The two fixed code tables outline fonts are read through: the TeXBase1 glyph names
// that reencoded Type 1 fonts are indexed by, and the code-to-Unicode table that
// gives TrueType fonts their TeX text layout.
#pragma once

#include <cstdint>

namespace quirn {

// The glyph name at `code` (0-255) of the TeXBase1 encoding (the one distributed as
// "8r.enc", with "Euro" at 128); ".notdef" for unassigned positions and for codes
// outside 0-255.
const char* TeXBase1GlyphName(int code);

// The Unicode character that a TrueType font draws for `code`; 0 when the code has
// no character (such a code finds no glyph).
uint32_t TrueTypeUnicode(int code);

}  // namespace quirn

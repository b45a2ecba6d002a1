// Font definitions (fnt_def1..4) as they appear in a DVI postamble and in a virtual
// font's preamble. Reading one makes a new font record, loads its metrics (with the
// cmr10 substitution when they are missing), its virtual font, or else its outline
// font, and enters it into a font table.
#pragma once

#include "dvi/fonts/byte_reader.h"
#include "dvi/fonts/dvi_font.h"
#include "dvi/fonts/font_context.h"

namespace quirn {

// Reads the next font definition from `in`. True after a definition was read (and its
// font loaded) or a nop skipped; false after pushing back the first byte that is
// neither. The new record is appended to `list` and entered under its number in
// `table` (a later definition with the same number replaces the reference). With a
// `parent` (a definition inside that virtual font), the sizes are converted from the
// VF's units: s is scaled by the parent's scaled size, d goes from 2^-20 to 2^-16 pt.
bool ReadFontDefinition(FontContext& context, ByteReader& in, DviFontList& list,
                        DviFontTable& table, const DviFont* parent);

}  // namespace quirn

// The font record of a DVI document: one per font definition read from the DVI file's
// postamble or from a virtual font's preamble. The document's font list owns the
// records; font tables and display lists refer to them.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dvi/fonts/virtual_font.h"

namespace quirn {

class OutlineFont;
class PkFont;

// Dimensions of one character in DVI units at the font's scaled size.
struct CharMetrics {
    int32_t width = 0;
    int32_t height = 0;
    int32_t depth = 0;
};

struct DviFont {
    // Indexed by character code; codes outside the TFM's bc..ec stay all 0.
    std::array<CharMetrics, 256> metrics{};
    int32_t s = 0;            // scaled size, DVI units
    int32_t d = 0;            // design size, DVI units (2^-16 pt)
    int32_t c = 0;            // checksum from the definition; 0 = do not compare
    std::string name;         // area and name joined, lower case
    std::string outlineFile;  // full path of the outline font file, when one was found
    std::string bitmapFile;   // full path of the PK file, for a font drawn from one

    // Set when the font has a VF file (its definitions and packet index).
    std::unique_ptr<VirtualFontData> virtualFont;
    // Set when an outline file was found and opened. Held as a shared pointer so that
    // the record can be destroyed where OutlineFont is only declared (the deleter is
    // captured where the object is made); the font record is still its owner.
    std::shared_ptr<OutlineFont> outlineFont;
    // Set for a font without an outline whose METAFONT bitmaps (a PK file) were found
    // or made; held like the outline font.
    std::shared_ptr<PkFont> pkFont;
    // The resolution of the PK file being made in the background for this font (its
    // characters are not drawn until it is attached); 0 when none is awaited.
    int pkPendingDpi = 0;
};

// A document's fonts in the order their definitions were read. The records never
// move, so references from font tables and display lists stay valid until the list
// is emptied by the next load.
using DviFontList = std::vector<std::unique_ptr<DviFont>>;

// DVI font number (the k of fnt_def) to a record of the font list (not owned).
using DviFontTable = std::map<int32_t, DviFont*>;

}  // namespace quirn

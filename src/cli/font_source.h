// Where the previewer draws a font of a loaded document from: its outline file, its
// METAFONT bitmaps, its virtual font, or nothing (with the reason), together with the
// encoding file and the transforms of its font map line. Shared by the sub-commands
// that list a document's fonts.
#pragma once

#include <string>

#include "cli/preview_document.h"
#include "dvi/fonts/dvi_font.h"

namespace quirn::cli {

struct FontSource {
    // "type1", "truetype", "pk", "virtual" or "missing".
    std::string kind;
    std::string file;      // full path of the file drawn from; empty when missing
    std::string encoding;  // full path (or the name, when not found) of the map line's
                           // encoding file; empty when none
    double slant = 0.0;
    double extend = 1.0;
    std::string reason;  // why a missing font has no source
};

// Describes `font` as it was loaded into `preview`'s document.
FontSource DescribeFontSource(PreviewDocument& preview, const DviFont& font);

// "-" for an empty text, else the text.
inline const char* OrDash(const std::string& text) {
    return text.empty() ? "-" : text.c_str();
}

}  // namespace quirn::cli

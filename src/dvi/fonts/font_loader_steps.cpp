// The loading steps that follow a font's metrics: the virtual-font reader, and the
// outline-font loader for fonts that are not virtual, falling back to the METAFONT
// bitmaps (PK files) of fonts that no outline maps. Each loader is entered here
// once it exists, so that every font context uses it.
#include "dvi/fonts/font_context.h"
#include "dvi/fonts/outline_font.h"
#include "dvi/fonts/pk_font.h"
#include "dvi/fonts/virtual_font.h"

namespace quirn {

FontLoaderSteps StandardFontLoaderSteps() {
    FontLoaderSteps steps;
    steps.loadVirtualFont = LoadVirtualFont;
    steps.attachOutlineFont = [](FontContext& context, DviFont& font) {
        // A font the map names but whose outline is missing or broken also gets its
        // bitmaps; the outline loader has said why it has none.
        if (context.fontMap.Find(font.name) != nullptr) {
            AttachOutlineFont(context, font);
        }
        if (font.outlineFont == nullptr) {
            AttachPkFont(context, font);
        }
    };
    return steps;
}

}  // namespace quirn

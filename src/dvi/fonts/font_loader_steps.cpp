// The loading steps that follow a font's metrics: the virtual-font reader, and the
// outline-font loader for fonts that are not virtual. Each loader is entered here
// once it exists, so that every font context uses it.
#include "dvi/fonts/font_context.h"
#include "dvi/fonts/outline_font.h"
#include "dvi/fonts/virtual_font.h"

namespace quirn {

FontLoaderSteps StandardFontLoaderSteps() {
    FontLoaderSteps steps;
    steps.loadVirtualFont = LoadVirtualFont;
    steps.attachOutlineFont = AttachOutlineFont;
    return steps;
}

}  // namespace quirn

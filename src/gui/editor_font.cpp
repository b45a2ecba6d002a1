#include "gui/editor_font.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

#include <set>

namespace quirn::gui {

namespace {

// `text` as the character data of a font configuration element.
std::string XmlText(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace

bool DrawWithoutLigatures(const std::string& family) {
    // One rule per family and run: the rules stay in the configuration once added.
    static std::set<std::string> done;
    if (family.empty() || done.count(family))
        return true;
    // A request for the family (by its own name or through an alias such as "Monospace")
    // gets the features added; the shaper reads them from the matched font's pattern.
    const std::string rule =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n"
        " <match target=\"pattern\">\n"
        "  <test name=\"family\"><string>" +
        XmlText(family) +
        "</string></test>\n"
        "  <edit name=\"fontfeatures\" mode=\"append\">\n"
        "   <string>liga=0</string><string>clig=0</string><string>dlig=0</string>"
        "<string>calt=0</string>\n"
        "  </edit>\n"
        " </match>\n"
        "</fontconfig>\n";
    FcConfig* config = FcConfigGetCurrent();
    if (!config || !FcConfigParseAndLoadFromMemory(
                       config, reinterpret_cast<const FcChar8*>(rule.c_str()), FcFalse))
        return false;
    done.insert(family);
    // Fonts already matched for the family were shaped with the old features.
    PangoFontMap* fonts = pango_cairo_font_map_get_default();
    if (PANGO_IS_FC_FONT_MAP(fonts))
        pango_fc_font_map_config_changed(PANGO_FC_FONT_MAP(fonts));
    return true;
}

}  // namespace quirn::gui

#include "dvi/point_info.h"

#include <cmath>
#include <cstdio>

#include "dvi/dvi_doc.h"
#include "dvi/fonts/dvi_math.h"
#include "dvi/interpret_page.h"

namespace quirn {

std::string PointInfo(CDVIDoc& doc, int page, int dpi, int px, int py, const RulerUnit& unit) {
    const PageContent* content = GetPageContent(doc, page, false);
    const double s = PixelsPerDviUnit(doc, dpi);
    if (content == nullptr || s <= 0 || dpi <= 0) {
        return {};
    }
    const int64_t x = TruncToInt32(px / s);
    const int64_t y = TruncToInt32(py / s);
    for (const GlyphPlacement& g : content->glyphs) {
        if (g.font == nullptr) {
            continue;
        }
        const CharMetrics& m = g.font->metrics[g.code & 0xFF];
        const int64_t left = g.h;
        const int64_t top = int64_t{g.v} - m.height;
        const int64_t right = int64_t{g.h} + m.width;
        const int64_t bottom = int64_t{g.v} + m.depth;
        if (x < left || x >= right || y < top || y >= bottom) {
            continue;
        }
        const DviFont& font = *g.font;
        char printable[16] = "";
        if (g.code >= 32 && g.code < 127) {
            std::snprintf(printable, sizeof printable, " ('%c')", static_cast<char>(g.code));
        }
        const double scaled =
            font.d != 0 ? std::trunc(font.s * 100.0 / font.d * doc.mag / 1000.0) : 0.0;
        char head[128];
        std::snprintf(head, sizeof head,
                      "(x,y) (%.2f%s,%.2f%s)  Font: ", g.h * s / dpi * unit.perInch, unit.name,
                      g.v * s / dpi * unit.perInch, unit.name);
        char tail[128];
        std::snprintf(tail, sizeof tail, "  CharCode: %i%s  designsize: %.1fpt scaled %i%%",
                      static_cast<int>(g.code), printable, font.d / 65536.0,
                      static_cast<int>(TruncToInt32(scaled)));
        return head + font.name + tail;
    }
    return {};
}

}  // namespace quirn

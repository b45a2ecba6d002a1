#include "dvi/page_words.h"

#include <cstdlib>

#include "dvi/dvi_doc.h"
#include "dvi/fonts/dvi_font.h"
#include "dvi/interpret_page.h"
#include "dvi/source_links.h"

namespace quirn {

namespace {

// The text of one character of a font in the OT1 or T1 (EC fonts) layout.
std::string CharacterText(const DviFont* font, uint32_t code) {
    static const char* const kLigatures[] = {"ff", "fi", "fl", "ffi", "ffl"};
    const bool t1 = font && (font->name.starts_with("ec") || font->name.starts_with("tc") ||
                             font->name.find("-t1") != std::string::npos);
    if (t1 && code >= 27 && code <= 31)
        return kLigatures[code - 27];
    if (!t1 && code >= 11 && code <= 15)
        return kLigatures[code - 11];
    if (code >= 33 && code < 127)
        return std::string(1, static_cast<char>(code));
    return "?";
}

}  // namespace

std::vector<TypesetWord> DviPageWords(CDVIDoc& doc, int page) {
    std::vector<TypesetWord> words;
    const PageContent* content = GetPageContent(doc, page, true);
    if (!content)
        return words;
    const double points = PageInches(doc, 1.0) * 72.0;  // big points per DVI unit
    const GlyphPlacement* previous = nullptr;
    int32_t previousEnd = 0;
    for (const GlyphPlacement& g : content->glyphs) {
        const CharMetrics m = g.font && g.code < 256 ? g.font->metrics[g.code] : CharMetrics{};
        const int32_t size = g.font ? g.font->s : 0;
        // A new word after a gap of a sixth of an em, on another baseline or going back.
        const bool joins = previous && std::abs(g.v - previous->v) < size / 4 &&
                           g.h >= previousEnd - size / 2 && g.h - previousEnd < size / 6;
        if (!joins) {
            words.push_back(TypesetWord{{},
                                        g.h * points,
                                        (g.v - m.height) * points,
                                        (g.h + m.width) * points,
                                        (g.v + m.depth) * points});
        }
        TypesetWord& word = words.back();
        word.text += CharacterText(g.font, g.code);
        word.top = std::min(word.top, (g.v - m.height) * points);
        word.bottom = std::max(word.bottom, (g.v + m.depth) * points);
        word.right = std::max(word.right, (g.h + m.width) * points);
        previous = &g;
        previousEnd = g.h + m.width;
    }
    return words;
}

std::optional<SyncTexPlace> SourcePlaceForPoint(CDVIDoc& doc, SyncTexLinks* links, int page,
                                                int resolution, int x, int y) {
    std::optional<SyncTexPlace> synctex;
    if (links && resolution > 0) {
        const double points = 72.0 / resolution;
        synctex = links->InverseToWord(page, x * points, y * points, DviPageWords(doc, page));
        if (synctex && synctex->column > 0)
            return synctex;
    }
    if (std::optional<SourcePosition> special = SourceForPoint(doc, page, resolution, x, y))
        return SyncTexPlace{special->file, static_cast<int>(special->line), 0};
    return synctex;
}

}  // namespace quirn

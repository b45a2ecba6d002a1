#include "dvi/source_refine.h"

#include <cctype>
#include <optional>
#include <vector>

#include "dvi/dvi_doc.h"
#include "dvi/fonts/dvi_math.h"
#include "dvi/interpret_page.h"
#include "dvi/source_links.h"

namespace quirn {

namespace {

// How many source letters a glyph stands for: letters and digits one, the ligatures
// of the text fonts (ff, fi, fl, ffi, ffl at codes 11 to 15) two or three, others none.
std::size_t LettersOfGlyph(uint32_t code) {
    if (code >= 11 && code <= 15)
        return code >= 14 ? 3 : 2;
    return code < 128 && std::isalnum(static_cast<int>(code)) ? 1 : 0;
}

// The text of lines [first, last) (1-based) of `source`.
std::vector<std::string_view> LinesBetween(std::string_view source, uint32_t first, uint32_t last) {
    std::vector<std::string_view> lines;
    uint32_t number = 1;
    std::size_t at = 0;
    while (at <= source.size() && number < last) {
        std::size_t nl = source.find('\n', at);
        std::size_t end = nl == std::string_view::npos ? source.size() : nl;
        if (number >= first)
            lines.push_back(source.substr(at, end - at));
        if (nl == std::string_view::npos)
            break;
        at = nl + 1;
        ++number;
    }
    return lines;
}

}  // namespace

std::size_t TypesetLetters(std::string_view line) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '%')
            break;
        if (c == '\\') {
            ++i;
            while (i < line.size() && std::isalpha(static_cast<unsigned char>(line[i])))
                ++i;
            --i;
            continue;
        }
        if (std::isalnum(static_cast<unsigned char>(c)))
            ++count;
    }
    return count;
}

bool RefineSourcePlace(CDVIDoc& doc, std::string_view source, uint32_t line, int resolution,
                       int& page, int& x, int& y) {
    const double factor = PixelsPerDviUnit(doc, resolution);
    const PageContent* content = GetPageContent(doc, page, false);
    if (content == nullptr || factor <= 0)
        return false;
    // The special at the place found, and the line it names.
    const SpecialRecord* special = nullptr;
    std::optional<SourcePosition> position;
    for (const SpecialRecord& s : content->specials) {
        if (TruncToInt32(s.h * factor) == x && TruncToInt32(s.v * factor) == y) {
            position = ParseSourceSpecial(s.text);
            if (position) {
                special = &s;
                break;
            }
        }
    }
    if (!special || position->line >= line)
        return false;
    std::size_t skip = 0;
    for (std::string_view text : LinesBetween(source, position->line, line))
        skip += TypesetLetters(text);
    if (skip == 0)
        return false;
    // The glyphs set after the special, in setting order, on its page and the next.
    const int count = doc.GetPageCount();
    std::size_t from = special->glyphsBefore;
    for (int p = page; p < count && p <= page + 1; ++p) {
        const PageContent* glyphs = p == page ? content : GetPageContent(doc, p, false);
        if (glyphs == nullptr)
            return false;
        for (std::size_t i = from; i < glyphs->glyphs.size(); ++i) {
            const GlyphPlacement& g = glyphs->glyphs[i];
            const std::size_t letters = LettersOfGlyph(g.code);
            if (letters == 0)
                continue;
            if (skip == 0) {
                page = p;
                x = TruncToInt32(g.h * factor);
                y = TruncToInt32(g.v * factor);
                return true;
            }
            skip = skip > letters ? skip - letters : 0;
        }
        from = 0;
    }
    return false;
}

}  // namespace quirn

// The display lists of one DVI page: what the page interpreter records for drawing,
// hit tests, search and source links. Positions are DVI units measured from the
// paper's top-left corner; colours are 0x00BBGGRR values, 0 = black.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quirn {

struct DviFont;

struct GlyphPlacement {
    int32_t h = 0;
    int32_t v = 0;
    uint32_t colour = 0;
    uint32_t code = 0;  // the character code as read (set1..set4 may exceed 255)
    DviFont* font = nullptr;
};

// (h, v) is the rule's lower-left corner; height and width are both positive.
struct RulePlacement {
    int32_t h = 0;
    int32_t v = 0;
    uint32_t colour = 0;
    int32_t height = 0;
    int32_t width = 0;
};

// A kept \special: the reference point when it was read and its text, cut at the
// first NUL byte.
struct SpecialRecord {
    int32_t h = 0;
    int32_t v = 0;
    std::string text;
    uint32_t glyphsBefore = 0;  // the glyphs the page had set when the special came
};

struct PageContent {
    bool loaded = false;
    std::vector<GlyphPlacement> glyphs;
    std::vector<RulePlacement> rules;
    std::vector<SpecialRecord> specials;

    void Clear() {
        loaded = false;
        glyphs.clear();
        glyphs.shrink_to_fit();
        rules.clear();
        rules.shrink_to_fit();
        specials.clear();
        specials.shrink_to_fit();
    }
};

// The page kinds: what a page needs besides glyphs and rules.
enum PageKind : int32_t {
    kPageKindPlain = 0,       // only glyphs, rules and harmless specials
    kPageKindGraphics = 1,    // graphics inclusions drawn under the page
    kPageKindPostScript = 2,  // the whole page needs the PostScript route
};

}  // namespace quirn

// Text in the typeset pages without any source: finding a string among the glyphs of
// a page's display list (the view's Find) and counting words page by page. Both read
// TeX's glyph codes; codes 11 to 15 stand for the letter groups ff, fi, fl, ffi, ffl.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/raster_canvas.h"

namespace quirn {

class CDVIDoc;

// The letters a glyph code stands for: its ligature group for 11 to 15, else itself.
std::string GlyphLetters(uint32_t code);

// What the views share between presses of Find Next: the last match and its highlight.
struct SearchState {
    bool highlighted = false;
    int page = -1;
    int firstGlyph = -1;  // index in the page's plain glyph list
    int lastGlyph = -1;
    CanvasRect highlight;  // pixels at 1000 dpi, inflated by 40
};

struct FindOutcome {
    bool found = false;
    bool wrappedAtEnd = false;        // passed from the last page to the first
    bool wrappedAtBeginning = false;  // passed from the first page to the last
};

inline constexpr const char* kWrappedAtEnd = "Search wrapped around end of document";
inline constexpr const char* kWrappedAtBeginning = "Search wrapped around beginning of document";
inline constexpr const char* kTextNotFound = "Text not found in DVI document";

// FindInDVI from `currentPage` (0-based). On success `state` holds the match (its
// page is the one to make current) and its highlight.
FindOutcome FindInDVI(CDVIDoc& doc, int currentPage, const std::string& text, bool matchCase,
                      bool down, SearchState& state);

// A selection in DVI units from the paper's top-left corner: left and top inside,
// right and bottom outside.
struct WordSelection {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// CountPageWords on the expanded content of `page` (0-based); appends to `log` when
// it is given.
int CountPageWords(CDVIDoc& doc, int page, std::string* log, const WordSelection* selection);

struct WordCountResult {
    int total = 0;
    std::vector<std::pair<int, int>> pages;  // (page, words) in the order counted
    std::string logPath;                     // the log (with extension "wcl")
    bool logWritten = false;
    std::string message;  // the result text for the message box
};

// CountWords: every page, or only `selectionPage` within `selection`. The log goes
// next to the DVI file; `dateTime` is the header's date and time text.
WordCountResult CountWords(CDVIDoc& doc, const WordSelection* selection, int selectionPage,
                           const std::string& dateTime);

// The current date and time in the user's locale's full form.
std::string LocaleDateTime();

}  // namespace quirn

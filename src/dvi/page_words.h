// The words of a DVI page, for inverse search down to the word: the page's glyphs
// grouped into words by their baselines and the gaps between them, in big points
// from the paper's top-left corner.
#pragma once

#include <optional>
#include <vector>

#include "dvi/synctex_links.h"

namespace quirn {

class CDVIDoc;

// Letters, digits and punctuation of the text fonts (the OT1 and T1 ligature
// positions spelled out); other characters end up as "?". Empty for a page that
// cannot be read.
std::vector<TypesetWord> DviPageWords(CDVIDoc& doc, int page);

// Inverse search on a DVI page point (pixels at `resolution` from the paper's corner):
// with SyncTeX links, the clicked word's line and column; otherwise (or when SyncTeX
// finds no word there) the nearest source special's line (SourceForPoint), column 0;
// then SyncTeX's line. None when neither knows the point.
std::optional<SyncTexPlace> SourcePlaceForPoint(CDVIDoc& doc, SyncTexLinks* links, int page,
                                                int resolution, int x, int y);

}  // namespace quirn

// Building a page's display lists on demand, and the unit conversions the drawing
// and hit tests use.
#pragma once

#include <string>

#include "dvi/color_state.h"
#include "dvi/page_content.h"
#include "dvi/specials.h"

namespace quirn {

class CDVIDoc;

// The expanded (virtual-font characters replaced by their packets) or plain content
// of a page, built on first request and kept in the page entry; null for a page
// that does not exist. Building also stores the page kind in the page entry.
const PageContent* GetPageContent(CDVIDoc& doc, int page, bool expand);

// Rebuilds the colour state that holds at the start of `page`: reset, then every
// special of the pages before it through the dispatch.
void ReplayColorState(const CDVIDoc& doc, int page, ColorState& colours);

// x DVI units in inches of paper, magnification included.
double PageInches(const CDVIDoc& doc, double x);
inline double PixelsPerDviUnit(const CDVIDoc& doc, int dpi) {
    return PageInches(doc, dpi);
}

// Where the graphics files of the document's specials are looked for: the figure
// directories and extra input directories of the settings, relative to the current
// project's main file.
GraphicsSearch GraphicsSearchFor(const CDVIDoc& doc);

// True when `name` is a PostScript prologue (".pro") that dvips finds in the TeX trees
// rather than beside the document: naming it in a "header=" special draws nothing.
bool IsDvipsOwnPrologue(const CDVIDoc& doc, const std::string& name);

}  // namespace quirn

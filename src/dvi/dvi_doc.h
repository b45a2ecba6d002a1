// A DVI document: a TeX output file opened for previewing. Loading validates the
// preamble and postamble, records the unit fraction and magnification, derives the
// paper size (the settings', or a papersize special's when the user has not fixed one),
// indexes the pages through the chain of back pointers and loads every
// font of the postamble. Page contents are interpreted later, on demand, from the
// offsets in the page index.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "dvi/color_state.h"
#include "dvi/dvi_context.h"
#include "dvi/fonts/dvi_font.h"
#include "dvi/page_content.h"

namespace quirn {

// One page of the page index.
struct DviPageEntry {
    int32_t bop = 0;                    // file offset of the page's bop byte
    int32_t count0 = 0;                 // TeX's page number (the first of the ten counts)
    PageContent expanded;               // display lists with virtual-font characters expanded
    PageContent plain;                  // display lists without that expansion
    int32_t pageKind = kPageKindPlain;  // set when the expanded content is built
};

// A size in pixels.
struct PixelSize {
    int32_t width = 0;
    int32_t height = 0;
};

class CDVIDoc {
  public:
    explicit CDVIDoc(DviContext& context) : context_(context) {}
    CDVIDoc(const CDVIDoc&) = delete;
    CDVIDoc& operator=(const CDVIDoc&) = delete;

    // Loads `path` (with the debug-mode search log around it). On failure writes
    // "Bad/missing DVI file %s\n" to the output window and answers false.
    bool OpenDocument(const std::string& path);
    // Loads the same file again after it changed; the old pages and fonts are dropped.
    bool Reload() { return OpenDocument(path_); }

    // The loader proper: reads the file at `path` with the document's directory as the
    // current directory. No message of its own; false at the first structural fault.
    bool LoadDvi(const std::string& path);
    // The same on bytes already in memory (the current directory is left alone).
    bool LoadDviBytes(std::vector<uint8_t> bytes);

    int GetPageCount() const { return static_cast<int>(pages.size()); }
    int32_t GetPageCount0(int page) const;
    // Paper size in pixels at `dpi`.
    PixelSize GetPageSize(int dpi) const;
    // Drops the expanded content of `page` and asks the views to redraw it; a page at
    // or beyond the page count does nothing.
    void InvalidatePage(int page, bool flag);

    const std::string& Path() const { return path_; }
    // The bytes of the file as loaded; page interpretation reads its pages from them.
    std::span<const uint8_t> FileBytes() const { return bytes_; }
    DviContext& Context() const { return context_; }

    // Source links (source_links.h). Forward search: the page and the point (pixels at
    // `resolution` from the paper's top-left corner) of the last source special of
    // `sourcePath` at or before `line`; false when there is none. The specials' files
    // are read against the DVI file's folder; a special of another file with the same
    // bare name counts only when no special names `sourcePath` itself and the name
    // leads to one file.
    bool ForwardSearch(const std::string& sourcePath, uint32_t line, int resolution, int& page,
                       int& x, int& y);
    // Inverse search: the text of the source special nearest to a page point, or an
    // empty text when the nearest special is none.
    std::string InverseSearch(int page, int resolution, int x, int y);

    // The views' redraw request for a page (set by the view layer).
    std::function<void(int page, bool flag)> onPageInvalidated;

    // --- Document state, shared with page interpretation, specials and export ---
    std::string postScriptPath;        // the PostScript file made from this document
    std::vector<uint32_t> colorStack;  // owned by the colour specials
    uint32_t currentColor = 0;         // 0x00BBGGRR, 0 = black
    int32_t num = 0;
    int32_t den = 0;
    int32_t mag = 0;
    std::vector<DviPageEntry> pages;  // index 0 = first page in the file
    DviFontList fonts;                // in definition order (VF fonts appended)
    DviFontTable fontTable;           // postamble font numbers to fonts
    int32_t pageWidth = 0;            // thousandths of an inch; 0 until loaded
    int32_t pageHeight = 0;
    bool postScriptDrawing = false;  // a page is being drawn through PostScript
    // The colour state at the start of pages 0, 1, ... as far as it has been replayed,
    // so that a page deep in the file does not skim every page before it each time.
    mutable std::vector<ColorState> colourAtPageStart;

  private:
    void Reset();
    bool Parse();
    // Takes the paper size from the papersize specials of the first page, if any.
    void ApplyPaperSizeSpecial();

    DviContext& context_;
    std::string path_;
    std::vector<uint8_t> bytes_;
};

// The paper size from the settings in `unitsPerInch` units (1000 for thousandths of an
// inch, a dpi for pixels), before any exchange for landscape.
PixelSize PaperSizeFromSettings(const Settings& settings, double unitsPerInch);

}  // namespace quirn

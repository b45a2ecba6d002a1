// A DVI document on the PostScript side: its PostScript file is made by dvips (with
// the excluded specials asked for) the first time it is needed and kept while the
// document lives. Its pages are copied out of that file either whole or, for pages
// whose only specials are graphics, as their graphics alone, so that the glyphs and
// rules can be drawn natively on top of the interpreter's picture.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/graphics_special.h"
#include "postscript/dvips_run.h"
#include "postscript/ps_document.h"
#include "postscript/temp_file.h"

namespace quirn {

class DviPostScriptDoc : public CBaseDoc {
  public:
    // `doc` is borrowed. `library` (borrowed) converts the excluded specials; null: the
    // document makes its own.
    DviPostScriptDoc(CDVIDoc& doc, OutputSink* out, SpecialLibrary* library = nullptr);

    int Kind() const override { return kKindDvi; }
    // Takes the DVI document's path; the PostScript is made later, when needed.
    bool Open(const std::string& path) override;
    // Forgets the PostScript made of the document: it is made again when needed.
    bool Reopen() override;
    int PageCount() const override { return dvi_.GetPageCount(); }
    PixelSize PageSizePixels(int, int dpi) const override { return dvi_.GetPageSize(dpi); }
    bool WritePages(const std::vector<int>& pages, int dpi, const PageWriter& writer,
                    bool graphicsOnly = false) override;

    // Runs dvips the first time; false when no PostScript file could be made.
    bool MakePostScript();
    // The dvips run's result (placeholder pages when it failed).
    const DvipsResult& Dvips() const { return dvips_; }
    CDVIDoc& Dvi() const { return dvi_; }
    // The dvips setup used by MakePostScript (tests change the program folder).
    DvipsSetup& Setup() { return setup_; }

    // Pages drawn on screen: graphics that dvips included its own way (not bracketed
    // for Quirn) cannot be picked out of a page, so such a page is then copied whole
    // and its glyphs land on the same places when drawn on top. Off (the default), the
    // graphics-only copy is made as asked.
    void SetWholePagesForForeignGraphics(bool whole) { foreignWhole_ = whole; }

    // One page of the PostScript file, [begin, end), through `writer`; with
    // `graphicsOnly` only the included graphics with their positions.
    bool CopyPage(const PageWriter& writer, int64_t begin, int64_t end, int dpi, bool graphicsOnly);

  private:
    CDVIDoc& dvi_;
    std::unique_ptr<GraphicsSpecialLibrary> ownLibrary_;
    SpecialLibrary* library_;
    DvipsSetup setup_;
    DvipsResult dvips_;
    TempFile file_;
    bool tried_ = false;
    bool foreignWhole_ = false;
};

// The position line for the included graphic whose "%%BeginDocument:" line starts at
// `lineStart` in `postscript`, read from the 60 bytes before it ("1234 5678 a\n", the
// place dvips moved to ahead of "@beginspecial"); empty when it cannot be found.
std::string GraphicPosition(std::string_view postscript, std::size_t lineStart);

}  // namespace quirn

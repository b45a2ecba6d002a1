// The process-wide state of the previewer's font machinery: the file search, the
// output window for font messages, the debug mode, and the nesting count of virtual
// font loads. Made once by the application (or a test) and passed to every font
// loader; nothing here is global. The DVI context (dvi/dvi_context.h) extends it.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "dvi/fonts/dvi_font.h"
#include "dvi/fonts/file_search.h"
#include "dvi/fonts/font_map.h"
#include "dvi/fonts/freetype_context.h"
#include "platform/output_sink.h"

namespace quirn {

struct FontContext;
class BackgroundPkMaker;

// The loading steps after a font's metrics, supplied by the virtual-font reader and
// the outline-font loader. Null steps are skipped (the font is then not virtual and
// gets no outline font).
struct FontLoaderSteps {
    // Reads the font's VF file when it has one; false when the VF file is corrupt.
    // New fonts defined by the VF are appended to `list`.
    std::function<bool(FontContext&, DviFont&, DviFontList& list)> loadVirtualFont;
    // Looks the font up in the font map and opens its outline file.
    std::function<void(FontContext&, DviFont&)> attachOutlineFont;
};

// The steps of the program's own loaders (font_loader_steps.cpp); every context starts
// with them, and a test may replace either.
FontLoaderSteps StandardFontLoaderSteps();

struct FontContext {
    FontContext(std::string installDir, OutputSink* outputSink)
        : fileSearch(installDir),
          output(outputSink),
          steps(StandardFontLoaderSteps()),
          fontMap(std::move(installDir)) {}
    FontContext(const FontContext&) = delete;
    FontContext& operator=(const FontContext&) = delete;

    // Appends a line to the output window (nothing when there is none).
    void Message(std::string_view text) const {
        if (output != nullptr) {
            output->AppendOutput(text);
        }
    }

    FileSearch fileSearch;
    OutputSink* output = nullptr;  // borrowed; null discards messages
    bool debugMode = false;        // the application option "mode" = "debug"
    int virtualFontNesting = 0;    // virtual-font loads in progress
    FontLoaderSteps steps;
    // The FreeType library that outline fonts are opened on, and the previewer's font
    // map from TeX names to outline files (refilled by each map regeneration).
    FreeTypeContext freeType;
    FontMap fontMap;
    // Makes missing PK files without blocking (borrowed; set by the window program).
    // Null: a missing PK file is made during the load, which then waits for it.
    BackgroundPkMaker* pkMaker = nullptr;
};

}  // namespace quirn

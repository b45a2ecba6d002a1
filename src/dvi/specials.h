// What the previewer makes of \special texts: colour specials change the document's
// colour state, graphics specials have their file resolved (and mark the page as one
// whose graphics come through the PostScript route), papersize specials give the
// document's paper size (read when it loads), src: and html: specials are kept
// without effect, and anything else needs PostScript.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dvi/color_state.h"
#include "dvi/page_content.h"
#include "graphics/graphics_special.h"

namespace quirn {

class OutputSink;

// Where graphics files named by specials are looked for.
struct GraphicsSearch {
    std::vector<std::string> figurePath;         // setting FigurePath
    std::vector<std::string> extraTexInputPath;  // setting ExtraTexInputPath
    // Directory of the current project's main file, which relative names are
    // resolved against; empty when there is no current project (then the process's
    // current directory counts).
    std::string baseDir;
};

// The dispatch: colour specials go to the colour state; answers whether the page
// keeps the special (a colour special whose colour fails to parse is not kept).
bool ProcessSpecial(std::string_view text, ColorState& colours, OutputSink& out);

// psfile=, bmp:, wmf: and eps: specials (the part before the first ':' or '"',
// lower-cased).
bool IsGraphicsSpecial(std::string_view text);

// True for the extensions of graphics files the previewer accepts.
bool IsGraphicsExtension(std::string_view fileName);

// Resolves the file of a graphics special, rewriting `text` when the file was found
// in a figure directory. False drops the special: an unaccepted extension (silently)
// or a file that cannot be found ("Cannot find file: %s\n").
bool ResolveGraphicsSpecial(std::string& text, const GraphicsSearch& search, OutputSink& out);

// A paper size in thousandths of an inch.
struct PaperSize {
    int32_t width = 0;
    int32_t height = 0;
};

// The size a papersize special sets ("papersize=W,H", or with a blank after the word,
// each dimension a number with a TeX unit, "true" allowed before it: in, cm, mm, pt,
// bp, pc, dd, cc, sp); nothing for another special or a size that is not two positive
// dimensions.
std::optional<PaperSize> ParsePaperSizeSpecial(std::string_view text);

// The page kind the kept specials of a page give (see PageKind). A "header=" special
// for which `ownPrologue` answers true (a prologue file of dvips's own tree, which
// every LaTeX document names on its first page) draws nothing by itself.
PageKind ClassifyPageSpecials(const std::vector<SpecialRecord>& specials,
                              const std::function<bool(const std::string& name)>& ownPrologue = {});

// The file a "header=" special names ("header=color.pro" gives color.pro); empty for
// any other special.
std::string HeaderSpecialFile(std::string_view text);

// dvips writes the specials it was told to leave out as comment lines starting with
// this text, followed by the special.
inline constexpr std::string_view kExcludedSpecialPrefix = "%%QuirnSpecialExcluded: ";

// One line of dvips output on its way into a page's PostScript. An excluded special
// is resolved like a page's graphics special and, unless that drops it, converted
// into PostScript by the graphics special library, which writes through `output`;
// the line itself is then consumed (true). Other lines answer false and are copied
// as they are.
bool ConvertExcludedSpecial(std::string_view line, const SpecialOutputFunction& output,
                            int resolution, int32_t magnification, const GraphicsSearch& search,
                            SpecialLibrary& library, OutputSink& out);

}  // namespace quirn

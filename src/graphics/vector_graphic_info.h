// Natural sizes of vector graphics: the bounding box of an EPS or PostScript file and
// the media box of a PDF file's first page, both in PostScript points.
#pragma once

#include <cstdint>
#include <span>

namespace quirn {

struct BoundingBox {
    double llx = 0;
    double lly = 0;
    double urx = 0;
    double ury = 0;
    double Width() const { return urx - llx; }
    double Height() const { return ury - lly; }
};

// The PostScript part of an EPS file: the section a DOS EPS binary header points at, or
// the whole file. A header pointing outside the file gives an empty section.
std::span<const uint8_t> EpsPostScriptSection(std::span<const uint8_t> file);

// The %%BoundingBox of a PostScript text: the first one of the header comments, or, for
// "(atend)", the last one outside embedded documents. Only boxes with positive width and
// height count.
bool FindEpsBoundingBox(std::span<const uint8_t> postscript, BoundingBox* box);

// The media box of the first page of a PDF file, inherited from the page tree when the
// page has none of its own, and turned by the page's /Rotate. Object streams are read.
bool FindPdfMediaBox(std::span<const uint8_t> pdf, BoundingBox* box);

}  // namespace quirn

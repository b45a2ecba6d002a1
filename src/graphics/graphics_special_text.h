// The texts of graphics specials that the graphics special library turns into PostScript:
//   psfile="fig.eps" llx=0 lly=0 urx=72 ury=72 rwi=720 [rhi=..] [hoffset= voffset=
//          hscale= vscale= angle= hsize= vsize=] [clip]     (also PSfile=, unquoted names)
//   bmp:photo.png [width height]   eps:fig.eps [width height]   wmf:drawing.wmf
//   em:graph picture.bmp
// File names may be quoted. Sizes after bmp:/eps: are TeX dimensions ("2in", "5cm",
// "100pt"); a bare number is in PostScript points.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quirn {

enum class GraphicsSpecialKind { PsFile, Bitmap, Eps, Metafile, EmGraph };

struct GraphicsSpecial {
    GraphicsSpecialKind kind = GraphicsSpecialKind::PsFile;
    std::string file;
    // psfile= keys, in PostScript points except rwi/rhi (tenths of a point) and the
    // scales (percent).
    std::optional<double> llx, lly, urx, ury;
    std::optional<double> rwi, rhi;
    std::optional<double> hsize, vsize;
    double hoffset = 0;
    double voffset = 0;
    double hscale = 100;
    double vscale = 100;
    double angle = 0;
    bool clip = false;
    // bmp:, eps: and wmf: sizes in PostScript points.
    std::optional<double> width, height;

    bool HasBoundingBox() const { return llx && lly && urx && ury && *urx > *llx && *ury > *lly; }
};

// Parses a special text; false (with a reason) when it is no graphics special this
// library knows or it names no file.
bool ParseGraphicsSpecial(std::string_view text, GraphicsSpecial* special, std::string* error);

// A TeX dimension ("2.5in", "10 pt", "3cm") or a bare number of points, in PostScript
// points. Consumes the dimension from the front of `text`.
bool ParseDimension(std::string_view* text, double* points);

}  // namespace quirn

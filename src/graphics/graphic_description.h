// What the graphics insertion dialog shows about a graphics file: its kind by name,
// its natural size (pixels for bitmaps, points for vector graphics) and the size line.
#pragma once

#include <string>

namespace quirn {

class OutputSink;
class SpecialLibrary;

enum class GraphicKind { Unknown, Bitmap, PostScript, Pdf };

// By the file name's extension (any case): eps/ps, pdf, or one of png, jpg, jpeg, gif,
// bmp, tif, tiff.
GraphicKind GraphicKindOfName(const std::string& path);

// An unreadable bitmap, or a vector graphic without a box of positive size, is of
// unknown kind; for PostScript "Could not find valid bounding box" is traced. Box
// coordinates count truncated toward zero, as the EPS reader takes them.
struct GraphicDescription {
    GraphicKind kind = GraphicKind::Unknown;
    double width = 0;  // pixels or points
    double height = 0;
};
GraphicDescription DescribeGraphic(const std::string& path, SpecialLibrary& library,
                                   OutputSink& output);

// The dialog's size line; `unit` is "cm" or "in", width and height the size asked for
// on the page. A vector graphic's natural size is given in `unit` too.
std::string GraphicSizeText(const GraphicDescription& graphic, double width, double height,
                            const std::string& unit);

// A clipboard bitmap (a BMP file without its 14-byte file header) with the file header
// put back in front: "BM", the file size, and the offset of the pixels after the
// information header, its colour masks and its palette. Empty for data too short to
// hold an information header.
std::string BmpFileFromDib(const std::string& dib);

}  // namespace quirn

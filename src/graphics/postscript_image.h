// PostScript for pictures: a bitmap painted into the unit square of the current user
// space, losslessly compressed (Flate) or, for JPEG files, with the file's own DCT data;
// and a complete EPS file made from a picture (the img2eps helper).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "graphics/image_readers.h"
#include "graphics/rgb_image.h"

namespace quirn {

// ASCII base-85 text ending in "~>", in lines of at most 76 characters. No line starts
// with '%', so the data never reads as a DSC comment to a line-oriented copier.
std::string Ascii85Encode(std::span<const uint8_t> data);

// zlib (Flate) compression of `data`.
bool FlateCompress(std::span<const uint8_t> data, std::string* out);

// Paints the picture into the unit square (0,0)-(1,1) of the current user space, top row
// at the top. Grey pictures go out with one sample per pixel. Needs LanguageLevel 3.
std::string PostScriptImage(const RgbImage& image);

// Paints a JPEG file's data, unchanged, into the unit square. LanguageLevel 2.
std::string PostScriptJpegImage(std::span<const uint8_t> jpeg, const JpegInfo& info);

// A complete EPS file for a picture file's bytes (PNG, JPEG, GIF, BMP or TIFF), sized at
// the picture's resolution (72 dpi when it gives none). JPEG data is embedded as it is
// unless it is progressive; everything else is compressed losslessly.
bool MakeImageEps(std::span<const uint8_t> file, std::string_view title, std::string* eps,
                  std::string* error);

// Picture size in PostScript points at its resolution (72 dpi when it has none).
double PointsFromPixels(int pixels, double dpi);

// A number for PostScript text: up to 6 significant digits, no exponent.
std::string PsNumber(double value);

// A PostScript string literal for arbitrary text (parentheses and backslashes escaped,
// non-printable bytes in octal).
std::string PsString(std::string_view text);

}  // namespace quirn

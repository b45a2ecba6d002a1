// Readers for the bitmap formats Quirn places on pages and previews: PNG, JPEG, GIF, BMP
// and TIFF (plus the PPM that the PostScript interpreter writes), all from a byte buffer
// with bounds, and a PNG writer. A damaged file gives a message and false, never a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "graphics/rgb_image.h"

namespace quirn {

using ByteSpan = std::span<const uint8_t>;

enum class GraphicFormat { Unknown, Png, Jpeg, Gif, Bmp, Tiff, Eps, PostScript, Pdf };

// Recognises a graphics file by its first bytes (not by its name).
GraphicFormat DetectGraphicFormat(ByteSpan data);
const char* GraphicFormatName(GraphicFormat format);
bool IsBitmapFormat(GraphicFormat format);

// HeaderOnly fills width, height and resolution and leaves the pixels empty.
enum class ImageReadMode { Full, HeaderOnly };

// Pictures larger than this many pixels are refused rather than allocated.
constexpr int64_t kMaxImagePixels = int64_t{1} << 27;

// Checks a declared picture size; on failure sets a message and answers false.
bool CheckImageSize(int64_t width, int64_t height, std::string* error);

bool ReadPng(ByteSpan data, ImageReadMode mode, RgbImage* image, std::string* error);
bool ReadJpeg(ByteSpan data, ImageReadMode mode, RgbImage* image, std::string* error);
bool ReadGif(ByteSpan data, ImageReadMode mode, RgbImage* image, std::string* error);
bool ReadBmp(ByteSpan data, ImageReadMode mode, RgbImage* image, std::string* error);
bool ReadTiff(ByteSpan data, ImageReadMode mode, RgbImage* image, std::string* error);
// Binary PPM (P6) and PGM (P5) with 8-bit samples.
bool ReadPnm(ByteSpan data, RgbImage* image, std::string* error);

// Any of the five bitmap formats, recognised by content.
bool ReadBitmap(ByteSpan data, ImageReadMode mode, RgbImage* image, std::string* error);

// What a PostScript DCT filter needs to show a JPEG file's data unchanged.
struct JpegInfo {
    int width = 0;
    int height = 0;
    int components = 0;  // 1 grey, 3 colour, 4 CMYK
    bool adobe = false;  // an Adobe marker: CMYK samples are stored inverted
    bool progressive = false;
    double dpiX = 0;
    double dpiY = 0;
};
bool ReadJpegInfo(ByteSpan data, JpegInfo* info, std::string* error);

// Resolution in dots per inch from the dots per metre that PNG and BMP files record.
// Whole-inch resolutions do not survive the metric rounding exactly, so values within a
// tenth of a whole number are taken as that number.
double DpiFromPerMetre(double perMetre);

// Reads a whole file; files larger than maxBytes are refused.
bool ReadFileBytes(const std::string& path, std::vector<uint8_t>* bytes, std::string* error,
                   size_t maxBytes = size_t{1} << 30);

// Reads a bitmap file of any of the five formats.
bool ReadImageFile(const std::string& path, ImageReadMode mode, RgbImage* image,
                   std::string* error);

// Writes 8-bit greyscale (channels 1) or RGB (channels 3) rows, top row first, `stride`
// bytes apart, as a PNG file. dpi > 0 records the resolution in the file.
bool WritePng(const std::string& path, int width, int height, int channels, const uint8_t* rows,
              size_t stride, std::string* error, double dpi = 0);
bool WritePng(const std::string& path, const RgbImage& image, std::string* error);

}  // namespace quirn

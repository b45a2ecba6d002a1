#include "graphics/postscript_image.h"

#include <zlib.h>

#include <cmath>
#include <cstdio>

namespace quirn {

std::string Ascii85Encode(std::span<const uint8_t> data) {
    std::string out;
    out.reserve(data.size() * 5 / 4 + data.size() / 60 + 8);
    size_t lineLength = 0;
    auto put = [&](char c) {
        if (lineLength == 0 && c == '%') {
            out += ' ';  // white space is ignored by the decoder
            ++lineLength;
        }
        out += c;
        if (++lineLength >= 76) {
            out += '\n';
            lineLength = 0;
        }
    };
    size_t i = 0;
    for (; i + 4 <= data.size(); i += 4) {
        uint32_t word =
            uint32_t{data[i]} << 24 | data[i + 1] << 16 | data[i + 2] << 8 | data[i + 3];
        if (word == 0) {
            put('z');
            continue;
        }
        char group[5];
        for (int k = 4; k >= 0; --k) {
            group[k] = static_cast<char>('!' + word % 85);
            word /= 85;
        }
        for (char c : group)
            put(c);
    }
    if (size_t rest = data.size() - i; rest > 0) {
        uint32_t word = 0;
        for (size_t k = 0; k < 4; ++k)
            word = word << 8 | (k < rest ? data[i + k] : 0);
        char group[5];
        for (int k = 4; k >= 0; --k) {
            group[k] = static_cast<char>('!' + word % 85);
            word /= 85;
        }
        for (size_t k = 0; k < rest + 1; ++k)
            put(group[k]);
    }
    if (lineLength + 2 > 76)
        out += '\n';
    out += "~>\n";
    return out;
}

bool FlateCompress(std::span<const uint8_t> data, std::string* out) {
    uLong bound = compressBound(static_cast<uLong>(data.size()));
    out->resize(bound);
    uLongf length = bound;
    if (compress2(reinterpret_cast<Bytef*>(out->data()), &length, data.data(),
                  static_cast<uLong>(data.size()), 6) != Z_OK) {
        out->clear();
        return false;
    }
    out->resize(length);
    return true;
}

std::string PsNumber(double value) {
    if (!std::isfinite(value))
        return "0";
    if (std::fabs(value) < 1e-9)
        return "0";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.6f", value);
    std::string text = buffer;
    // Trailing zeros and a trailing point say nothing.
    while (!text.empty() && text.back() == '0')
        text.pop_back();
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    return text == "-0" ? "0" : text;
}

std::string PsString(std::string_view text) {
    std::string out = "(";
    for (unsigned char c : text) {
        if (c == '(' || c == ')' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 32 || c > 126) {
            char octal[8];
            std::snprintf(octal, sizeof octal, "\\%03o", c);
            out += octal;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + ")";
}

double PointsFromPixels(int pixels, double dpi) {
    return pixels * 72.0 / (dpi > 0 ? dpi : 72.0);
}

// The image dictionary with an inline data source. Damaged data ends only the picture
// (`stopped`), and the decoding filter is flushed afterwards so that the interpreter
// resumes right after the data's "~>".
static std::string ImageWithData(int width, int height, int components, const char* decode,
                                 const std::string& filters, const std::string& encoded) {
    static const char* kSpaces[] = {"", "/DeviceGray", "", "/DeviceRGB", "/DeviceCMYK"};
    std::string w = std::to_string(width), h = std::to_string(height);
    std::string ps;
    ps += "/QuirnImageData currentfile /ASCII85Decode filter def\n";
    ps += std::string(kSpaces[components]) + " setcolorspace\n";
    ps += "<< /ImageType 1 /Width " + w + " /Height " + h + " /BitsPerComponent 8\n";
    ps += "   /Decode " + std::string(decode) + " /ImageMatrix [" + w + " 0 0 -" + h + " 0 " + h +
          "]\n";
    ps += "   /DataSource QuirnImageData " + filters + " >>\n";
    ps += "{{image} stopped {(Error in picture data\\n) print flush} if\n";
    ps += " QuirnImageData flushfile} exec\n";
    ps += encoded;
    return ps;
}

std::string PostScriptImage(const RgbImage& image) {
    const bool grey = image.IsGrey();
    std::vector<uint8_t> samples;
    std::span<const uint8_t> data = image.pixels;
    if (grey) {
        samples.resize(static_cast<size_t>(image.width) * image.height);
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = image.pixels[i * 3];
        data = samples;
    }
    std::string packed;
    std::string filters = "/FlateDecode filter";
    if (!FlateCompress(data, &packed)) {
        packed.assign(data.begin(), data.end());
        filters.clear();
    }
    std::string encoded =
        Ascii85Encode({reinterpret_cast<const uint8_t*>(packed.data()), packed.size()});
    return ImageWithData(image.width, image.height, grey ? 1 : 3, grey ? "[0 1]" : "[0 1 0 1 0 1]",
                         filters, encoded);
}

std::string PostScriptJpegImage(std::span<const uint8_t> jpeg, const JpegInfo& info) {
    const char* decode = info.components == 1   ? "[0 1]"
                         : info.components == 3 ? "[0 1 0 1 0 1]"
                         : info.adobe           ? "[1 0 1 0 1 0 1 0]"
                                                : "[0 1 0 1 0 1 0 1]";
    return ImageWithData(info.width, info.height, info.components, decode,
                         "<< >> /DCTDecode filter", Ascii85Encode(jpeg));
}

bool MakeImageEps(std::span<const uint8_t> file, std::string_view title, std::string* eps,
                  std::string* error) {
    GraphicFormat format = DetectGraphicFormat(file);
    if (!IsBitmapFormat(format)) {
        if (error)
            *error = "unknown picture format";
        return false;
    }
    std::string body;
    int width = 0, height = 0, level = 3;
    double dpiX = 0, dpiY = 0;
    JpegInfo jpeg;
    if (format == GraphicFormat::Jpeg && ReadJpegInfo(file, &jpeg, error) && !jpeg.progressive) {
        // Decoding once proves the data sound before it is copied as it is.
        RgbImage check;
        if (!ReadJpeg(file, ImageReadMode::Full, &check, error))
            return false;
        body = PostScriptJpegImage(file, jpeg);
        width = jpeg.width, height = jpeg.height, dpiX = jpeg.dpiX, dpiY = jpeg.dpiY;
        level = 2;
    } else {
        RgbImage image;
        if (!ReadBitmap(file, ImageReadMode::Full, &image, error))
            return false;
        body = PostScriptImage(image);
        width = image.width, height = image.height, dpiX = image.dpiX, dpiY = image.dpiY;
    }
    if (dpiX <= 0 || dpiY <= 0)
        dpiX = dpiY = 0;
    const double w = PointsFromPixels(width, dpiX), h = PointsFromPixels(height, dpiY);
    std::string& out = *eps;
    out = "%!PS-Adobe-3.0 EPSF-3.0\n";
    out += "%%Creator: Quirn img2eps\n";
    std::string safeTitle;
    for (char c : title)
        safeTitle += (c == '\n' || c == '\r') ? ' ' : c;
    out += "%%Title: " + safeTitle + "\n";
    out += "%%BoundingBox: 0 0 " + std::to_string(static_cast<long>(std::ceil(w - 1e-6))) + " " +
           std::to_string(static_cast<long>(std::ceil(h - 1e-6))) + "\n";
    out += "%%HiResBoundingBox: 0 0 " + PsNumber(w) + " " + PsNumber(h) + "\n";
    out += "%%LanguageLevel: " + std::to_string(level) + "\n";
    out += "%%EndComments\n";
    out += "save\n" + PsNumber(w) + " " + PsNumber(h) + " scale\n";
    out += body;
    out += "restore\nshowpage\n%%Trailer\n%%EOF\n";
    return true;
}

}  // namespace quirn

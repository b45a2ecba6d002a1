#include "graphics/image_readers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <string_view>

namespace quirn {

static bool StartsWith(ByteSpan data, std::string_view prefix) {
    return data.size() >= prefix.size() &&
           std::memcmp(data.data(), prefix.data(), prefix.size()) == 0;
}

GraphicFormat DetectGraphicFormat(ByteSpan data) {
    if (StartsWith(data, "\x89PNG\r\n\x1a\n"))
        return GraphicFormat::Png;
    if (StartsWith(data, "\xff\xd8\xff"))
        return GraphicFormat::Jpeg;
    if (StartsWith(data, "GIF87a") || StartsWith(data, "GIF89a"))
        return GraphicFormat::Gif;
    if (StartsWith(data, "II*\0") || StartsWith(data, std::string_view("MM\0*", 4)) ||
        StartsWith(data, "II+\0") || StartsWith(data, std::string_view("MM\0+", 4))) {
        return GraphicFormat::Tiff;
    }
    if (StartsWith(data, "BM") && data.size() >= 18) {
        uint32_t headerSize = data[14] | data[15] << 8 | data[16] << 16 | uint32_t{data[17]} << 24;
        if (headerSize >= 12 && headerSize <= 256)
            return GraphicFormat::Bmp;
    }
    if (StartsWith(data, "\xc5\xd0\xd3\xc6"))
        return GraphicFormat::Eps;  // DOS EPS binary header
    if (StartsWith(data, "%!")) {
        std::string_view head(reinterpret_cast<const char*>(data.data()),
                              std::min<size_t>(data.size(), 256));
        std::string_view firstLine = head.substr(0, head.find_first_of("\r\n"));
        return firstLine.find("EPSF") != std::string_view::npos ? GraphicFormat::Eps
                                                                : GraphicFormat::PostScript;
    }
    std::string_view head(reinterpret_cast<const char*>(data.data()),
                          std::min<size_t>(data.size(), 1024));
    // Some hand-written EPS files start with a malformed first comment ("%%!"); their
    // bounding box comment still tells them apart.
    if (StartsWith(data, "%%") && head.find("%%BoundingBox:") != std::string_view::npos) {
        return GraphicFormat::Eps;
    }
    // PDF allows some junk before the header; readers look within the first kilobyte.
    if (head.find("%PDF-") != std::string_view::npos)
        return GraphicFormat::Pdf;
    return GraphicFormat::Unknown;
}

const char* GraphicFormatName(GraphicFormat format) {
    switch (format) {
        case GraphicFormat::Png:
            return "PNG";
        case GraphicFormat::Jpeg:
            return "JPEG";
        case GraphicFormat::Gif:
            return "GIF";
        case GraphicFormat::Bmp:
            return "BMP";
        case GraphicFormat::Tiff:
            return "TIFF";
        case GraphicFormat::Eps:
            return "EPS";
        case GraphicFormat::PostScript:
            return "PostScript";
        case GraphicFormat::Pdf:
            return "PDF";
        case GraphicFormat::Unknown:
            break;
    }
    return "unknown";
}

bool IsBitmapFormat(GraphicFormat format) {
    return format == GraphicFormat::Png || format == GraphicFormat::Jpeg ||
           format == GraphicFormat::Gif || format == GraphicFormat::Bmp ||
           format == GraphicFormat::Tiff;
}

bool CheckImageSize(int64_t width, int64_t height, std::string* error) {
    if (width <= 0 || height <= 0) {
        if (error)
            *error = "picture has no pixels";
        return false;
    }
    if (width > 1000000 || height > 1000000 || width * height > kMaxImagePixels) {
        if (error) {
            *error = "picture too large (" + std::to_string(width) + " x " +
                     std::to_string(height) + " pixels)";
        }
        return false;
    }
    return true;
}

double DpiFromPerMetre(double perMetre) {
    double dpi = perMetre * 0.0254;
    double whole = std::round(dpi);
    return std::fabs(dpi - whole) < 0.1 ? whole : dpi;
}

bool ReadBitmap(ByteSpan data, ImageReadMode mode, RgbImage* image, std::string* error) {
    switch (DetectGraphicFormat(data)) {
        case GraphicFormat::Png:
            return ReadPng(data, mode, image, error);
        case GraphicFormat::Jpeg:
            return ReadJpeg(data, mode, image, error);
        case GraphicFormat::Gif:
            return ReadGif(data, mode, image, error);
        case GraphicFormat::Bmp:
            return ReadBmp(data, mode, image, error);
        case GraphicFormat::Tiff:
            return ReadTiff(data, mode, image, error);
        default:
            break;
    }
    if (error)
        *error = "unknown bitmap format";
    return false;
}

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>* bytes, std::string* error,
                   size_t maxBytes) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (error)
            *error = std::strerror(errno);
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (!ok) {
        if (error)
            *error = "not a regular file";
    } else if (static_cast<uint64_t>(st.st_size) > maxBytes) {
        if (error)
            *error = "file too large";
        ok = false;
    } else {
        bytes->resize(static_cast<size_t>(st.st_size));
        size_t done = 0;
        while (done < bytes->size()) {
            ssize_t n = ::read(fd, bytes->data() + done, bytes->size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += static_cast<size_t>(n);
        }
        bytes->resize(done);  // a file that shrank while being read keeps what was read
    }
    ::close(fd);
    return ok;
}

bool ReadImageFile(const std::string& path, ImageReadMode mode, RgbImage* image,
                   std::string* error) {
    std::vector<uint8_t> bytes;
    if (!ReadFileBytes(path, &bytes, error))
        return false;
    return ReadBitmap(bytes, mode, image, error);
}

// Skips white space and comments of a PNM header and reads one decimal number.
static bool PnmNumber(ByteSpan data, size_t* pos, int64_t* value) {
    while (*pos < data.size()) {
        uint8_t c = data[*pos];
        if (c == '#') {
            while (*pos < data.size() && data[*pos] != '\n')
                ++*pos;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++*pos;
        } else {
            break;
        }
    }
    int64_t v = 0;
    size_t start = *pos;
    while (*pos < data.size() && data[*pos] >= '0' && data[*pos] <= '9' && v < 100000000) {
        v = v * 10 + (data[(*pos)++] - '0');
    }
    *value = v;
    return *pos > start;
}

bool ReadPnm(ByteSpan data, RgbImage* image, std::string* error) {
    int channels = StartsWith(data, "P6") ? 3 : StartsWith(data, "P5") ? 1 : 0;
    if (channels == 0) {
        if (error)
            *error = "not a binary PPM or PGM file";
        return false;
    }
    size_t pos = 2;
    int64_t w = 0, h = 0, maxValue = 0;
    if (!PnmNumber(data, &pos, &w) || !PnmNumber(data, &pos, &h) ||
        !PnmNumber(data, &pos, &maxValue) || pos >= data.size()) {
        if (error)
            *error = "damaged PPM header";
        return false;
    }
    ++pos;  // the single white space character before the samples
    if (maxValue != 255) {
        if (error)
            *error = "PPM with other than 8-bit samples";
        return false;
    }
    if (!CheckImageSize(w, h, error))
        return false;
    size_t need = static_cast<size_t>(w * h * channels);
    if (data.size() - pos < need) {
        if (error)
            *error = "PPM file is truncated";
        return false;
    }
    image->Allocate(static_cast<int>(w), static_cast<int>(h));
    image->dpiX = image->dpiY = 0;
    const uint8_t* src = data.data() + pos;
    if (channels == 3) {
        std::memcpy(image->pixels.data(), src, need);
    } else {
        for (size_t i = 0; i < need; ++i) {
            image->pixels[i * 3] = image->pixels[i * 3 + 1] = image->pixels[i * 3 + 2] = src[i];
        }
    }
    return true;
}

}  // namespace quirn

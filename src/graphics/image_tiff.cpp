// TIFF through libtiff, read from memory. The first directory (page) is the picture;
// libtiff's RGBA interface covers the photometric kinds and bit depths.
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

#include "graphics/image_readers.h"

namespace quirn {

namespace {

struct TiffSource {
    ByteSpan data;
    uint64_t pos = 0;
    char message[256] = "";
};

tmsize_t ReadProc(thandle_t handle, void* out, tmsize_t length) {
    auto* src = static_cast<TiffSource*>(handle);
    if (length <= 0 || src->pos >= src->data.size())
        return 0;
    uint64_t n = std::min<uint64_t>(static_cast<uint64_t>(length), src->data.size() - src->pos);
    std::memcpy(out, src->data.data() + src->pos, n);
    src->pos += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    auto* src = static_cast<TiffSource*>(handle);
    uint64_t base = whence == SEEK_CUR ? src->pos : whence == SEEK_END ? src->data.size() : 0;
    uint64_t target = base + offset;
    if (target < base)
        return static_cast<toff_t>(-1);  // wrapped around
    src->pos = target;
    return target;
}

int CloseProc(thandle_t) {
    return 0;
}
toff_t SizeProc(thandle_t handle) {
    return static_cast<TiffSource*>(handle)->data.size();
}
int MapProc(thandle_t, void**, toff_t*) {
    return 0;
}
void UnmapProc(thandle_t, void*, toff_t) {}

int KeepError(TIFF*, void* user, const char* module, const char* format, va_list args) {
    auto* src = static_cast<TiffSource*>(user);
    if (src->message[0] == '\0') {
        int n = std::snprintf(src->message, sizeof src->message, "%s: ", module ? module : "TIFF");
        if (n > 0 && static_cast<size_t>(n) < sizeof src->message) {
            std::vsnprintf(src->message + n, sizeof src->message - n, format, args);
        }
    }
    return 1;
}

int IgnoreWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

struct TiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
struct RgbaEnd {
    void operator()(TIFFRGBAImage* rgba) const { TIFFRGBAImageEnd(rgba); }
};
struct OptionsFree {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

}  // namespace

bool ReadTiff(ByteSpan data, ImageReadMode mode, RgbImage* image, std::string* error) {
    TiffSource source{data};
    std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
    if (!options) {
        if (error)
            *error = "out of memory";
        return false;
    }
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), KeepError, &source);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), IgnoreWarning, &source);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), tmsize_t{1} << 30);
    std::unique_ptr<TIFF, TiffCloser> tif(
        TIFFClientOpenExt("picture", "rm", &source, ReadProc, WriteProc, SeekProc, CloseProc,
                          SizeProc, MapProc, UnmapProc, options.get()));
    auto fail = [&](const char* fallback) {
        if (error) {
            *error = std::string("damaged TIFF file: ") +
                     (source.message[0] ? source.message : fallback);
        }
        return false;
    };
    if (!tif)
        return fail("cannot open");
    uint32_t width = 0, height = 0;
    if (!TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height)) {
        return fail("picture size missing");
    }
    if (!CheckImageSize(width, height, error))
        return false;
    *image = RgbImage();
    image->width = static_cast<int>(width);
    image->height = static_cast<int>(height);
    float resX = 0, resY = 0;
    uint16_t unit = RESUNIT_INCH;
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_RESOLUTIONUNIT, &unit);
    if (TIFFGetField(tif.get(), TIFFTAG_XRESOLUTION, &resX) &&
        TIFFGetField(tif.get(), TIFFTAG_YRESOLUTION, &resY) && resX > 0 && resY > 0 &&
        unit != RESUNIT_NONE) {
        double factor = unit == RESUNIT_CENTIMETER ? 2.54 : 1.0;
        image->dpiX = resX * factor;
        image->dpiY = resY * factor;
    }
    if (mode == ImageReadMode::HeaderOnly)
        return true;

    char reason[1024] = "";
    if (!TIFFRGBAImageOK(tif.get(), reason))
        return fail(reason);
    TIFFRGBAImage rgba{};
    if (!TIFFRGBAImageBegin(&rgba, tif.get(), 0, reason))
        return fail(reason);
    std::unique_ptr<TIFFRGBAImage, RgbaEnd> rgbaOwner(&rgba);
    rgba.req_orientation = ORIENTATION_TOPLEFT;
    image->Allocate(image->width, image->height);
    // Decoded in bands so that only one band of 32-bit pixels is held at a time.
    const uint32_t band = std::max<uint32_t>(1, std::min<uint32_t>(height, (1u << 22) / width));
    std::vector<uint32_t> raster(static_cast<size_t>(width) * band);
    for (uint32_t y = 0; y < height; y += band) {
        uint32_t rows = std::min(band, height - y);
        rgba.row_offset = static_cast<int>(y);
        rgba.col_offset = 0;
        if (!TIFFRGBAImageGet(&rgba, raster.data(), width, rows)) {
            *image = RgbImage();
            return fail("cannot decode the picture");
        }
        uint8_t* out = image->Row(static_cast<int>(y));
        for (size_t i = 0; i < static_cast<size_t>(width) * rows; ++i, out += 3) {
            uint32_t pixel = raster[i];
            unsigned alpha = TIFFGetA(pixel);
            // libtiff hands out associated (premultiplied) alpha: adding the uncovered
            // part of white blends the pixel over paper.
            out[0] = static_cast<uint8_t>(std::min(255u, TIFFGetR(pixel) + (255 - alpha)));
            out[1] = static_cast<uint8_t>(std::min(255u, TIFFGetG(pixel) + (255 - alpha)));
            out[2] = static_cast<uint8_t>(std::min(255u, TIFFGetB(pixel) + (255 - alpha)));
        }
    }
    return true;
}

}  // namespace quirn

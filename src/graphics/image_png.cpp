// PNG through libpng. libpng reports errors by longjmp, so every call that may fail runs
// inside a small function whose frame holds no C++ object with a destructor; buffers are
// owned by the caller.
#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include "graphics/image_readers.h"

namespace quirn {

namespace {

struct PngSource {
    ByteSpan data;
    size_t pos = 0;
};

struct PngHeader {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int channels = 0;  // after the transformations: 1 to 4
    int bitDepth = 0;
    bool interlaced = false;
    double dpiX = 0;
    double dpiY = 0;
};

// Owns libpng's read structures.
struct PngReader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    PngSource source;
    char message[256] = "";
    ~PngReader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

void ReadFromSource(png_structp png, png_bytep out, size_t length) {
    auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
    if (length > src->data.size() - src->pos)
        png_error(png, "file ends early");
    std::memcpy(out, src->data.data() + src->pos, length);
    src->pos += length;
}

void ReportError(png_structp png, png_const_charp text) {
    auto* reader = static_cast<PngReader*>(png_get_error_ptr(png));
    std::snprintf(reader->message, sizeof reader->message, "%s", text);
    png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

bool ReadPngHeader(PngReader* r, bool expand, PngHeader* header) {
    if (setjmp(png_jmpbuf(r->png)))
        return false;
    png_set_user_limits(r->png, 1000000, 1000000);
    png_read_info(r->png, r->info);
    header->width = png_get_image_width(r->png, r->info);
    header->height = png_get_image_height(r->png, r->info);
    header->bitDepth = png_get_bit_depth(r->png, r->info);
    header->interlaced = png_get_interlace_type(r->png, r->info) != PNG_INTERLACE_NONE;
    png_uint_32 resX = 0, resY = 0;
    int unit = 0;
    if (png_get_pHYs(r->png, r->info, &resX, &resY, &unit) && unit == PNG_RESOLUTION_METER) {
        header->dpiX = DpiFromPerMetre(resX);
        header->dpiY = DpiFromPerMetre(resY);
    }
    if (!expand)
        return true;
    png_set_expand(r->png);  // palette to RGB, low bit depths to 8 bits, tRNS to alpha
    png_set_strip_16(r->png);
    png_set_gray_to_rgb(r->png);
    png_set_interlace_handling(r->png);
    png_read_update_info(r->png, r->info);
    header->channels = png_get_channels(r->png, r->info);
    return png_get_rowbytes(r->png, r->info) ==
           static_cast<size_t>(header->width) * header->channels;
}

bool ReadPngRows(PngReader* r, png_bytep* rows) {
    if (setjmp(png_jmpbuf(r->png)))
        return false;
    png_read_image(r->png, rows);
    return true;
}

bool ReadPngRow(PngReader* r, png_bytep row) {
    if (setjmp(png_jmpbuf(r->png)))
        return false;
    png_read_row(r->png, row, nullptr);
    return true;
}

// Converts one row of 3 (RGB) or 4 (RGB + alpha) channels, blending alpha over white.
void StoreRow(const uint8_t* in, int channels, size_t width, uint8_t* out) {
    for (size_t x = 0; x < width; ++x, out += 3, in += channels) {
        if (channels == 4) {
            out[0] = OverWhite(in[0], in[3]);
            out[1] = OverWhite(in[1], in[3]);
            out[2] = OverWhite(in[2], in[3]);
        } else {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
        }
    }
}

}  // namespace

bool ReadPng(ByteSpan data, ImageReadMode mode, RgbImage* image, std::string* error) {
    PngReader r;
    r.source.data = data;
    r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &r, ReportError, IgnoreWarning);
    if (r.png)
        r.info = png_create_info_struct(r.png);
    if (!r.png || !r.info) {
        if (error)
            *error = "out of memory";
        return false;
    }
    png_set_read_fn(r.png, &r.source, ReadFromSource);
    PngHeader header;
    bool full = mode == ImageReadMode::Full;
    if (!ReadPngHeader(&r, full, &header)) {
        if (error)
            *error = std::string("damaged PNG file: ") + r.message;
        return false;
    }
    if (!CheckImageSize(header.width, header.height, error))
        return false;
    *image = RgbImage();
    image->width = static_cast<int>(header.width);
    image->height = static_cast<int>(header.height);
    image->dpiX = header.dpiX;
    image->dpiY = header.dpiY;
    if (!full)
        return true;

    // Deflate packs at most about 1032 bytes into one, so a file too short for its
    // declared size is damaged; this saves allocating for a picture that is not there.
    const uint64_t leastRaw =
        uint64_t{header.height} * (1 + (uint64_t{header.width} * header.bitDepth + 7) / 8);
    if (data.size() * uint64_t{1032} < leastRaw) {
        if (error)
            *error = "damaged PNG file: too little image data for its size";
        return false;
    }
    const size_t rowBytes = static_cast<size_t>(header.width) * header.channels;
    image->Allocate(image->width, image->height);
    if (header.interlaced) {
        // The passes fill the rows piecewise, so the whole picture is decoded first.
        std::vector<uint8_t> buffer(rowBytes * header.height);
        std::vector<png_bytep> rows(header.height);
        for (png_uint_32 y = 0; y < header.height; ++y)
            rows[y] = buffer.data() + y * rowBytes;
        if (!ReadPngRows(&r, rows.data())) {
            if (error)
                *error = std::string("damaged PNG file: ") + r.message;
            *image = RgbImage();
            return false;
        }
        for (png_uint_32 y = 0; y < header.height; ++y)
            StoreRow(rows[y], header.channels, header.width, image->Row(static_cast<int>(y)));
        return true;
    }
    std::vector<uint8_t> row(rowBytes);
    for (png_uint_32 y = 0; y < header.height; ++y) {
        if (!ReadPngRow(&r, row.data())) {
            if (error)
                *error = std::string("damaged PNG file: ") + r.message;
            *image = RgbImage();
            return false;
        }
        StoreRow(row.data(), header.channels, header.width, image->Row(static_cast<int>(y)));
    }
    return true;
}

namespace {

struct PngWriter {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::FILE* file = nullptr;
    char message[256] = "";
    ~PngWriter() {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        if (file)
            std::fclose(file);
    }
};

void ReportWriteError(png_structp png, png_const_charp text) {
    auto* writer = static_cast<PngWriter*>(png_get_error_ptr(png));
    std::snprintf(writer->message, sizeof writer->message, "%s", text);
    png_longjmp(png, 1);
}

bool WritePngRows(PngWriter* w, int width, int height, int channels, png_bytep* rows, double dpi) {
    if (setjmp(png_jmpbuf(w->png)))
        return false;
    png_init_io(w->png, w->file);
    png_set_IHDR(w->png, w->info, width, height, 8,
                 channels == 1 ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (dpi > 0) {
        auto perMetre = static_cast<png_uint_32>(dpi / 0.0254 + 0.5);
        png_set_pHYs(w->png, w->info, perMetre, perMetre, PNG_RESOLUTION_METER);
    }
    png_write_info(w->png, w->info);
    png_write_image(w->png, rows);
    png_write_end(w->png, nullptr);
    return true;
}

}  // namespace

bool WritePng(const std::string& path, int width, int height, int channels, const uint8_t* rows,
              size_t stride, std::string* error, double dpi) {
    if ((channels != 1 && channels != 3) || !rows ||
        stride < static_cast<size_t>(width) * channels) {
        if (error)
            *error = "unsupported pixel layout for PNG output";
        return false;
    }
    if (!CheckImageSize(width, height, error))
        return false;
    PngWriter w;
    w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &w, ReportWriteError, IgnoreWarning);
    if (w.png)
        w.info = png_create_info_struct(w.png);
    if (!w.png || !w.info) {
        if (error)
            *error = "out of memory";
        return false;
    }
    w.file = std::fopen(path.c_str(), "wb");
    if (!w.file) {
        if (error)
            *error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    std::vector<png_bytep> rowPointers(height);
    for (int y = 0; y < height; ++y) {
        rowPointers[y] = const_cast<png_bytep>(rows + static_cast<size_t>(y) * stride);
    }
    bool ok = WritePngRows(&w, width, height, channels, rowPointers.data(), dpi);
    std::FILE* file = w.file;
    w.file = nullptr;
    if (std::fclose(file) != 0 && ok) {
        std::snprintf(w.message, sizeof w.message, "%s", std::strerror(errno));
        ok = false;
    }
    if (!ok) {
        if (error)
            *error = "cannot write " + path + ": " + w.message;
        std::remove(path.c_str());
    }
    return ok;
}

bool WritePng(const std::string& path, const RgbImage& image, std::string* error) {
    double dpi = image.dpiX > 0 ? image.dpiX : 0;
    return WritePng(path, image.width, image.height, 3, image.pixels.data(), image.Stride(), error,
                    dpi);
}

}  // namespace quirn

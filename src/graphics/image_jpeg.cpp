// JPEG through libjpeg. Its error manager leaves by longjmp, so each step that may fail
// runs in a function whose frame holds no C++ object with a destructor.
#include <cstdio>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include <csetjmp>
#include <cstring>

#include "graphics/image_readers.h"

namespace quirn {

namespace {

struct JpegErrorManager {
    jpeg_error_mgr base;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX] = "";
};

struct JpegReader {
    jpeg_decompress_struct cinfo;
    JpegErrorManager errors;
    bool created = false;
    ~JpegReader() {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
};

void ExitWithError(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->message);
    longjmp(errors->jump, 1);
}

// Corrupt-data warnings are not fatal: libjpeg fills what is missing and goes on.
void IgnoreMessage(j_common_ptr) {}

bool OpenJpeg(JpegReader* r, ByteSpan data) {
    r->cinfo.err = jpeg_std_error(&r->errors.base);
    r->errors.base.error_exit = ExitWithError;
    r->errors.base.output_message = IgnoreMessage;
    if (setjmp(r->errors.jump))
        return false;
    jpeg_create_decompress(&r->cinfo);
    r->created = true;
    jpeg_mem_src(&r->cinfo, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&r->cinfo, TRUE);
    return true;
}

bool StartJpeg(JpegReader* r) {
    if (setjmp(r->errors.jump))
        return false;
    J_COLOR_SPACE space = r->cinfo.jpeg_color_space;
    if (space == JCS_CMYK || space == JCS_YCCK) {
        r->cinfo.out_color_space = JCS_CMYK;
    } else if (space == JCS_GRAYSCALE) {
        r->cinfo.out_color_space = JCS_GRAYSCALE;
    } else {
        r->cinfo.out_color_space = JCS_RGB;
    }
    jpeg_start_decompress(&r->cinfo);
    return true;
}

bool ReadJpegLine(JpegReader* r, JSAMPROW row) {
    if (setjmp(r->errors.jump))
        return false;
    return jpeg_read_scanlines(&r->cinfo, &row, 1) == 1;
}

void ResolutionOf(const jpeg_decompress_struct& cinfo, double* dpiX, double* dpiY) {
    *dpiX = *dpiY = 0;
    if (cinfo.saw_JFIF_marker && cinfo.X_density > 0 && cinfo.Y_density > 0) {
        if (cinfo.density_unit == 1) {
            *dpiX = cinfo.X_density;
            *dpiY = cinfo.Y_density;
        } else if (cinfo.density_unit == 2) {
            *dpiX = cinfo.X_density * 2.54;
            *dpiY = cinfo.Y_density * 2.54;
        }
    }
}

// Opens the file and refuses damaged headers and absurd sizes, with the reason.
bool OpenJpegChecked(JpegReader* r, ByteSpan data, std::string* error) {
    if (!OpenJpeg(r, data)) {
        if (error)
            *error = std::string("damaged JPEG file: ") + r->errors.message;
        return false;
    }
    return CheckImageSize(r->cinfo.image_width, r->cinfo.image_height, error);
}

}  // namespace

bool ReadJpegInfo(ByteSpan data, JpegInfo* info, std::string* error) {
    JpegReader r;
    if (!OpenJpegChecked(&r, data, error))
        return false;
    info->width = static_cast<int>(r.cinfo.image_width);
    info->height = static_cast<int>(r.cinfo.image_height);
    info->components = r.cinfo.num_components;
    info->adobe = r.cinfo.saw_Adobe_marker;
    info->progressive = r.cinfo.progressive_mode;
    ResolutionOf(r.cinfo, &info->dpiX, &info->dpiY);
    if (info->components != 1 && info->components != 3 && info->components != 4) {
        if (error)
            *error = "JPEG file with " + std::to_string(info->components) + " components";
        return false;
    }
    return true;
}

bool ReadJpeg(ByteSpan data, ImageReadMode mode, RgbImage* image, std::string* error) {
    JpegReader r;
    if (!OpenJpegChecked(&r, data, error))
        return false;
    *image = RgbImage();
    image->width = static_cast<int>(r.cinfo.image_width);
    image->height = static_cast<int>(r.cinfo.image_height);
    ResolutionOf(r.cinfo, &image->dpiX, &image->dpiY);
    if (mode == ImageReadMode::HeaderOnly)
        return true;
    if (!StartJpeg(&r)) {
        if (error)
            *error = std::string("damaged JPEG file: ") + r.errors.message;
        return false;
    }
    const int components = r.cinfo.output_components;
    const bool inverted = r.cinfo.saw_Adobe_marker;
    std::vector<uint8_t> line(static_cast<size_t>(r.cinfo.output_width) * components);
    image->Allocate(static_cast<int>(r.cinfo.output_width),
                    static_cast<int>(r.cinfo.output_height));
    for (int y = 0; y < image->height; ++y) {
        if (!ReadJpegLine(&r, line.data())) {
            if (error) {
                *error = std::string("damaged JPEG file: ") +
                         (r.errors.message[0] ? r.errors.message : "image data ends early");
            }
            return false;
        }
        uint8_t* out = image->Row(y);
        for (int x = 0; x < image->width; ++x, out += 3) {
            const uint8_t* in = line.data() + static_cast<size_t>(x) * components;
            if (components == 1) {
                out[0] = out[1] = out[2] = in[0];
            } else if (components == 3) {
                std::memcpy(out, in, 3);
            } else {
                // CMYK: files with an Adobe marker store the inks inverted.
                unsigned c = inverted ? in[0] : 255 - in[0];
                unsigned m = inverted ? in[1] : 255 - in[1];
                unsigned yy = inverted ? in[2] : 255 - in[2];
                unsigned k = inverted ? in[3] : 255 - in[3];
                out[0] = static_cast<uint8_t>((c * k + 127) / 255);
                out[1] = static_cast<uint8_t>((m * k + 127) / 255);
                out[2] = static_cast<uint8_t>((yy * k + 127) / 255);
            }
        }
    }
    return true;
}

}  // namespace quirn

// Arbitrary bytes through every picture reader, the bounding box and media box finders
// and the special text parser: none may crash, hang or read out of bounds.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "graphics/graphics_special_text.h"
#include "graphics/image_readers.h"
#include "graphics/postscript_image.h"
#include "graphics/vector_graphic_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    quirn::ByteSpan bytes(data, size);
    quirn::RgbImage image;
    std::string error;
    // The first byte picks the reader, so that each gets raw input as well as the files
    // that the detection would send it.
    if (size > 0) {
        quirn::ByteSpan rest = bytes.subspan(1);
        switch (data[0] % 6) {
            case 0:
                quirn::ReadPng(rest, quirn::ImageReadMode::Full, &image, &error);
                break;
            case 1:
                quirn::ReadJpeg(rest, quirn::ImageReadMode::Full, &image, &error);
                break;
            case 2:
                quirn::ReadGif(rest, quirn::ImageReadMode::Full, &image, &error);
                break;
            case 3:
                quirn::ReadBmp(rest, quirn::ImageReadMode::Full, &image, &error);
                break;
            case 4:
                quirn::ReadTiff(rest, quirn::ImageReadMode::Full, &image, &error);
                break;
            default:
                quirn::ReadPnm(rest, &image, &error);
                break;
        }
    }
    if (quirn::ReadBitmap(bytes, quirn::ImageReadMode::Full, &image, &error) && image.width < 64 &&
        image.height < 64) {
        quirn::PostScriptImage(image);
    }
    std::string eps;
    quirn::MakeImageEps(bytes, "fuzz", &eps, &error);
    quirn::BoundingBox box;
    quirn::FindEpsBoundingBox(quirn::EpsPostScriptSection(bytes), &box);
    quirn::FindPdfMediaBox(bytes, &box);
    quirn::GraphicsSpecial special;
    quirn::ParseGraphicsSpecial(std::string_view(reinterpret_cast<const char*>(data), size),
                                &special, &error);
    return 0;
}

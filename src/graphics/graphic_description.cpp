#include "graphics/graphic_description.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <vector>

#include "graphics/graphics_special.h"
#include "graphics/image_readers.h"
#include "graphics/vector_graphic_info.h"
#include "platform/output_sink.h"
#include "platform/paths.h"

namespace quirn {

GraphicKind GraphicKindOfName(const std::string& path) {
    std::string ext = ExtensionOf(FileNameOf(path));
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == "eps" || ext == "ps") {
        return GraphicKind::PostScript;
    }
    if (ext == "pdf") {
        return GraphicKind::Pdf;
    }
    for (const char* bitmap : {"png", "jpg", "jpeg", "gif", "bmp", "tif", "tiff"}) {
        if (ext == bitmap) {
            return GraphicKind::Bitmap;
        }
    }
    return GraphicKind::Unknown;
}

GraphicDescription DescribeGraphic(const std::string& path, SpecialLibrary& library,
                                   OutputSink& output) {
    GraphicDescription graphic;
    const GraphicKind kind = GraphicKindOfName(path);
    if (kind == GraphicKind::Bitmap) {
        GraphicSize size;
        if (library.GetInfo(path, &size) && size.width > 0 && size.height > 0) {
            graphic = {kind, static_cast<double>(size.width), static_cast<double>(size.height)};
        }
        return graphic;
    }
    if (kind == GraphicKind::Unknown) {
        return graphic;
    }
    std::vector<uint8_t> bytes;
    std::string error;
    BoundingBox box;
    bool found = false;
    if (ReadFileBytes(path, &bytes, &error)) {
        found = kind == GraphicKind::Pdf ? FindPdfMediaBox(bytes, &box)
                                         : FindEpsBoundingBox(EpsPostScriptSection(bytes), &box);
    }
    const double width = std::trunc(box.urx) - std::trunc(box.llx);
    const double height = std::trunc(box.ury) - std::trunc(box.lly);
    if (!found || width <= 0 || height <= 0) {
        if (kind == GraphicKind::PostScript) {
            output.AppendOutput("Could not find valid bounding box\n");
        }
        return graphic;
    }
    return GraphicDescription{kind, width, height};
}

std::string GraphicSizeText(const GraphicDescription& graphic, double width, double height,
                            const std::string& unit) {
    char text[256];
    switch (graphic.kind) {
        case GraphicKind::Unknown:
            return "Unknown graphics format";
        case GraphicKind::Bitmap:
            std::snprintf(text, sizeof text, "Image is %ipx by %ipx, Page is %3g%s by %3g%s",
                          static_cast<int>(graphic.width), static_cast<int>(graphic.height), width,
                          unit.c_str(), height, unit.c_str());
            return text;
        case GraphicKind::PostScript:
        case GraphicKind::Pdf:
            break;
    }
    const double perPoint = unit == "cm" ? 2.54 / 72 : 1.0 / 72;
    std::snprintf(text, sizeof text, "Original image is %3g%s by %3g%s, Page is %3g%s by %3g%s",
                  graphic.width * perPoint, unit.c_str(), graphic.height * perPoint, unit.c_str(),
                  width, unit.c_str(), height, unit.c_str());
    return text;
}

std::string BmpFileFromDib(const std::string& dib) {
    auto u32 = [&dib](size_t at) -> uint32_t {
        if (at + 4 > dib.size()) {
            return 0;
        }
        return static_cast<uint8_t>(dib[at]) | static_cast<uint8_t>(dib[at + 1]) << 8 |
               static_cast<uint8_t>(dib[at + 2]) << 16 |
               static_cast<uint32_t>(static_cast<uint8_t>(dib[at + 3])) << 24;
    };
    auto u16 = [&dib](size_t at) -> uint32_t {
        return at + 2 > dib.size()
                   ? 0
                   : static_cast<uint8_t>(dib[at]) | static_cast<uint8_t>(dib[at + 1]) << 8;
    };
    const uint32_t headerSize = u32(0);
    if (dib.size() < 12 || headerSize < 12 || headerSize > dib.size()) {
        return {};
    }
    uint64_t offset = 14 + uint64_t{headerSize};
    if (headerSize == 12) {
        // The old core header: 16-bit sizes and three-byte palette entries.
        const uint32_t bits = u16(10);
        offset += bits <= 8 ? 3 * (uint64_t{1} << bits) : 0;
    } else {
        const uint32_t bits = u16(14);
        const uint32_t compression = u32(16);
        const uint32_t used = headerSize >= 36 ? u32(32) : 0;
        if (headerSize == 40 && compression == 3) {
            offset += 12;  // the three colour masks follow the header
        } else if (headerSize == 40 && compression == 6) {
            offset += 16;
        }
        const uint64_t colours = used != 0 ? used : (bits <= 8 ? uint64_t{1} << bits : 0);
        offset += 4 * colours;
    }
    const uint64_t fileSize = 14 + uint64_t{dib.size()};
    if (offset > fileSize || fileSize > UINT32_MAX) {
        return {};
    }
    std::string file = "BM";
    for (uint32_t v : {static_cast<uint32_t>(fileSize), 0u, static_cast<uint32_t>(offset)}) {
        for (int i = 0; i < 4; ++i) {
            file += static_cast<char>((v >> (8 * i)) & 0xFF);
        }
    }
    return file + dib;
}

}  // namespace quirn

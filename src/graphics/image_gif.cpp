// GIF through giflib: the first picture of the file, placed on its logical screen.
// Transparent and uncovered parts of the screen are white.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "graphics/image_readers.h"

namespace quirn {

namespace {

struct GifSource {
    ByteSpan data;
    size_t pos = 0;
};

int ReadFromSource(GifFileType* gif, GifByteType* out, int length) {
    auto* src = static_cast<GifSource*>(gif->UserData);
    size_t n = std::min(static_cast<size_t>(std::max(length, 0)), src->data.size() - src->pos);
    std::memcpy(out, src->data.data() + src->pos, n);
    src->pos += n;
    return static_cast<int>(n);
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int ignored = 0;
        DGifCloseFile(gif, &ignored);
    }
};

std::string GifMessage(int code) {
    const char* text = GifErrorString(code);
    return std::string("damaged GIF file: ") + (text ? text : "read error");
}

}  // namespace

bool ReadGif(ByteSpan data, ImageReadMode mode, RgbImage* image, std::string* error) {
    GifSource source{data, 0};
    int code = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&source, ReadFromSource, &code));
    if (!gif) {
        if (error)
            *error = GifMessage(code);
        return false;
    }
    int transparent = -1;
    while (true) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) {
            if (error)
                *error = GifMessage(gif->Error);
            return false;
        }
        if (type == TERMINATE_RECORD_TYPE) {
            if (error)
                *error = "GIF file holds no picture";
            return false;
        }
        if (type == EXTENSION_RECORD_TYPE) {
            int extCode = 0;
            GifByteType* ext = nullptr;
            if (DGifGetExtension(gif.get(), &extCode, &ext) == GIF_ERROR) {
                if (error)
                    *error = GifMessage(gif->Error);
                return false;
            }
            while (ext) {
                // Graphic control block: flags, delay (2 bytes), transparent index.
                if (extCode == GRAPHICS_EXT_FUNC_CODE && ext[0] >= 4 && (ext[1] & 1)) {
                    transparent = ext[4];
                }
                if (DGifGetExtensionNext(gif.get(), &ext) == GIF_ERROR) {
                    if (error)
                        *error = GifMessage(gif->Error);
                    return false;
                }
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE)
            continue;
        if (DGifGetImageDesc(gif.get()) == GIF_ERROR) {
            if (error)
                *error = GifMessage(gif->Error);
            return false;
        }
        break;
    }
    const GifImageDesc& desc = gif->Image;
    int screenW = gif->SWidth > 0 ? gif->SWidth : desc.Left + desc.Width;
    int screenH = gif->SHeight > 0 ? gif->SHeight : desc.Top + desc.Height;
    if (!CheckImageSize(screenW, screenH, error))
        return false;
    if (!CheckImageSize(desc.Width, desc.Height, error))
        return false;
    *image = RgbImage();
    image->width = screenW;
    image->height = screenH;
    if (mode == ImageReadMode::HeaderOnly)
        return true;

    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    if (!map || !map->Colors || map->ColorCount <= 0) {
        if (error)
            *error = "GIF picture without a colour table";
        return false;
    }
    image->Allocate(screenW, screenH);
    std::vector<GifPixelType> line(desc.Width);
    // Interlaced pictures come in four passes over the rows.
    static const int kStart[] = {0, 4, 2, 1};
    static const int kStep[] = {8, 8, 4, 2};
    const int passes = desc.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        int start = desc.Interlace ? kStart[pass] : 0;
        int step = desc.Interlace ? kStep[pass] : 1;
        for (int row = start; row < desc.Height; row += step) {
            if (DGifGetLine(gif.get(), line.data(), desc.Width) == GIF_ERROR) {
                if (error)
                    *error = GifMessage(gif->Error);
                return false;
            }
            int y = desc.Top + row;
            if (y < 0 || y >= screenH)
                continue;
            uint8_t* out = image->Row(y);
            for (int col = 0; col < desc.Width; ++col) {
                int x = desc.Left + col;
                int index = line[col];
                if (x < 0 || x >= screenW || index == transparent)
                    continue;
                if (index >= map->ColorCount)
                    index = 0;
                out[x * 3] = map->Colors[index].Red;
                out[x * 3 + 1] = map->Colors[index].Green;
                out[x * 3 + 2] = map->Colors[index].Blue;
            }
        }
    }
    return true;
}

}  // namespace quirn

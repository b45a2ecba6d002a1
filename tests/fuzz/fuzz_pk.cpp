// Reads arbitrary bytes as a PK font file and draws every character it yields at a
// few sizes, smoothed and monochrome: never out of bounds, never an endless loop.
#include <cstddef>
#include <cstdint>
#include <span>

#include "dvi/fonts/pk_font.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::optional<quirn::PkFile> file =
        quirn::ReadPkFile(std::span<const uint8_t>(data, size), nullptr);
    if (!file) {
        return 0;
    }
    quirn::PkFont font(std::move(*file));
    for (const int32_t pixelSize : {1, 21, 200}) {
        for (uint32_t code = 0; code < 256; ++code) {
            font.Glyph(pixelSize, code, true);
            font.Glyph(pixelSize, code, false);
        }
    }
    return 0;
}

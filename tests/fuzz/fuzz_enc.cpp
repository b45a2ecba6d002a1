// Reads arbitrary bytes as an encoding file and as font map lines (encoding file
// names, slant and extension): never out of bounds, never a hang, and a vector that
// is accepted always has 256 names.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "dvi/fonts/encoding.h"
#include "dvi/fonts/font_map.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    quirn::EncodingVector vector;
    std::string error;
    if (quirn::ParseEncodingVector(text, vector, error)) {
        for (const std::string& name : vector.glyphs) {
            if (name.empty()) {
                std::abort();
            }
        }
    } else if (error.empty()) {
        std::abort();
    }
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        quirn::FontMapEntry entry;
        if (quirn::ParseFontMapLine(text.substr(start, end - start), {}, entry) &&
            (!(entry.extend > 0.0) || entry.extend > 10.0 || !(entry.slant >= -10.0) ||
             entry.slant > 10.0)) {
            std::abort();
        }
        start = end + 1;
    }
    return 0;
}

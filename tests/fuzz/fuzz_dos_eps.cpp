// Reads arbitrary bytes as an EPS file: the DOS EPS binary header, the bounding box
// among the first lines, and the copy of the PostScript section (whose bytes must lie
// within the file, whatever the header claims).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "postscript/dsc_scan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    const quirn::EpsSection section = quirn::FindEpsSection(file);
    const std::string_view bytes = section.Bytes(file);
    if (bytes.data() < file.data() || bytes.data() + bytes.size() > file.data() + file.size()) {
        std::abort();
    }
    (void)quirn::FindBoundingBox(file);
    size_t copied = 0;
    quirn::CopyEpsPostScript(file, [&copied](std::string_view piece) {
        copied += piece.size();
        return true;
    });
    if (copied != bytes.size()) {
        std::abort();
    }
    return 0;
}

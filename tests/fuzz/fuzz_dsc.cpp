// Scans arbitrary bytes for their DSC page structure and copies every page as the
// page writer does: the page table always lies within the bytes and is ordered, and
// writing never reads past the end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "postscript/dsc_scan.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    quirn::DscStructure structure;
    if (quirn::ScanDsc(text, structure)) {
        if (structure.pages.empty() || structure.fileEnd != static_cast<int64_t>(size)) {
            std::abort();
        }
        int32_t previous = 0;
        for (const quirn::PageExtent& page : structure.pages) {
            if (page.begin < previous || page.end < page.begin ||
                static_cast<size_t>(page.end) > size) {
                std::abort();
            }
            previous = page.begin;
        }
    }
    return 0;
}

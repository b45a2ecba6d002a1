// Loads arbitrary bytes as a DVI file: the loader must reject or accept them without
// reading out of bounds, hanging or exhausting memory. No file search helper is
// reachable here, so every font falls back to the substitution path.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "dvi/dvi_doc.h"
#include "platform/output_sink.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static quirn::NullSink sink;
    static quirn::DviContext* context =
        new quirn::DviContext("/nonexistent-quirn-install", &sink, nullptr);

    quirn::CDVIDoc doc(*context);
    doc.LoadDviBytes(std::vector<uint8_t>(data, data + size));
    for (int page = 0; page < doc.GetPageCount(); ++page) {
        doc.GetPageCount0(page);
        doc.InvalidatePage(page, false);
    }
    doc.GetPageSize(96);
    return 0;
}

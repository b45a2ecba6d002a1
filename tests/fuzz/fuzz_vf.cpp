// Reads arbitrary bytes as a virtual font and expands every character it has a packet
// for: the reader must reject or index the file, and each expansion must stay inside
// the packet, without crash, hang, leak or read out of bounds. No file search helper
// is reachable, so the local fonts get metrics of zero and are never virtual.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "dvi/dvi_context.h"
#include "dvi/fonts/virtual_font.h"
#include "dvi/interpret.h"
#include "platform/output_sink.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static quirn::NullSink sink;
    static quirn::DviContext* context =
        new quirn::DviContext("/nonexistent-quirn-install", &sink, nullptr);
    // Expansion reads packets from the file, so the bytes go to one first.
    static const std::string path = "/tmp/quirn-fuzz-vf-" + std::to_string(::getpid()) + ".vf";

    const std::vector<uint8_t> bytes(data, data + size);
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    quirn::DviFontList list;
    list.push_back(std::make_unique<quirn::DviFont>());
    quirn::DviFont& font = *list.back();
    font.name = "fuzzvf";
    font.s = 2 * 655360;
    font.d = 655360;
    quirn::LoadVirtualFontBytes(*context, font, list, path, bytes);

    quirn::PageContent content;
    quirn::ColorState colours;
    quirn::GraphicsSearch search;
    quirn::PageInterpreter interpreter(*context, colours, content, true, search, sink);
    for (const auto& [code, packet] : font.virtualFont->packets) {
        interpreter.ExpandVirtualChar(quirn::GlyphPlacement{0, 0, 0, code, &font});
    }
    return 0;
}

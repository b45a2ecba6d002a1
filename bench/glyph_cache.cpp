// Glyph lookups while drawing pages: a 50-page article's worth of characters (about
// 3000 a page, English letter frequencies, three fonts) drawn at 150 dpi grey through
// the glyph cache, against the same characters rendered by FreeType each time. Prints
// both times and their ratio; the cache should be far below 1.
//
// usage: bench_glyph_cache [PAGES]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "dvi/fonts/font_map.h"
#include "dvi/fonts/freetype_context.h"
#include "dvi/fonts/outline_font.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string Kpsewhich(const std::string& name) {
    std::string command = "kpsewhich '" + name + "'";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return {};
    }
    char line[4096] = {};
    std::string path = std::fgets(line, sizeof line, pipe) != nullptr ? line : "";
    ::pclose(pipe);
    while (!path.empty() && (path.back() == '\n' || path.back() == '\r')) {
        path.pop_back();
    }
    return path;
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int pages = argc > 1 ? std::atoi(argv[1]) : 50;
    quirn::FreeTypeContext freeType;
    quirn::FontMap map;
    map.LoadFontMap(
        {"psfonts.map"}, [](const std::string& n, bool) { return Kpsewhich(n); }, nullptr, false);
    std::vector<std::unique_ptr<quirn::OutlineFont>> fonts;
    for (const char* name : {"cmr10", "cmmi10", "ptmr8r"}) {
        auto font = quirn::LoadOutlineFont(
            name, map, freeType, [](const std::string& n, bool) { return Kpsewhich(n); }, nullptr,
            nullptr);
        if (!font) {
            std::fprintf(stderr, "cannot open %s\n", name);
            return 1;
        }
        fonts.push_back(std::move(font));
    }

    // Letters weighted roughly as in English text, mostly from the text font.
    const std::string text =
        "eeeeeeeeeeeettttttttaaaaaaaaooooooooiiiiiiinnnnnnnsssssshhhhhhrrrrrr"
        "ddddllllcccuuummwwffggyyppbbvkjxqzTAISEW.,;:()-";
    std::mt19937 random(42);
    struct Glyph {
        size_t font;
        uint32_t code;
    };
    std::vector<Glyph> glyphs(static_cast<size_t>(pages) * 3000);
    for (Glyph& g : glyphs) {
        const unsigned r = random() % 100;
        g.font = r < 85 ? 0 : r < 95 ? 1 : 2;
        g.code = static_cast<unsigned char>(text[random() % text.size()]);
    }
    const int32_t size = 21;  // 10pt at 150 dpi

    const auto cachedStart = Clock::now();
    size_t ink = 0;
    for (const Glyph& g : glyphs) {
        ink += static_cast<size_t>(fonts[g.font]->Glyph(size, g.code, true).rows);
    }
    const double cached = Seconds(Clock::now() - cachedStart);

    const auto directStart = Clock::now();
    size_t directInk = 0;
    quirn::GlyphBitmap scratch;
    for (const Glyph& g : glyphs) {
        quirn::OutlineFont& font = *fonts[g.font];
        FT_Set_Pixel_Sizes(font.Face(), 0, size);
        quirn::RenderGlyph(font.Face(), font.GlyphIndex()[g.code], true, scratch);
        directInk += static_cast<size_t>(scratch.rows);
    }
    const double direct = Seconds(Clock::now() - directStart);

    std::printf("glyphs %zu\ncached %.4f s\nrendered each time %.4f s\nratio %.4f\n", glyphs.size(),
                cached, direct, direct > 0 ? cached / direct : 0.0);
    return ink == directInk ? 0 : 1;
}

// Virtual fonts: a font whose characters are packets of DVI commands that set
// characters of other fonts, rules and specials. Loading reads the VF's font
// definitions (they become fonts of the document) and indexes the packets; the packet
// bytes themselves stay in the file and are read again at each expansion.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace quirn {

struct DviFont;
struct FontContext;

struct VfPacket {
    uint32_t offset = 0;  // file offset of the packet's first DVI command
    uint32_t length = 0;  // packet length in bytes
};

struct VirtualFontData {
    std::string path;  // full path of the VF file; empty until the definitions are read
    DviFont* defaultFont = nullptr;          // the first font the VF defines
    std::map<int32_t, DviFont*> localFonts;  // VF font numbers to fonts of the document's list
    std::unordered_map<uint32_t, VfPacket> packets;  // character code to packet
};

// Reads the VF file of `font`, when it has one: its font definitions (appended to
// `list`, each loaded completely and scaled by this font's size) and the packet
// index. True when the font has no VF file or the file was read; false when it is
// corrupt (wrong preamble, checksum mismatch, a bad packet byte, or more than ten
// virtual fonts nested). The font keeps whatever data was read before a fault.
bool LoadVirtualFont(FontContext& context, DviFont& font,
                     std::vector<std::unique_ptr<DviFont>>& list);

// The same on the bytes of the VF file found at `path`.
bool LoadVirtualFontBytes(FontContext& context, DviFont& font,
                          std::vector<std::unique_ptr<DviFont>>& list, const std::string& path,
                          const std::vector<uint8_t>& bytes);

}  // namespace quirn

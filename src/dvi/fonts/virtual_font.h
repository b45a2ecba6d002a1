// Virtual fonts: a font whose characters are packets of DVI commands that set
// characters of other fonts, rules and specials. Loading reads the VF's font
// definitions (they become fonts of the document) and indexes the packets; the packet
// bytes themselves stay in the file and are read again at each expansion.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>

namespace quirn {

struct DviFont;

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

}  // namespace quirn

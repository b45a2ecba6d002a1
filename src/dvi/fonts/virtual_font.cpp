#include "dvi/fonts/virtual_font.h"

#include "dvi/fonts/byte_reader.h"
#include "dvi/fonts/dvi_font.h"
#include "dvi/fonts/dvi_opcodes.h"
#include "dvi/fonts/font_context.h"
#include "dvi/fonts/font_definition.h"

namespace quirn {

using namespace dvi_opcode;

namespace {

// A VF that refers to itself, directly or through others, is stopped here.
constexpr int kMaxNesting = 10;

}  // namespace

bool LoadVirtualFont(FontContext& context, DviFont& font, DviFontList& list) {
    const std::string path = context.fileSearch.FindFile(font.name + ".vf", false);
    if (path.empty()) {
        return true;  // not a virtual font
    }
    font.virtualFont = std::make_unique<VirtualFontData>();
    const auto bytes = ReadFileBytes(path);
    if (!bytes) {
        return false;
    }
    return LoadVirtualFontBytes(context, font, list, path, *bytes);
}

bool LoadVirtualFontBytes(FontContext& context, DviFont& font, DviFontList& list,
                          const std::string& path, const std::vector<uint8_t>& bytes) {
    if (!font.virtualFont) {
        font.virtualFont = std::make_unique<VirtualFontData>();
    }
    VirtualFontData& vf = *font.virtualFont;
    ByteReader in(bytes);
    if (in.ReadByte() != kPre || in.ReadByte() != kVfId) {
        return false;
    }
    in.Skip(in.ReadUnsigned(1));
    const int32_t checksum = in.ReadSigned(4);
    if (checksum != 0 && font.c != 0 && checksum != font.c) {
        return false;
    }
    in.ReadSigned(4);  // design size: the widths come from the TFM

    if (++context.virtualFontNesting > kMaxNesting) {
        context.Message("VF recursion found in font " + font.name + "!");
        --context.virtualFontNesting;
        return false;
    }
    while (true) {
        const size_t before = list.size();
        if (!ReadFontDefinition(context, in, list, vf.localFonts, &font)) {
            break;
        }
        if (vf.defaultFont == nullptr && list.size() > before) {
            vf.defaultFont = list[before].get();
        }
    }
    --context.virtualFontNesting;
    vf.path = path;

    for (int b = in.ReadByte(); b != kPost; b = in.ReadByte()) {
        // The end of the file reads as -1, which no packet byte can be.
        if (b < 0 || b > kLongChar) {
            return false;
        }
        uint32_t length = 0;
        uint32_t code = 0;
        if (b == kLongChar) {
            length = static_cast<uint32_t>(in.ReadSigned(4));
            code = static_cast<uint32_t>(in.ReadSigned(4));
            in.ReadSigned(4);  // TFM width, taken from the TFM instead
        } else {
            length = static_cast<uint32_t>(b);
            code = in.ReadUnsigned(1);
            in.ReadSigned(3);
        }
        vf.packets[code] = VfPacket{static_cast<uint32_t>(in.Tell()), length};
        in.Skip(length);
    }
    return true;
}

}  // namespace quirn

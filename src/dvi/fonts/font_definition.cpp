#include "dvi/fonts/font_definition.h"

#include <algorithm>
#include <utility>

#include "dvi/fonts/dvi_math.h"
#include "dvi/fonts/dvi_opcodes.h"
#include "dvi/fonts/tfm.h"

namespace quirn {

using namespace dvi_opcode;

namespace {

// Area and name bytes, in lower case. A file that ends inside the name gives what it
// has.
std::string ReadName(ByteReader& in, int length) {
    std::string name;
    name.reserve(static_cast<std::size_t>(std::max(length, 0)));
    for (int i = 0; i < length && !in.AtEnd(); ++i) {
        int byte = in.ReadByte();
        if (byte >= 'A' && byte <= 'Z') {
            byte += 'a' - 'A';
        }
        name.push_back(static_cast<char>(byte));
    }
    return name;
}

// The metrics of cmr10 under the font's own name and size.
void SubstituteCmr10(FontContext& context, DviFont& font) {
    std::string ownName = std::exchange(font.name, "cmr10");
    font.c = 0;
    LoadMetrics(font, context.fileSearch);
    font.name = std::move(ownName);
}

}  // namespace

bool ReadFontDefinition(FontContext& context, ByteReader& in, DviFontList& list,
                        DviFontTable& table, const DviFont* parent) {
    const int op = in.ReadByte();
    if (op == kNop) {
        return true;
    }
    if (op < kFntDef1 || op > kFntDef4) {
        in.PushBack(op);
        return false;
    }
    const int32_t k = op == kFntDef4 ? in.ReadSigned(4)
                                     : static_cast<int32_t>(in.ReadUnsigned(op - kFntDef1 + 1));

    list.push_back(std::make_unique<DviFont>());
    DviFont& font = *list.back();
    font.c = in.ReadSigned(4);
    font.s = in.ReadSigned(4);
    font.d = in.ReadSigned(4);
    const int a = in.ReadByte();
    const int l = in.ReadByte();
    font.name = ReadName(in, std::max(a, 0) + std::max(l, 0));

    if (parent != nullptr) {
        // A VF gives sizes relative to the virtual font: the scaled size in units of
        // the parent's scaled size (2^-20), the design size in 2^-20 pt.
        font.s = TruncToInt32(font.s / 1048576.0 * parent->d *
                              (static_cast<double>(parent->s) / parent->d));
        font.d >>= 4;
    }

    const bool ownMetrics = LoadMetrics(font, context.fileSearch);
    if (!ownMetrics) {
        context.Message("Bad or missing TFM file " + font.name + " (substituting with cmr10)\n");
        SubstituteCmr10(context, font);
    }
    // A font whose own metrics are missing is never looked for as a virtual font.
    if (ownMetrics && context.steps.loadVirtualFont &&
        !context.steps.loadVirtualFont(context, font, list)) {
        context.Message("Corrupt VF file " + font.name + "\n");
    }
    if (font.virtualFont == nullptr && context.steps.attachOutlineFont) {
        context.steps.attachOutlineFont(context, font);
    }
    table[k] = &font;
    return true;
}

}  // namespace quirn

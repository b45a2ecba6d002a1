#include "dvi/fonts/tfm.h"

#include <array>

#include "dvi/fonts/byte_reader.h"
#include "dvi/fonts/dvi_math.h"
#include "dvi/fonts/file_search.h"

namespace quirn {

namespace {

// Room for every index a char_info byte can hold: 8 bits of width index, 4 bits each
// of height and depth index.
constexpr uint32_t kMaxWidths = 256;
constexpr uint32_t kMaxHeights = 16;
constexpr uint32_t kMaxDepths = 16;

struct Counts {
    uint32_t lh = 0;
    uint32_t bc = 0;
    uint32_t ec = 0;
    uint32_t nw = 0;
    uint32_t nh = 0;
    uint32_t nd = 0;
};

// Reads the twelve 16-bit counts at the start of the file; false when a table would
// not fit or the character range is impossible. Neither lf, lh nor the counts are
// compared with the length of the file.
bool ReadCounts(ByteReader& in, Counts& counts) {
    in.ReadUnsigned(2);  // lf
    counts.lh = in.ReadUnsigned(2);
    counts.bc = in.ReadUnsigned(2);
    counts.ec = in.ReadUnsigned(2);
    counts.nw = in.ReadUnsigned(2);
    counts.nh = in.ReadUnsigned(2);
    counts.nd = in.ReadUnsigned(2);
    in.Skip(5 * 2);  // ni, nl, nk, ne, np
    return counts.nw <= kMaxWidths && counts.nh <= kMaxHeights && counts.nd <= kMaxDepths &&
           counts.bc <= 256 && counts.ec <= 255;
}

// One dimension table: nw (nh, nd) fix_words relative to the design size, converted to
// DVI units at the font's size and truncated toward zero.
template <std::size_t N>
void ReadScaledTable(ByteReader& in, uint32_t count, double factor, std::array<int32_t, N>& table) {
    for (uint32_t i = 0; i < count; ++i) {
        int32_t w = in.ReadSigned(4);
        table[i] = TruncToInt32(w / 16.0 * factor);
    }
}

}  // namespace

std::optional<TfmHeader> ReadTfmHeader(std::span<const uint8_t> bytes) {
    ByteReader in(bytes);
    Counts counts;
    if (!ReadCounts(in, counts)) {
        return std::nullopt;
    }
    TfmHeader header;
    header.checksum = in.ReadSigned(4);
    header.designSize = in.ReadSigned(4);
    header.bc = static_cast<int>(counts.bc);
    header.ec = static_cast<int>(counts.ec);
    return header;
}

bool LoadMetricsFromBytes(DviFont& font, std::span<const uint8_t> bytes) {
    font.metrics.fill(CharMetrics{});
    ByteReader in(bytes);
    Counts counts;
    if (!ReadCounts(in, counts)) {
        return false;
    }

    const int32_t checksum = in.ReadSigned(4);
    if (checksum != 0 && font.c != 0 && checksum != font.c) {
        return false;
    }
    const int32_t designSize = in.ReadSigned(4);
    // The rest of the header, however long the file claims it is (lh counts the two
    // words just read; a header shorter than that steps back over them).
    in.Seek(static_cast<int64_t>(in.Tell()) + (static_cast<int64_t>(counts.lh) - 2) * 4);

    struct CharIndices {
        uint8_t width = 0;
        uint8_t height = 0;
        uint8_t depth = 0;
    };
    std::array<CharIndices, 256> indices{};
    for (uint32_t code = counts.bc; code <= counts.ec; ++code) {
        // A byte past the end reads as -1; its low bits still make an index inside
        // the tables, which is all a damaged file can ask for.
        const int widthByte = in.ReadByte();
        const int heightDepth = in.ReadByte();
        in.Skip(2);  // italic index and tag, remainder
        indices[code].width = static_cast<uint8_t>(widthByte & 0xFF);
        indices[code].height = static_cast<uint8_t>((heightDepth >> 4) & 0x0F);
        indices[code].depth = static_cast<uint8_t>(heightDepth & 0x0F);
    }

    // Design size in points times s / d: with d the design size in 2^-16 pt, an entry
    // w becomes w · s / 2^20 DVI units.
    const double factor = (designSize / 1048576.0) * font.s / font.d;
    std::array<int32_t, kMaxWidths> widths{};
    std::array<int32_t, kMaxHeights> heights{};
    std::array<int32_t, kMaxDepths> depths{};
    ReadScaledTable(in, counts.nw, factor, widths);
    ReadScaledTable(in, counts.nh, factor, heights);
    ReadScaledTable(in, counts.nd, factor, depths);

    for (uint32_t code = counts.bc; code <= counts.ec; ++code) {
        font.metrics[code] = CharMetrics{widths[indices[code].width], heights[indices[code].height],
                                         depths[indices[code].depth]};
    }
    return true;
}

bool LoadMetrics(DviFont& font, FileSearch& search) {
    font.metrics.fill(CharMetrics{});
    const std::string path = search.FindFile(font.name + ".tfm", true);
    if (path.empty()) {
        return false;
    }
    std::optional<std::vector<uint8_t>> bytes = ReadFileBytes(path);
    if (!bytes) {
        return false;
    }
    return LoadMetricsFromBytes(font, *bytes);
}

}  // namespace quirn

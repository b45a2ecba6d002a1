#include "dvi/fonts/pk_font.h"
#include "dvi/fonts/pk_maker.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <optional>

#include "dvi/fonts/byte_reader.h"
#include "dvi/fonts/dvi_font.h"
#include "dvi/fonts/font_context.h"

namespace quirn {

namespace {

constexpr int kPre = 247;
constexpr int kPost = 245;
constexpr int kNoOp = 246;
constexpr int kYyy = 244;
constexpr int kXxx1 = 240;
constexpr int kPkId = 89;

// Larger characters come only from damaged files.
constexpr int32_t kMaxPkSide = 8192;
// Larger drawn glyphs are not made (an em of this size already fills a screen many
// times over).
constexpr int64_t kMaxScaledPixels = int64_t{1} << 24;

// The resolution PK files are asked for; resampling gives every other size.
constexpr int kPkBaseDpi = 600;
constexpr int kMinPkDpi = 150;
constexpr int kMaxPkDpi = 4800;

bool Fail(std::string* error, const std::string& text) {
    if (error != nullptr) {
        *error = text;
    }
    return false;
}

// The nybbles of a character's packed raster, bounded by the character's packet.
class NybbleReader {
  public:
    NybbleReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    // 0..15, or -1 past the end of the packet.
    int Next() {
        if (pos_ / 2 >= bytes_.size()) {
            return -1;
        }
        const uint8_t byte = bytes_[pos_ / 2];
        const int value = (pos_ % 2 == 0) ? byte >> 4 : byte & 0x0F;
        ++pos_;
        return value;
    }

  private:
    std::span<const uint8_t> bytes_;
    size_t pos_ = 0;
};

// One packed number of the run-length encoding; a repeat count met on the way goes to
// `repeat`. False at the end of the data or on a number too large for a raster.
bool PackedNumber(NybbleReader& in, int dynF, int64_t& value, int64_t& repeat, int depth = 0) {
    int i = in.Next();
    if (i < 0) {
        return false;
    }
    if (i == 0) {
        int zeros = 0;
        do {
            i = in.Next();
            ++zeros;
        } while (i == 0);
        if (i < 0 || zeros > 8) {
            return false;
        }
        int64_t j = i;
        for (; zeros > 0; --zeros) {
            const int n = in.Next();
            if (n < 0) {
                return false;
            }
            j = j * 16 + n;
        }
        value = j - 15 + (13 - dynF) * 16 + dynF;
        return true;
    }
    if (i <= dynF) {
        value = i;
        return true;
    }
    if (i < 14) {
        const int n = in.Next();
        if (n < 0) {
            return false;
        }
        value = (i - dynF - 1) * 16 + n + dynF + 1;
        return true;
    }
    // A repeat count for the current row, then the run itself. Two repeat counts in a
    // row are not meaningful; the nesting guard keeps a damaged file from recursing.
    if (depth > 0) {
        return false;
    }
    if (i == 14) {
        int64_t dummy = 0;
        if (!PackedNumber(in, dynF, repeat, dummy, depth + 1)) {
            return false;
        }
    } else {
        repeat = 1;
    }
    return PackedNumber(in, dynF, value, repeat, depth + 1);
}

bool UnpackRuns(std::span<const uint8_t> data, int dynF, bool black, PkGlyph& glyph) {
    if (glyph.pixels.empty()) {
        return true;
    }
    NybbleReader in(data);
    const int32_t w = glyph.width;
    int32_t row = 0;
    int32_t col = 0;
    int64_t repeat = 0;
    std::vector<uint8_t> current(static_cast<size_t>(w), 0);
    while (row < glyph.height) {
        int64_t count = 0;
        if (!PackedNumber(in, dynF, count, repeat)) {
            return false;
        }
        if (count < 0) {
            return false;
        }
        while (count > 0) {
            const int64_t take = std::min<int64_t>(count, w - col);
            std::fill_n(current.begin() + col, take, black ? 1 : 0);
            col += static_cast<int32_t>(take);
            count -= take;
            if (col == w) {
                // The row is complete: it and its repeats go to the raster.
                for (int64_t r = 0; r <= repeat && row < glyph.height; ++r, ++row) {
                    std::copy(current.begin(), current.end(),
                              glyph.pixels.begin() + static_cast<size_t>(row) * w);
                }
                repeat = 0;
                col = 0;
                if (row >= glyph.height) {
                    break;
                }
            }
        }
        black = !black;
    }
    return true;
}

bool ReadCharacter(ByteReader& in, int flag, PkFile& file, std::string* error) {
    const int dynF = flag >> 4;
    const bool black = (flag & 8) != 0;
    const int form = flag & 7;
    int64_t length = 0;
    uint32_t code = 0;
    int32_t w = 0, h = 0, hoff = 0, voff = 0;
    uint64_t headerEnd = 0;
    if (form == 7) {
        length = in.ReadUnsigned(4);
        code = in.ReadUnsigned(4);
        headerEnd = in.Tell() + length;
        in.Skip(4 + 4 + 4);  // tfm width, dx, dy
        w = in.ReadSigned(4);
        h = in.ReadSigned(4);
        hoff = in.ReadSigned(4);
        voff = in.ReadSigned(4);
    } else if (form >= 4) {
        length = ((flag & 3) << 16) | static_cast<int64_t>(in.ReadUnsigned(2));
        code = in.ReadUnsigned(1);
        headerEnd = in.Tell() + length;
        in.Skip(3 + 2);  // tfm width, dm
        w = static_cast<int32_t>(in.ReadUnsigned(2));
        h = static_cast<int32_t>(in.ReadUnsigned(2));
        hoff = in.ReadSigned(2);
        voff = in.ReadSigned(2);
    } else {
        length = ((flag & 3) << 8) | static_cast<int64_t>(in.ReadUnsigned(1));
        code = in.ReadUnsigned(1);
        headerEnd = in.Tell() + length;
        in.Skip(3 + 1);  // tfm width, dm
        w = static_cast<int32_t>(in.ReadUnsigned(1));
        h = static_cast<int32_t>(in.ReadUnsigned(1));
        hoff = in.ReadSigned(1);
        voff = in.ReadSigned(1);
    }
    const std::string where = "character " + std::to_string(code);
    if (length < 0 || headerEnd > in.Size() || in.Tell() > headerEnd) {
        return Fail(error, where + " runs past the end of the file");
    }
    if (w < 0 || h < 0 || w > kMaxPkSide || h > kMaxPkSide) {
        return Fail(error, where + " has an impossible size");
    }
    if (dynF > 14) {
        return Fail(error, where + " has an unknown packing");
    }
    const std::span<const uint8_t> data =
        in.Bytes().subspan(in.Tell(), static_cast<size_t>(headerEnd - in.Tell()));
    in.Seek(static_cast<int64_t>(headerEnd));
    PkGlyph glyph;
    glyph.width = w;
    glyph.height = h;
    glyph.hoff = hoff;
    glyph.voff = voff;
    glyph.pixels.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
    if (dynF == 14) {
        // A plain bitmap, rows following each other without padding.
        const size_t bits = glyph.pixels.size();
        if (data.size() * 8 < bits) {
            return Fail(error, where + " has too few raster bytes");
        }
        for (size_t i = 0; i < bits; ++i) {
            glyph.pixels[i] = (data[i / 8] >> (7 - i % 8)) & 1;
        }
    } else if (!UnpackRuns(data, dynF, black, glyph)) {
        return Fail(error, where + " has a damaged raster");
    }
    if (code < 256) {
        file.glyphs[code] = std::move(glyph);
    }
    return true;
}

}  // namespace

std::optional<PkFile> ReadPkFile(std::span<const uint8_t> bytes, std::string* error) {
    ByteReader in(bytes);
    PkFile file;
    if (in.ReadByte() != kPre || in.ReadByte() != kPkId) {
        Fail(error, "not a PK file");
        return std::nullopt;
    }
    const int commentLength = in.ReadByte();
    in.Skip(commentLength);
    file.designSize = in.ReadSigned(4);
    file.checksum = in.ReadUnsigned(4);
    file.hppp = in.ReadSigned(4);
    file.vppp = in.ReadSigned(4);
    if (commentLength < 0 || in.Tell() > in.Size()) {
        Fail(error, "the preamble is cut short");
        return std::nullopt;
    }
    if (file.designSize <= 0 || file.hppp <= 0 || file.vppp <= 0) {
        Fail(error, "the preamble has no valid size or resolution");
        return std::nullopt;
    }
    for (;;) {
        const int flag = in.ReadByte();
        if (flag < 0) {
            Fail(error, "the file ends without a postamble");
            return std::nullopt;
        }
        if (flag == kPost) {
            return file;
        }
        if (flag == kNoOp) {
            continue;
        }
        if (flag == kYyy) {
            in.Skip(4);
            continue;
        }
        if (flag >= kXxx1 && flag < kXxx1 + 4) {
            const uint32_t length = in.ReadUnsigned(flag - kXxx1 + 1);
            in.Skip(length);
            continue;
        }
        if (flag == kPre || flag > kPre) {
            Fail(error, "unexpected command " + std::to_string(flag));
            return std::nullopt;
        }
        if (!ReadCharacter(in, flag, file, error)) {
            return std::nullopt;
        }
    }
}

void ScalePkGlyph(const PkGlyph& glyph, double scale, bool antiAlias, GlyphBitmap& out) {
    out.Clear();
    if (!(scale > 0) || glyph.width == 0 || glyph.height == 0) {
        return;
    }
    // The glyph's pixels as a rectangle in output pixels, x right and y down from the
    // reference point.
    const double x0 = -glyph.hoff * scale;
    const double y0 = -glyph.voff * scale;
    const double x1 = x0 + glyph.width * scale;
    const double y1 = y0 + glyph.height * scale;
    const int64_t left = static_cast<int64_t>(std::floor(x0));
    const int64_t top = static_cast<int64_t>(std::floor(y0));
    const int64_t width = static_cast<int64_t>(std::ceil(x1)) - left;
    const int64_t rows = static_cast<int64_t>(std::ceil(y1)) - top;
    if (width <= 0 || rows <= 0 || width > kMaxScaledPixels / rows) {
        return;
    }
    // The share of each output pixel that ink covers.
    std::vector<float> cover(static_cast<size_t>(width * rows), 0.0f);
    bool any = false;
    for (int32_t r = 0; r < glyph.height; ++r) {
        const double sy0 = y0 + r * scale - top;
        const double sy1 = sy0 + scale;
        const uint8_t* src = glyph.pixels.data() + static_cast<size_t>(r) * glyph.width;
        for (int32_t c = 0; c < glyph.width; ++c) {
            if (src[c] == 0) {
                continue;
            }
            any = true;
            const double sx0 = x0 + c * scale - left;
            const double sx1 = sx0 + scale;
            const int64_t ya = std::max<int64_t>(0, static_cast<int64_t>(sy0));
            const int64_t yb =
                std::min<int64_t>(rows - 1, static_cast<int64_t>(std::ceil(sy1)) - 1);
            const int64_t xa = std::max<int64_t>(0, static_cast<int64_t>(sx0));
            const int64_t xb =
                std::min<int64_t>(width - 1, static_cast<int64_t>(std::ceil(sx1)) - 1);
            for (int64_t y = ya; y <= yb; ++y) {
                const double dy = std::min<double>(sy1, y + 1) - std::max<double>(sy0, y);
                if (dy <= 0) {
                    continue;
                }
                float* line = cover.data() + y * width;
                for (int64_t x = xa; x <= xb; ++x) {
                    const double dx = std::min<double>(sx1, x + 1) - std::max<double>(sx0, x);
                    if (dx > 0) {
                        line[x] += static_cast<float>(dx * dy);
                    }
                }
            }
        }
    }
    if (!any) {
        return;
    }
    out.width = static_cast<int32_t>(width);
    out.rows = static_cast<int32_t>(rows);
    out.stride = GlyphStride(out.width, antiAlias ? 8 : 1);
    out.left = static_cast<int32_t>(left);
    out.top = static_cast<int32_t>(-top);
    const size_t size = static_cast<size_t>(out.stride) * static_cast<size_t>(out.rows);
    out.bits.reset(new (std::nothrow) uint8_t[size]);
    if (!out.bits) {
        out.Clear();
        return;
    }
    std::memset(out.bits.get(), 0xFF, size);
    for (int32_t y = 0; y < out.rows; ++y) {
        uint8_t* dst = out.bits.get() + static_cast<size_t>(out.rows - 1 - y) * out.stride;
        const float* line = cover.data() + static_cast<size_t>(y) * width;
        for (int32_t x = 0; x < out.width; ++x) {
            const float ink = std::min(1.0f, line[x]);
            if (antiAlias) {
                dst[x] = static_cast<uint8_t>(255 - std::lround(ink * 255.0f));
            } else if (ink >= 0.5f) {
                dst[x / 8] = static_cast<uint8_t>(dst[x / 8] & ~(0x80u >> (x % 8)));
            }
        }
    }
}

const GlyphBitmap& PkFont::Glyph(int32_t pixelSize, uint32_t code, bool antiAlias) {
    auto found = std::find_if(sizes_.begin(), sizes_.end(),
                              [pixelSize](const auto& set) { return set->pixelSize == pixelSize; });
    if (found == sizes_.end()) {
        if (sizes_.size() >= kRetainedSizes) {
            sizes_.pop_back();
        }
        auto set = std::make_unique<SizeSet>();
        set->pixelSize = pixelSize;
        sizes_.insert(sizes_.begin(), std::move(set));
    } else if (found != sizes_.begin()) {
        std::rotate(sizes_.begin(), found, found + 1);
    }
    SizeSet& set = *sizes_.front();
    const uint8_t c = static_cast<uint8_t>(code & 0xFF);
    GlyphBitmap& entry = antiAlias ? set.grey[c] : set.mono[c];
    auto& done = antiAlias ? set.greyDone : set.monoDone;
    if (!done.test(c)) {
        done.set(c);
        // The em of the PK file in its own pixels: the design size times its pixels
        // per point.
        const double em = file_.designSize / 1048576.0 * (file_.hppp / 65536.0);
        if (file_.glyphs[c] && em > 0) {
            ScalePkGlyph(*file_.glyphs[c], pixelSize / em, antiAlias, entry);
        }
    }
    return entry;
}

void AttachPkFont(FontContext& context, DviFont& font) {
    // The base name: the font file is named without the area.
    std::string name = font.name;
    if (const size_t slash = name.rfind('/'); slash != std::string::npos) {
        name = name.substr(slash + 1);
    }
    const double magnification = font.d > 0 ? static_cast<double>(font.s) / font.d : 1.0;
    // Type far above or below its design size is drawn from bitmaps made within
    // these resolutions and resampled: METAFONT cannot make glyphs of any size, and
    // at very low resolutions some fonts fail.
    const int dpi = static_cast<int>(
        std::lround(std::clamp(kPkBaseDpi * magnification, double{kMinPkDpi}, double{kMaxPkDpi})));
    int foundDpi = 0;
    std::string path = context.fileSearch.FindPk(name, dpi, false, foundDpi);
    // What the background maker made (or failed to make) earlier is not looked for
    // again: the long-lived file search does not see files added since it started.
    std::optional<std::string> made;
    if (path.empty() && context.pkMaker != nullptr) {
        made = context.pkMaker->Result(name, dpi);
        if (made) {
            path = *made;
        } else if (context.pkMaker->Start(name, dpi)) {
            context.Message("Font " + name + " has no outline: making its bitmap font at " +
                            std::to_string(dpi) + " dpi with METAFONT in the background; its " +
                            "characters appear when it is ready\n");
            font.pkPendingDpi = dpi;
            return;
        }
    }
    if (path.empty() && !made) {
        context.Message("Font " + name + " has no outline: making its bitmap font at " +
                        std::to_string(dpi) + " dpi with METAFONT (once; later loads find it " +
                        "in the font cache)\n");
        path = context.fileSearch.FindPk(name, dpi, true, foundDpi);
    }
    if (path.empty()) {
        context.Message("Could not find or make a bitmap font for: " + name +
                        " (its characters are not drawn)\n");
        return;
    }
    std::string error;
    std::optional<std::vector<uint8_t>> bytes = ReadFileBytes(path);
    std::optional<PkFile> file;
    if (!bytes) {
        error = "cannot be read";
    } else {
        file = ReadPkFile(*bytes, &error);
    }
    if (!file) {
        context.Message("Corrupt bitmap font file: " + path + ": " + error +
                        " (its characters are not drawn)\n");
        return;
    }
    // Characters the metrics have and the bitmaps lack would vanish unnoticed.
    std::string missing;
    for (int code = 0; code < 256; ++code) {
        const CharMetrics& m = font.metrics[static_cast<size_t>(code)];
        if ((m.width != 0 || m.height != 0 || m.depth != 0) && !file->glyphs[code]) {
            missing += (missing.empty() ? "" : ", ") + std::to_string(code);
        }
    }
    if (!missing.empty()) {
        context.Message("Bitmap font " + path + " lacks characters " + missing +
                        " (they are not drawn)\n");
    }
    font.bitmapFile = path;
    font.pkFont = std::make_shared<PkFont>(std::move(*file));
}

}  // namespace quirn

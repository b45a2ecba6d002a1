#include "dvi/fonts/outline_font.h"

#include FT_FONT_FORMATS_H

#include <cctype>
#include <cmath>
#include <cstring>

#include "dvi/fonts/dvi_font.h"
#include "dvi/fonts/encoding.h"
#include "dvi/fonts/font_context.h"
#include "platform/output_sink.h"

namespace quirn {

namespace {

bool PathContainsNoCase(const std::string& path, const char* part) {
    std::string lower(path);
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower.find(part) != std::string::npos;
}

void Say(OutputSink* output, const std::string& text) {
    if (output != nullptr) {
        output->AppendOutput(text);
    }
}

// Selects each of `encodings` that the face has, in order, so the last one the face
// supports stays in force.
void SelectCharMaps(FT_Face face, std::initializer_list<FT_Encoding> encodings) {
    for (FT_Encoding encoding : encodings) {
        FT_Select_Charmap(face, encoding);
    }
}

uint16_t ToIndex(FT_UInt index) {
    return index > 0xFFFF ? 0 : static_cast<uint16_t>(index);
}

FT_Fixed ToFixed(double value) {
    return static_cast<FT_Fixed>(std::lround(value * 65536.0));
}

}  // namespace

void ApplyFontTransform(FT_Face face, double slant, double extend) {
    if (face == nullptr || (slant == 0.0 && extend == 1.0)) {
        return;
    }
    // FreeType's matrix maps (x, y) to (xx * x + xy * y, yx * x + yy * y).
    FT_Matrix matrix{ToFixed(extend), ToFixed(slant), 0, 0x10000};
    FT_Set_Transform(face, &matrix, nullptr);
}

bool IsType1Face(FT_Face face) {
    const char* format = face != nullptr ? FT_Get_Font_Format(face) : nullptr;
    return format != nullptr && std::strcmp(format, "Type 1") == 0;
}

void FillGlyphIndex(OutlineFont& font, const std::string& path, const EncodingVector* encoding,
                    bool texBase1) {
    FT_Face face = font.Face();
    auto& index = font.GlyphIndex();
    index.fill(0);
    if (face == nullptr) {
        return;
    }
    if (IsType1Face(face)) {
        SelectCharMaps(
            face, {FT_ENCODING_ADOBE_STANDARD, FT_ENCODING_ADOBE_EXPERT, FT_ENCODING_ADOBE_CUSTOM});
    } else {
        SelectCharMaps(face, {FT_ENCODING_APPLE_ROMAN, FT_ENCODING_UNICODE});
    }
    const bool hasCharMap = face->charmap != nullptr;

    if (PathContainsNoCase(path, ".pfb") || PathContainsNoCase(path, ".pfa")) {
        if (encoding != nullptr) {
            for (int code = 0; code < 256; ++code) {
                index[code] = ToIndex(FT_Get_Name_Index(
                    face, const_cast<char*>(encoding->glyphs[static_cast<size_t>(code)].c_str())));
            }
            return;
        }
        if (texBase1) {
            for (int code = 0; code < 256; ++code) {
                index[code] =
                    ToIndex(FT_Get_Name_Index(face, const_cast<char*>(TeXBase1GlyphName(code))));
            }
            return;
        }
        // With the custom map in force, a code finds the glyph that the font's own
        // encoding vector assigns to it; otherwise the code is looked up in the
        // standard (or Unicode) map the face offers.
        for (int code = 0; code < 256 && hasCharMap; ++code) {
            index[code] = ToIndex(FT_Get_Char_Index(face, static_cast<FT_ULong>(code)));
        }
    } else if (PathContainsNoCase(path, ".ttf")) {
        for (int code = 0; code < 256 && hasCharMap; ++code) {
            uint32_t unicode = TrueTypeUnicode(code);
            index[code] = unicode == 0 ? 0 : ToIndex(FT_Get_Char_Index(face, unicode));
        }
    }
}

std::unique_ptr<OutlineFont> LoadOutlineFont(const std::string& texName, const FontMap& map,
                                             const FreeTypeContext& freeType,
                                             const FindFileFn& findFile, OutputSink* output,
                                             std::string* outlinePath) {
    const FontMapEntry* entry = map.Find(texName);
    if (entry == nullptr) {
        Say(output, "No font mapping entry for font: " + texName + "\n");
        return nullptr;
    }
    const std::string& file = entry->outlineFile;
    if (file.compare(0, kPostScriptOnlyPrefix.size(), kPostScriptOnlyPrefix) == 0) {
        Say(output, "Warning: PostScript only font '" + file.substr(kPostScriptOnlyPrefix.size()) +
                        "' will not display in non-PS mode\n");
        return nullptr;
    }
    std::string path = findFile ? findFile(file, true) : std::string();
    if (outlinePath != nullptr) {
        *outlinePath = path;
    }
    if (path.empty()) {
        Say(output, "Could not find font outline file: " + file + "\n");
        return nullptr;
    }
    FacePtr face = freeType.OpenFace(path);
    if (!face) {
        Say(output, "Corrupt font file: " + path + "\n");
        return nullptr;
    }
    auto font = std::make_unique<OutlineFont>(std::move(face));
    const EncodingVector* encoding =
        entry->encodingFile.empty() ? nullptr : map.Encoding(entry->encodingFile, findFile, output);
    // Without its file, "8r.enc" is still known: it is the built-in TeXBase1 table.
    FillGlyphIndex(*font, path, encoding, encoding == nullptr && entry->encodingFile == "8r.enc");
    ApplyFontTransform(font->Face(), entry->slant, entry->extend);
    return font;
}

void AttachOutlineFont(FontContext& context, DviFont& font) {
    auto find = [&context](const std::string& name, bool allowInstall) {
        return context.fileSearch.FindFile(name, allowInstall);
    };
    std::string path;
    std::unique_ptr<OutlineFont> outline =
        LoadOutlineFont(font.name, context.fontMap, context.freeType, find, context.output, &path);
    font.outlineFile = path;
    font.outlineFont = std::move(outline);
}

}  // namespace quirn

#include "dvi/fonts/encoding.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <utility>

namespace quirn {

namespace {

// clang-format off
constexpr std::array<const char*, 256> kTeXBase1 = {
    // 0x00
    ".notdef", "dotaccent", "fi", "fl", "fraction", "hungarumlaut", "Lslash", "lslash",
    // 0x08
    "ogonek", "ring", ".notdef", "breve", "minus", ".notdef", "Zcaron", "zcaron",
    // 0x10
    "caron", "dotlessi", "dotlessj", "ff", "ffi", "ffl", "notequal", "infinity",
    // 0x18
    "lessequal", "greaterequal", "partialdiff", "summation", "product", "pi", "grave", "quotesingle",
    // 0x20
    "space", "exclam", "quotedbl", "numbersign", "dollar", "percent", "ampersand", "quoteright",
    // 0x28
    "parenleft", "parenright", "asterisk", "plus", "comma", "hyphen", "period", "slash",
    // 0x30
    "zero", "one", "two", "three", "four", "five", "six", "seven",
    // 0x38
    "eight", "nine", "colon", "semicolon", "less", "equal", "greater", "question",
    // 0x40
    "at", "A", "B", "C", "D", "E", "F", "G",
    // 0x48
    "H", "I", "J", "K", "L", "M", "N", "O",
    // 0x50
    "P", "Q", "R", "S", "T", "U", "V", "W",
    // 0x58
    "X", "Y", "Z", "bracketleft", "backslash", "bracketright", "asciicircum", "underscore",
    // 0x60
    "quoteleft", "a", "b", "c", "d", "e", "f", "g",
    // 0x68
    "h", "i", "j", "k", "l", "m", "n", "o",
    // 0x70
    "p", "q", "r", "s", "t", "u", "v", "w",
    // 0x78
    "x", "y", "z", "braceleft", "bar", "braceright", "asciitilde", ".notdef",
    // 0x80
    "Euro", "integral", "quotesinglbase", "florin", "quotedblbase", "ellipsis", "dagger", "daggerdbl",
    // 0x88
    "circumflex", "perthousand", "Scaron", "guilsinglleft", "OE", "Omega", "radical", "approxequal",
    // 0x90
    ".notdef", ".notdef", ".notdef", "quotedblleft", "quotedblright", "bullet", "endash", "emdash",
    // 0x98
    "tilde", "trademark", "scaron", "guilsinglright", "oe", "Delta", "lozenge", "Ydieresis",
    // 0xA0
    ".notdef", "exclamdown", "cent", "sterling", "currency", "yen", "brokenbar", "section",
    // 0xA8
    "dieresis", "copyright", "ordfeminine", "guillemotleft", "logicalnot", "hyphen", "registered", "macron",
    // 0xB0
    "degree", "plusminus", "twosuperior", "threesuperior", "acute", "mu", "paragraph", "periodcentered",
    // 0xB8
    "cedilla", "onesuperior", "ordmasculine", "guillemotright", "onequarter", "onehalf", "threequarters", "questiondown",
    // 0xC0
    "Agrave", "Aacute", "Acircumflex", "Atilde", "Adieresis", "Aring", "AE", "Ccedilla",
    // 0xC8
    "Egrave", "Eacute", "Ecircumflex", "Edieresis", "Igrave", "Iacute", "Icircumflex", "Idieresis",
    // 0xD0
    "Eth", "Ntilde", "Ograve", "Oacute", "Ocircumflex", "Otilde", "Odieresis", "multiply",
    // 0xD8
    "Oslash", "Ugrave", "Uacute", "Ucircumflex", "Udieresis", "Yacute", "Thorn", "germandbls",
    // 0xE0
    "agrave", "aacute", "acircumflex", "atilde", "adieresis", "aring", "ae", "ccedilla",
    // 0xE8
    "egrave", "eacute", "ecircumflex", "edieresis", "igrave", "iacute", "icircumflex", "idieresis",
    // 0xF0
    "eth", "ntilde", "ograve", "oacute", "ocircumflex", "otilde", "odieresis", "divide",
    // 0xF8
    "oslash", "ugrave", "uacute", "ucircumflex", "udieresis", "yacute", "thorn", "ydieresis",
};

// Text codes of TeX's fonts as Unicode: ASCII where TeX agrees with it, the quotes,
// dashes and accents where TeX puts them elsewhere, and the Windows ANSI upper half.
constexpr std::array<uint16_t, 256> kTrueTypeUnicode = {
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,  // 0x00
    0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000, 0x0000,  // 0x08
    0x0000, 0x0000, 0x0060, 0x00B4, 0x0000, 0x0000, 0x0000, 0x0000,  // 0x10
    0x00B8, 0x0000, 0x00E6, 0x0153, 0x00F8, 0x00C6, 0x0152, 0x00D8,  // 0x18
    0x0020, 0x0021, 0x201D, 0x0023, 0x0024, 0x0025, 0x0026, 0x2019,  // 0x20
    0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F,  // 0x28
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,  // 0x30
    0x0038, 0x0039, 0x003A, 0x003B, 0x00A1, 0x003D, 0x00BF, 0x003F,  // 0x38
    0x0040, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047,  // 0x40
    0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F,  // 0x48
    0x0050, 0x0051, 0x0052, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057,  // 0x50
    0x0058, 0x0059, 0x005A, 0x005B, 0x201C, 0x005D, 0x02C6, 0x005F,  // 0x58
    0x2018, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067,  // 0x60
    0x0068, 0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F,  // 0x68
    0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077,  // 0x70
    0x0078, 0x0079, 0x007A, 0x2013, 0x2014, 0x0022, 0x02DC, 0x00A8,  // 0x78
    0x0000, 0x0000, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x005E, 0x2030, 0x0160, 0x2039, 0x0152, 0x0000, 0x0000, 0x0000,  // 0x88
    0x0000, 0x0060, 0x0027, 0x005C, 0x007D, 0x2022, 0x007B, 0x007C,  // 0x90
    0x007E, 0x2122, 0x0161, 0x203A, 0x0153, 0x0000, 0x0000, 0x0178,  // 0x98
    0x00A0, 0x003C, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,  // 0xA0
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,  // 0xA8
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  // 0xB0
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x003E,  // 0xB8
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,  // 0xC0
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,  // 0xC8
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,  // 0xD0
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,  // 0xD8
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,  // 0xE0
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,  // 0xE8
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,  // 0xF0
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,  // 0xF8
};
// clang-format on

}  // namespace

const char* TeXBase1GlyphName(int code) {
    if (code < 0 || code > 255) {
        return ".notdef";
    }
    return kTeXBase1[static_cast<size_t>(code)];
}

uint32_t TrueTypeUnicode(int code) {
    if (code < 0 || code > 255) {
        return 0;
    }
    return kTrueTypeUnicode[static_cast<size_t>(code)];
}

}  // namespace quirn

namespace quirn {

namespace {

bool IsPostScriptDelimiter(char c) {
    return std::strchr("()<>[]{}/%", c) != nullptr;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\0';
}

// Splits encoding-file text into PostScript tokens: "/name" (kept with its slash),
// "[", "]", "{", "}", and other words; "%" comments are dropped.
class TokenReader {
  public:
    explicit TokenReader(std::string_view text) : text_(text) {}

    bool Next(std::string_view& token) {
        for (;;) {
            while (pos_ < text_.size() && IsSpace(text_[pos_])) {
                ++pos_;
            }
            if (pos_ < text_.size() && text_[pos_] == '%') {
                while (pos_ < text_.size() && text_[pos_] != '\n' && text_[pos_] != '\r') {
                    ++pos_;
                }
                continue;
            }
            break;
        }
        if (pos_ >= text_.size()) {
            return false;
        }
        const size_t start = pos_;
        const char first = text_[pos_++];
        if (first != '/' && IsPostScriptDelimiter(first)) {
            token = text_.substr(start, 1);
            return true;
        }
        while (pos_ < text_.size() && !IsSpace(text_[pos_]) &&
               !IsPostScriptDelimiter(text_[pos_])) {
            ++pos_;
        }
        token = text_.substr(start, pos_ - start);
        return true;
    }

  private:
    std::string_view text_;
    size_t pos_ = 0;
};

}  // namespace

bool ParseEncodingVector(std::string_view text, EncodingVector& vector, std::string& error) {
    TokenReader reader(text);
    std::string_view token;
    EncodingVector result;
    if (!reader.Next(token) || token.size() < 2 || token[0] != '/') {
        error = "no encoding name at the start";
        return false;
    }
    result.name.assign(token.substr(1));
    if (!reader.Next(token) || token != "[") {
        error = "no \"[\" after the encoding name";
        return false;
    }
    size_t count = 0;
    for (;;) {
        if (!reader.Next(token)) {
            error = "the vector has no closing \"]\"";
            return false;
        }
        if (token == "]") {
            break;
        }
        if (token.size() < 2 || token[0] != '/') {
            error =
                "\"" + std::string(token.substr(0, 40)) + "\" in the vector is not a glyph name";
            return false;
        }
        if (count == result.glyphs.size()) {
            error = "the vector has more than 256 names";
            return false;
        }
        result.glyphs[count++].assign(token.substr(1));
    }
    for (size_t i = count; i < result.glyphs.size(); ++i) {
        result.glyphs[i] = ".notdef";
    }
    vector = std::move(result);
    return true;
}

}  // namespace quirn

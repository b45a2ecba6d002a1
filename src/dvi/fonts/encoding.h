// The code tables outline fonts are read through: encoding vectors read from ".enc"
// files, which give each code of a reencoded Type 1 font a glyph name; the built-in
// TeXBase1 names; and the code-to-Unicode table that gives TrueType fonts their TeX
// text layout.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quirn {

// The glyph name at `code` (0-255) of the TeXBase1 encoding (the one distributed as
// "8r.enc", with "Euro" at 128); ".notdef" for unassigned positions and for codes
// outside 0-255.
const char* TeXBase1GlyphName(int code);

// The Unicode character that a TrueType font draws for `code`; 0 when the code has
// no character (such a code finds no glyph).
uint32_t TrueTypeUnicode(int code);

// An encoding vector: the glyph name of each of the 256 codes (".notdef" where the
// vector leaves a code unassigned).
struct EncodingVector {
    std::string name;  // the PostScript name the file defines, without "/"
    std::array<std::string, 256> glyphs;
};

// Reads the text of an encoding file: "/Name [ /glyph /glyph ... ] def", with "%"
// comments. Names may follow each other without blanks ("/a/b"). A vector with fewer
// than 256 names leaves the rest ".notdef". False, with the reason in `error`, when
// there is no vector name or no "[", a word inside the brackets is not a name, the
// "]" is missing, or there are more than 256 names.
bool ParseEncodingVector(std::string_view text, EncodingVector& vector, std::string& error);

}  // namespace quirn

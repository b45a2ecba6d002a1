// Helpers for the DVI tests: typesetting with the real engine, the reference tools'
// views of the result, and a writer for small hand-made DVI files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace quirn::test {

// Runs `engine` ("latex" or "tex") on `source` saved as dir/name.tex; the path of the
// DVI file, or an empty text when the run made none.
std::string TypesetDvi(const TempDir& dir, const std::string& name, const std::string& source,
                       const std::string& engine = "latex");

// What dvitype reports about a DVI file.
struct DvitypePage {
    int32_t bop = 0;
    int32_t count0 = 0;
};
struct DvitypeFont {
    int32_t k = 0;
    std::string name;
    int32_t scaled = 0;
};
struct DvitypeReport {
    bool ok = false;
    int32_t num = 0, den = 0, mag = 0;
    std::vector<DvitypePage> pages;
    std::vector<DvitypeFont> fonts;  // postamble definitions, in dvitype's order
};
DvitypeReport RunDvitype(const std::string& dviPath);

// One character of a tftopl listing, dimensions as fractions of the design size.
struct PlChar {
    int code = 0;
    double width = 0, height = 0, depth = 0;
};
struct PlReport {
    bool ok = false;
    double designSize = 0;  // points
    std::vector<PlChar> chars;
};
PlReport RunTftopl(const std::string& tfmPath);

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// One inch of paper in DVI units for the usual unit fraction (the engine's origin sits
// one inch from the paper's top and left edges).
inline constexpr int32_t kDviInch = 4736286;

// Builds the commands of a page byte by byte.
struct DviOps {
    std::vector<uint8_t> bytes;
    DviOps& B(int b) {
        bytes.push_back(static_cast<uint8_t>(b));
        return *this;
    }
    DviOps& I(int64_t v, int n) {  // big-endian, two's complement
        for (int i = n - 1; i >= 0; --i)
            B(static_cast<int>((static_cast<uint64_t>(v) >> (8 * i)) & 0xFF));
        return *this;
    }
    DviOps& Special(const std::string& text) {  // xxx1
        B(239).B(static_cast<int>(text.size()));
        bytes.insert(bytes.end(), text.begin(), text.end());
        return *this;
    }
    // push, right4 h, down4 v, the special, pop: a special at (h, v) from the origin.
    DviOps& SpecialAt(int32_t h, int32_t v, const std::string& text) {
        return B(141).B(146).I(h, 4).B(160).I(v, 4).Special(text).B(142);
    }
};

// Builds a DVI file byte by byte: preamble, pages, postamble with font definitions,
// trailer. Offsets are recorded as the parts are written, so a test can damage any of
// them afterwards.
class DviWriter {
  public:
    DviWriter& Byte(int b);
    DviWriter& Int(int64_t value, int bytes);  // big-endian, two's complement
    DviWriter& Pre(int32_t num = 25400000, int32_t den = 473628672, int32_t mag = 1000);
    // A page with counts c0 (others 0), a few bytes of content, and eop.
    DviWriter& Page(int32_t count0, const std::vector<uint8_t>& content = {});
    DviWriter& FontDef(int32_t k, const std::string& name, int32_t s = 655360, int32_t d = 655360,
                       int32_t c = 0);
    // post with the last bop, unit fraction, l, u, stack depth and page count.
    DviWriter& Post(int32_t num = 25400000, int32_t den = 473628672, int32_t mag = 1000,
                    int32_t l = 40000000, int32_t u = 26000000);
    DviWriter& PostPost(int trailerBytes = 4);

    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    std::vector<uint8_t>& Bytes() { return bytes_; }
    int32_t postOffset = -1;    // where post was written
    std::vector<int32_t> bops;  // where each page's bop was written

  private:
    std::vector<uint8_t> bytes_;
};

}  // namespace quirn::test

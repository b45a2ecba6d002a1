// The structure of a PostScript file as its Document Structuring Convention comments
// give it: a prolog, one extent per "%%Page:" comment, and a trailer. Pages of
// documents embedded between "%%BeginDocument" and "%%EndDocument" do not count.
//
// And the parts of an EPS file: the PostScript section (a DOS EPS binary header points
// at it, otherwise the whole file) and the bounding box from the "%%BoundingBox:"
// comment among its first 300 lines.
//
// Everything here works on bytes already read, so damaged or hostile input can only
// end a scan early, never run past the end.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace quirn {

// Writes bytes somewhere (a file, the interpreter's standard input); false when not
// every byte could be written, which ends the writing.
using PageWriter = std::function<bool(std::string_view bytes)>;

struct PageExtent {
    int32_t begin = 0;  // offset of the page's "%%Page:" line
    int32_t end = 0;    // offset where the page ends
};

struct DscStructure {
    std::vector<PageExtent> pages;
    int64_t prologStart = 0;
    int64_t fileEnd = 0;  // 0: not scanned yet
};

// Builds the page table of `postscript` (the bytes of a file, or an EPS file's
// PostScript section). False when the first line does not begin with "%!", when a
// trailer comes before any page, or when there is no page at all. A page still open
// at the end of the bytes (a truncated file) ends there.
bool ScanDsc(std::string_view postscript, DscStructure& structure);

// The structure used when the scan fails: one page with no bytes of its own, all of
// the file as its trailer, so writing or rendering the page sends the whole file.
DscStructure SinglePageStructure(int64_t length);

// One line as the scanners read it: up to `limit` - 1 bytes, through the first line
// feed (and, with `carriageReturns`, after a carriage return, or a carriage return and a
// line feed). Empty only at the end of the bytes.
std::string_view NextLine(std::string_view text, std::size_t pos, std::size_t limit,
                          bool carriageReturns);

// --- EPS files ---

inline constexpr uint32_t kDosEpsMagic = 0xC6D3D0C5;

struct EpsSection {
    bool binaryHeader = false;
    uint32_t start = 0;   // as the header gives it
    uint32_t length = 0;  // as the header gives it
    // The section clamped to the file: what is actually read.
    std::string_view Bytes(std::string_view file) const;
    int64_t End() const { return int64_t{start} + length; }
};

// The PostScript section of an EPS file's bytes.
EpsSection FindEpsSection(std::string_view file);

struct EpsBox {
    int32_t llx = 0, lly = 0, urx = 0, ury = 0;
    // A box that gives a page: positive width and height.
    bool Usable() const { return urx > llx && ury > lly; }
};

// The first of the file's first 300 lines (read from its first byte, lines ending at
// LF, CR or CR LF, at most 1023 characters) that reads as "%%BoundingBox:" with four
// numbers; each is truncated toward zero. "(atend)" is not followed.
std::optional<EpsBox> FindBoundingBox(std::string_view file);

// Writes the EPS file's PostScript section through `writer` line by line; the bytes
// announced by "%%BeginBinary: N" are copied as they are.
bool CopyEpsPostScript(std::string_view file, const PageWriter& writer);

}  // namespace quirn

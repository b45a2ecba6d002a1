// Page interpretation: DVI commands read one at a time into a page's display lists,
// with the characters of virtual fonts expanded into what their packets draw (the
// expanded content) or kept as they are (the plain content).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "dvi/color_state.h"
#include "dvi/fonts/byte_reader.h"
#include "dvi/fonts/dvi_font.h"
#include "dvi/page_content.h"
#include "dvi/specials.h"

namespace quirn {

class OutputSink;
struct DviContext;
struct VirtualFontData;

// The registers of one level of the DVI stack, in DVI units.
struct RegisterSet {
    int32_t h = 0;
    int32_t v = 0;
    int32_t w = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t z = 0;
};

using RegisterStack = std::vector<RegisterSet>;

// One page build: where records go, the colour state the specials work on, and the
// VF files opened for the expansion of virtual characters (each packet is read from
// its file when its character is expanded).
class PageInterpreter {
  public:
    // `search` resolves the files of graphics specials. `context.movementScale` is
    // saved and restored around each packet.
    PageInterpreter(DviContext& context, ColorState& colours, PageContent& content, bool expand,
                    const GraphicsSearch& search, OutputSink& out);
    ~PageInterpreter();
    PageInterpreter(const PageInterpreter&) = delete;
    PageInterpreter& operator=(const PageInterpreter&) = delete;

    // Reads and carries out one command. Answers the opcode (0-255), or -1 when the
    // page ends or cannot go on (eop, bop, pre/post, an undefined opcode or the end of
    // the bytes, a pop of the last register set, a character without a current font,
    // a font number that is not defined).
    int InterpretCommand(ByteReader& in, DviFont*& font, RegisterStack& stack,
                         const DviFontTable& fonts);

    // Replaces a character of a virtual font by what its packet draws, starting at the
    // record's position, in the current colour.
    void ExpandVirtualChar(const GlyphPlacement& record);

  private:
    void SetOrPut(DviFont& font, uint32_t code, RegisterSet& top);
    void Special(ByteReader& in, uint32_t length, const RegisterSet& top);
    struct PacketFile {
        int fd = -1;        // -1 when the VF file cannot be opened
        uint64_t size = 0;  // its length, which bounds every packet read from it
    };
    const PacketFile& OpenPacketFile(const VirtualFontData& vf);
    int32_t Scaled(int32_t amount) const;

    DviContext& context_;
    ColorState& colours_;
    PageContent& content_;
    bool expand_;
    const GraphicsSearch& search_;
    OutputSink& out_;
    std::unordered_map<const VirtualFontData*, PacketFile> vfFiles_;
    int64_t expansionBudget_;
};

// Skims the commands of a page from `in`'s position to its end (eop, bop, an opcode
// from 247 to 255, or the end of the bytes) and hands the text of each special to
// the dispatch, so that the colour state follows the page.
void SkimPageSpecials(ByteReader& in, ColorState& colours, OutputSink& out);
// The same, handing the text of each special to `visit`.
void SkimPageSpecials(ByteReader& in, const std::function<void(const std::string&)>& visit);

// The text of a special of `length` bytes at `in`'s position, cut at the first NUL;
// `in` moves past the special.
std::string ReadSpecialText(ByteReader& in, uint32_t length);

}  // namespace quirn

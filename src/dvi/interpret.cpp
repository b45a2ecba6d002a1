#include "dvi/interpret.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "dvi/dvi_context.h"
#include "dvi/fonts/dvi_math.h"
#include "dvi/fonts/dvi_opcodes.h"
#include "dvi/fonts/virtual_font.h"
#include "platform/output_sink.h"

namespace quirn {

using namespace dvi_opcode;

namespace {

// Commands interpreted inside virtual-font packets per page build. Real fonts need a
// few per character; the budget only stops packets that expand into each other
// exponentially (a damaged or malicious VF nested ten deep).
constexpr int64_t kExpansionBudget = 20'000'000;

// Register arithmetic wraps around like the 32-bit registers it models.
inline int32_t Add(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

void SkipFontDefinition(ByteReader& in, int op) {
    in.Skip(op - kFntDef1 + 1 + 12);
    const uint32_t a = in.ReadUnsigned(1);
    const uint32_t l = in.ReadUnsigned(1);
    in.Skip(static_cast<int64_t>(a & 0xFF) + (l & 0xFF));
}

}  // namespace

std::string ReadSpecialText(ByteReader& in, uint32_t length) {
    const auto bytes = in.Bytes();
    const uint64_t start = in.Tell();
    const uint64_t available = start < bytes.size() ? bytes.size() - start : 0;
    const uint64_t n = length < available ? length : available;
    std::string text;
    if (n > 0) {
        text.assign(reinterpret_cast<const char*>(bytes.data()) + start, static_cast<size_t>(n));
    }
    const size_t nul = text.find('\0');
    if (nul != std::string::npos) {
        text.resize(nul);
    }
    in.Skip(length);
    return text;
}

PageInterpreter::PageInterpreter(DviContext& context, ColorState& colours, PageContent& content,
                                 bool expand, const GraphicsSearch& search, OutputSink& out)
    : context_(context),
      colours_(colours),
      content_(content),
      expand_(expand),
      search_(search),
      out_(out),
      expansionBudget_(kExpansionBudget) {}

PageInterpreter::~PageInterpreter() {
    for (const auto& [vf, file] : vfFiles_) {
        if (file.fd >= 0) {
            ::close(file.fd);
        }
    }
}

int32_t PageInterpreter::Scaled(int32_t amount) const {
    if (context_.movementScale == 1.0) {
        return amount;
    }
    return TruncToInt32(amount * context_.movementScale);
}

int PageInterpreter::InterpretCommand(ByteReader& in, DviFont*& font, RegisterStack& stack,
                                      const DviFontTable& fonts) {
    // The end of the bytes reads as 255, an undefined opcode.
    const int op = in.ReadByte() & 0xFF;
    RegisterSet& top = stack.back();
    if (op < kSet1 || (op >= kSet1 && op < kSetRule) || (op >= kPut1 && op < kPutRule)) {
        const bool set = op < kSetRule;
        const uint32_t code = op < kSet1 ? static_cast<uint32_t>(op)
                              : set      ? in.ReadUnsigned(op - kSet1 + 1)
                                         : in.ReadUnsigned(op - kPut1 + 1);
        if (font == nullptr) {
            return -1;
        }
        const int32_t width = font->metrics[code & 0xFF].width;
        SetOrPut(*font, code, top);
        if (set) {
            stack.back().h = Add(stack.back().h, width);
        }
        return op;
    }
    if (op == kSetRule || op == kPutRule) {
        const int32_t a = Scaled(in.ReadSigned(4));
        const int32_t b = Scaled(in.ReadSigned(4));
        if (a > 0 && b > 0) {
            content_.rules.push_back(RulePlacement{top.h, top.v, colours_.current, a, b});
        }
        if (op == kSetRule) {
            top.h = Add(top.h, b);
        }
        return op;
    }
    if (op == kNop) {
        return op;
    }
    if (op == kPush) {
        stack.push_back(top);
        return op;
    }
    if (op == kPop) {
        if (stack.size() < 2) {
            return -1;
        }
        stack.pop_back();
        return op;
    }
    if (op >= kRight1 && op < kW0) {
        top.h = Add(top.h, Scaled(in.ReadSigned(op - kRight1 + 1)));
        return op;
    }
    if (op >= kW0 && op < kX0) {
        if (op > kW0) {
            top.w = Scaled(in.ReadSigned(op - kW0));
        }
        top.h = Add(top.h, top.w);
        return op;
    }
    if (op >= kX0 && op < kDown1) {
        if (op > kX0) {
            top.x = Scaled(in.ReadSigned(op - kX0));
        }
        top.h = Add(top.h, top.x);
        return op;
    }
    if (op >= kDown1 && op < kY0) {
        top.v = Add(top.v, Scaled(in.ReadSigned(op - kDown1 + 1)));
        return op;
    }
    if (op >= kY0 && op < kZ0) {
        if (op > kY0) {
            top.y = Scaled(in.ReadSigned(op - kY0));
        }
        top.v = Add(top.v, top.y);
        return op;
    }
    if (op >= kZ0 && op < kFntNum0) {
        if (op > kZ0) {
            top.z = Scaled(in.ReadSigned(op - kZ0));
        }
        top.v = Add(top.v, top.z);
        return op;
    }
    if (op >= kFntNum0 && op < kXxx1) {
        const int32_t k =
            op < kFnt1 ? op - kFntNum0 : static_cast<int32_t>(in.ReadUnsigned(op - kFnt1 + 1));
        const auto it = fonts.find(k);
        if (it == fonts.end() || it->second == nullptr || it->second->name.empty()) {
            return -1;
        }
        font = it->second;
        return op;
    }
    if (op >= kXxx1 && op < kFntDef1) {
        Special(in, in.ReadUnsigned(op - kXxx1 + 1), top);
        return op;
    }
    if (op >= kFntDef1 && op < kPre) {
        SkipFontDefinition(in, op);
        return op;
    }
    return -1;  // bop, eop, pre, post, post_post and the undefined opcodes
}

void PageInterpreter::SetOrPut(DviFont& font, uint32_t code, RegisterSet& top) {
    GlyphPlacement record{top.h, top.v, colours_.current, code, &font};
    if (expand_ && font.virtualFont) {
        ExpandVirtualChar(record);
    } else {
        content_.glyphs.push_back(record);
    }
}

void PageInterpreter::Special(ByteReader& in, uint32_t length, const RegisterSet& top) {
    std::string text = ReadSpecialText(in, length);
    if (!ResolveGraphicsSpecial(text, search_, out_)) {
        return;
    }
    if (ProcessSpecial(text, colours_, out_)) {
        content_.specials.push_back(SpecialRecord{top.h, top.v, std::move(text),
                                                  static_cast<uint32_t>(content_.glyphs.size())});
    }
}

const PageInterpreter::PacketFile& PageInterpreter::OpenPacketFile(const VirtualFontData& vf) {
    const auto it = vfFiles_.find(&vf);
    if (it != vfFiles_.end()) {
        return it->second;
    }
    PacketFile file;
    file.fd = ::open(vf.path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (file.fd >= 0 && ::fstat(file.fd, &st) == 0 && st.st_size > 0) {
        file.size = static_cast<uint64_t>(st.st_size);
    }
    return vfFiles_.emplace(&vf, file).first->second;
}

void PageInterpreter::ExpandVirtualChar(const GlyphPlacement& record) {
    const VirtualFontData* vf = record.font->virtualFont.get();
    if (vf == nullptr || vf->path.empty()) {
        return;
    }
    const PacketFile& file = OpenPacketFile(*vf);
    if (file.fd < 0) {
        return;
    }
    const auto packet = vf->packets.find(record.code);
    if (packet == vf->packets.end() || packet->second.length == 0 ||
        packet->second.offset >= file.size) {
        return;
    }
    // A damaged packet length cannot reach past the end of the file.
    const uint64_t length =
        std::min<uint64_t>(packet->second.length, file.size - packet->second.offset);
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    const ssize_t got = ::pread(file.fd, bytes.data(), bytes.size(), packet->second.offset);
    if (got <= 0) {
        return;
    }
    bytes.resize(static_cast<size_t>(got));

    ByteReader in(bytes);
    RegisterStack stack(1);
    stack[0].h = record.h;
    stack[0].v = record.v;
    DviFont* font = vf->defaultFont;
    const double savedScale = context_.movementScale;
    // Packet amounts are fix_words relative to the virtual font's size.
    context_.movementScale = record.font->s / 1048576.0;
    // A command that would end a page only ends its own step: the packet is read on
    // to its end.
    while (!in.AtEnd() && expansionBudget_ > 0) {
        --expansionBudget_;
        InterpretCommand(in, font, stack, vf->localFonts);
    }
    context_.movementScale = savedScale;
}

void SkimPageSpecials(ByteReader& in, ColorState& colours, OutputSink& out) {
    SkimPageSpecials(in, [&](const std::string& text) { ProcessSpecial(text, colours, out); });
}

void SkimPageSpecials(ByteReader& in, const std::function<void(const std::string&)>& visit) {
    while (true) {
        const int op = in.ReadByte() & 0xFF;
        if (op < kSet1 || op == kNop || op == kPush || op == kPop || op == kW0 || op == kX0 ||
            op == kY0 || op == kZ0 || (op >= kFntNum0 && op < kFnt1)) {
            continue;
        }
        if (op < kSetRule) {
            in.Skip(op - kSet1 + 1);
        } else if (op == kSetRule || op == kPutRule) {
            in.Skip(8);
        } else if (op < kPutRule) {
            in.Skip(op - kPut1 + 1);
        } else if (op >= kRight1 && op < kW0) {
            in.Skip(op - kRight1 + 1);
        } else if (op > kW0 && op < kX0) {
            in.Skip(op - kW0);
        } else if (op > kX0 && op < kDown1) {
            in.Skip(op - kX0);
        } else if (op >= kDown1 && op < kY0) {
            in.Skip(op - kDown1 + 1);
        } else if (op > kY0 && op < kZ0) {
            in.Skip(op - kY0);
        } else if (op > kZ0 && op < kFntNum0) {
            in.Skip(op - kZ0);
        } else if (op >= kFnt1 && op < kXxx1) {
            in.Skip(op - kFnt1 + 1);
        } else if (op >= kXxx1 && op < kFntDef1) {
            visit(ReadSpecialText(in, in.ReadUnsigned(op - kXxx1 + 1)));
        } else if (op >= kFntDef1 && op < kPre) {
            SkipFontDefinition(in, op);
        } else {
            return;  // bop (139), eop (140), 247-255 and the end of the bytes
        }
    }
}

}  // namespace quirn

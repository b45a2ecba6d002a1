#include "dvi/interpret_page.h"

#include <algorithm>

#include "dvi/dvi_doc.h"
#include "dvi/fonts/dvi_math.h"
#include "dvi/interpret.h"
#include "platform/output_sink.h"
#include "platform/paths.h"

namespace quirn {

namespace {

// bop, its ten counts and the back pointer.
constexpr int kBopLength = 45;

OutputSink& SinkOf(const CDVIDoc& doc, NullSink& fallback) {
    OutputSink* out = doc.Context().output;
    return out != nullptr ? *out : fallback;
}

}  // namespace

double PageInches(const CDVIDoc& doc, double x) {
    if (doc.den == 0) {
        return 0.0;
    }
    return (x / 254000.0) * (doc.mag / 1000.0) * (static_cast<double>(doc.num) / doc.den);
}

bool IsDvipsOwnPrologue(const CDVIDoc& doc, const std::string& name) {
    if (!name.ends_with(".pro") || name.find('/') != std::string::npos) {
        return false;
    }
    // A prologue of the document's own (in its folder) is its own PostScript.
    const std::string found = doc.Context().fileSearch.FindFile(name, false);
    return !found.empty() && DirectoryOf(found) != DirectoryOf(doc.Path()) &&
           !RegularFileExists(JoinPath(DirectoryOf(doc.Path()), name));
}

GraphicsSearch GraphicsSearchFor(const CDVIDoc& doc) {
    const DviContext& context = doc.Context();
    const Settings& settings = context.CurrentSettings();
    GraphicsSearch search;
    search.figurePath = settings.figurePath;
    search.extraTexInputPath = settings.extraTexInputPath;
    if (context.projectDirectory) {
        search.baseDir = context.projectDirectory();
    }
    // Without a project, graphics are named relative to the document's own folder.
    if (search.baseDir.empty() && !doc.Path().empty()) {
        search.baseDir = DirectoryOf(doc.Path());
    }
    return search;
}

void ReplayColorState(const CDVIDoc& doc, int page, ColorState& colours) {
    NullSink none;
    OutputSink& out = SinkOf(doc, none);
    // The states at page starts are remembered as they are reached: the replay goes
    // on from the last one known instead of from the first page.
    std::vector<ColorState>& known = doc.colourAtPageStart;
    if (known.empty()) {
        known.emplace_back();
    }
    const int target = std::clamp(page, 0, doc.GetPageCount());
    if (target < static_cast<int>(known.size())) {
        colours = known[static_cast<size_t>(target)];
        return;
    }
    colours = known.back();
    ByteReader in(doc.FileBytes());
    for (int i = static_cast<int>(known.size()) - 1; i < target; ++i) {
        in.Seek(static_cast<int64_t>(doc.pages[i].bop) + kBopLength);
        SkimPageSpecials(in, colours, out);
        known.push_back(colours);
    }
}

const PageContent* GetPageContent(CDVIDoc& doc, int page, bool expand) {
    if (page < 0 || page >= doc.GetPageCount()) {
        return nullptr;
    }
    DviPageEntry& entry = doc.pages[page];
    PageContent& content = expand ? entry.expanded : entry.plain;
    if (content.loaded) {
        return &content;
    }
    content.Clear();
    if (doc.FileBytes().empty()) {
        content.loaded = true;
        return &content;
    }

    NullSink none;
    OutputSink& out = SinkOf(doc, none);
    ColorState colours;
    ReplayColorState(doc, page, colours);

    ByteReader in(doc.FileBytes());
    in.Seek(static_cast<int64_t>(entry.bop) + kBopLength);
    RegisterStack stack(1);
    DviFont* font = nullptr;
    const GraphicsSearch search = GraphicsSearchFor(doc);
    {
        PageInterpreter interpreter(doc.Context(), colours, content, expand, search, out);
        while (interpreter.InterpretCommand(in, font, stack, doc.fontTable) >= 0) {
        }
    }
    doc.currentColor = colours.current;
    doc.colorStack = colours.stack;

    // The interpreter works in TeX's coordinates, whose origin lies one inch right of
    // and below the paper's corner.
    const double perInch = PageInches(doc, 1);
    const int32_t inch = perInch > 0 ? TruncToInt32(1 / perInch) : 0;
    const auto shift = [inch](int32_t& q) {
        q = static_cast<int32_t>(static_cast<uint32_t>(q) + static_cast<uint32_t>(inch));
    };
    for (GlyphPlacement& g : content.glyphs) {
        shift(g.h);
        shift(g.v);
    }
    for (RulePlacement& r : content.rules) {
        shift(r.h);
        shift(r.v);
    }
    for (SpecialRecord& s : content.specials) {
        shift(s.h);
        shift(s.v);
    }
    entry.pageKind = ClassifyPageSpecials(content.specials, [&doc](const std::string& name) {
        return IsDvipsOwnPrologue(doc, name);
    });
    content.loaded = true;
    return &content;
}

}  // namespace quirn

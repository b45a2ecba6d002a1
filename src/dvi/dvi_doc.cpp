#include "dvi/dvi_doc.h"

#include <utility>

#include "dvi/fonts/byte_reader.h"
#include "dvi/fonts/dvi_math.h"
#include "dvi/fonts/dvi_opcodes.h"
#include "dvi/fonts/font_definition.h"
#include "dvi/interpret.h"
#include "dvi/specials.h"
#include "platform/paths.h"

namespace quirn {

using namespace dvi_opcode;

namespace {

constexpr int kTrailer = 223;
constexpr double kInchesPerCentimetre = 0.39370078740157477;

// The file-search trace of one load in debug mode: a search helper that traces into
// a new temporary file serves the load, and the next search after it is untraced again.
class SearchTraceScope {
  public:
    SearchTraceScope(DviContext& context) : context_(context) {
        if (!context_.debugMode) {
            return;
        }
        logPath_ = context_.Temporary().MakeFile("quirn");
        context_.fileSearch.SetTraceFile(logPath_);
    }
    ~SearchTraceScope() {
        if (!context_.debugMode) {
            return;
        }
        context_.fileSearch.SetTraceFile({});
        context_.Message("See kpathsea log " + logPath_ + "\n");
    }
    SearchTraceScope(const SearchTraceScope&) = delete;
    SearchTraceScope& operator=(const SearchTraceScope&) = delete;

  private:
    DviContext& context_;
    std::string logPath_;
};

// While a document loads, the files beside it (fonts a document brings along) are
// found before the TeX trees, as the engine that wrote it found them in the folder it
// ran in.
class DocumentFolderScope {
  public:
    DocumentFolderScope(FileSearch& search, std::string folder)
        : search_(search), previous_(search.DocumentFolder()) {
        search_.SetDocumentFolder(std::move(folder));
    }
    ~DocumentFolderScope() { search_.SetDocumentFolder(std::move(previous_)); }
    DocumentFolderScope(const DocumentFolderScope&) = delete;
    DocumentFolderScope& operator=(const DocumentFolderScope&) = delete;

  private:
    FileSearch& search_;
    std::string previous_;
};

// The user has fixed a paper size when the settings name another one than the
// built-in default (US Letter, portrait); then it holds over the document's own.
bool PaperFixedByUser(const Settings& settings) {
    const Settings defaults;
    return settings.pageWidth != defaults.pageWidth || settings.pageHeight != defaults.pageHeight ||
           settings.cmUnits != defaults.cmUnits || settings.landscape != defaults.landscape;
}

}  // namespace

PixelSize PaperSizeFromSettings(const Settings& settings, double unitsPerInch) {
    const double factor = settings.cmUnits != 0 ? kInchesPerCentimetre : 1.0;
    return PixelSize{TruncToInt32(settings.pageWidth * factor * unitsPerInch),
                     TruncToInt32(settings.pageHeight * factor * unitsPerInch)};
}

bool CDVIDoc::OpenDocument(const std::string& path) {
    bool loaded = false;
    {
        SearchTraceScope trace(context_);
        loaded = LoadDvi(path);
    }
    if (!loaded) {
        context_.Message("Bad/missing DVI file " + path + "\n");
    }
    return loaded;
}

void CDVIDoc::Reset() {
    pages.clear();
    fontTable.clear();
    fonts.clear();
    postScriptDrawing = false;
    colorStack.clear();
    currentColor = 0;
    colourAtPageStart.clear();
    bytes_.clear();
}

bool CDVIDoc::LoadDvi(const std::string& path) {
    path_ = path;
    DocumentFolderScope folder(context_.fileSearch, DirectoryOf(path));
    Reset();
    std::optional<std::vector<uint8_t>> bytes = ReadFileBytes(path);
    if (!bytes) {
        return false;
    }
    bytes_ = std::move(*bytes);
    return Parse();
}

bool CDVIDoc::LoadDviBytes(std::vector<uint8_t> bytes) {
    Reset();
    bytes_ = std::move(bytes);
    return Parse();
}

bool CDVIDoc::Parse() {
    ByteReader in(bytes_);

    // Preamble: pre, identification, the unit fraction and magnification (the comment
    // is not needed).
    if (in.ReadByte() != kPre || in.ReadByte() != kDviId) {
        return false;
    }
    num = in.ReadSigned(4);
    den = in.ReadSigned(4);
    mag = in.ReadSigned(4);

    // Trailer: any number of 223 bytes (none included) after the identification byte,
    // which the postamble pointer precedes.
    int64_t idPos = static_cast<int64_t>(bytes_.size()) - 1;
    while (idPos >= 0 && bytes_[static_cast<std::size_t>(idPos)] == kTrailer) {
        --idPos;
    }
    if (idPos < 0 || bytes_[static_cast<std::size_t>(idPos)] != kDviId) {
        return false;
    }
    if (!in.Seek(idPos - 4)) {
        return false;
    }
    const int32_t postamble = in.ReadSigned(4);

    if (!in.Seek(postamble) || in.ReadByte() != kPost) {
        return false;
    }
    const int32_t lastBop = in.ReadSigned(4);
    if (in.ReadSigned(4) != num || in.ReadSigned(4) != den || in.ReadSigned(4) != mag) {
        return false;
    }
    const uint32_t tallest = static_cast<uint32_t>(in.ReadSigned(4));  // l: height + depth
    const uint32_t widest = static_cast<uint32_t>(in.ReadSigned(4));   // u: width

    const PixelSize paper = PaperSizeFromSettings(context_.CurrentSettings(), 1000.0);
    pageWidth = paper.width;
    pageHeight = paper.height;
    if (widest > tallest || context_.CurrentSettings().landscape != 0) {
        std::swap(pageWidth, pageHeight);
    }

    in.ReadUnsigned(2);  // maximum stack depth: the interpreter's stack grows as needed
    const uint32_t pageCount = in.ReadUnsigned(2);

    while (ReadFontDefinition(context_, in, fonts, fontTable, nullptr)) {
    }
    if (in.ReadByte() != kPostPost) {
        return false;
    }

    // Page index: the back pointers lead from the last page to the first, whose own
    // back pointer is -1.
    pages.resize(pageCount);
    int32_t q = lastBop;
    for (int64_t i = static_cast<int64_t>(pageCount) - 1; i >= 0; --i) {
        if (q < 0) {
            return false;
        }
        DviPageEntry& entry = pages[static_cast<std::size_t>(i)];
        entry.bop = q;
        if (!in.Seek(q) || in.ReadByte() != kBop) {
            return false;
        }
        entry.count0 = in.ReadSigned(4);
        in.Skip(9 * 4);  // counts 1 to 9
        q = in.ReadSigned(4);
    }
    if (q != -1) {
        return false;
    }
    if (!pages.empty() && !PaperFixedByUser(context_.CurrentSettings())) {
        ApplyPaperSizeSpecial();
    }
    return true;
}

void CDVIDoc::ApplyPaperSizeSpecial() {
    // As the PostScript driver does: the last papersize special of the first page gives
    // the paper, as it stands (a landscape size is wider than high already).
    ByteReader in(bytes_);
    if (!in.Seek(pages.front().bop + 45)) {  // past bop, the ten counts and the pointer
        return;
    }
    std::optional<PaperSize> paper;
    SkimPageSpecials(in, [&paper](const std::string& text) {
        if (std::optional<PaperSize> size = ParsePaperSizeSpecial(text)) {
            paper = size;
        }
    });
    if (paper) {
        pageWidth = paper->width;
        pageHeight = paper->height;
    }
}

int32_t CDVIDoc::GetPageCount0(int page) const {
    if (page < 0 || page >= GetPageCount()) {
        return 0;
    }
    return pages[static_cast<std::size_t>(page)].count0;
}

PixelSize CDVIDoc::GetPageSize(int dpi) const {
    if (pageWidth != 0) {
        return PixelSize{static_cast<int32_t>(int64_t{pageWidth} * dpi / 1000),
                         static_cast<int32_t>(int64_t{pageHeight} * dpi / 1000)};
    }
    const Settings& settings = context_.CurrentSettings();
    PixelSize size = PaperSizeFromSettings(settings, dpi);
    if (settings.landscape != 0) {
        std::swap(size.width, size.height);
    }
    return size;
}

void CDVIDoc::InvalidatePage(int page, bool flag) {
    if (page < 0 || page >= GetPageCount()) {
        return;
    }
    pages[static_cast<std::size_t>(page)].expanded.Clear();
    if (onPageInvalidated) {
        onPageInvalidated(page, flag);
    }
}

}  // namespace quirn

#include "postscript/ps_document.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/output_sink.h"
#include "platform/paths.h"

namespace quirn {

namespace {

constexpr int64_t kBlock = 4096;

// Saves the state, counts what is on the stacks, and gives the graphic a clean
// graphics state in which showpage does nothing.
constexpr std::string_view kInclusionProlog =
    "\n/quirn_state save def\n"
    "/quirn_dict_count countdictstack def\n"
    "/quirn_op_count count 1 sub def\n"
    "userdict begin\n"
    "/showpage {} def\n"
    "0 setgray 0 setlinecap 1 setlinewidth 0 setlinejoin 10 setmiterlimit [] 0 setdash "
    "newpath\n"
    "/languagelevel where {pop languagelevel 1 ne {false setstrokeadjust false setoverprint} "
    "if} if\n";

// Drops what the graphic left on the operand and dictionary stacks, then restores.
constexpr std::string_view kInclusionEpilog =
    "\ncount quirn_op_count sub {pop} repeat\n"
    "countdictstack quirn_dict_count sub {end} repeat\n"
    "quirn_state restore\n";

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

PixelSize DefaultPageSize(const Settings& settings, int dpi) {
    PixelSize size = PaperSizeFromSettings(settings, dpi);
    if (settings.landscape != 0) {
        std::swap(size.width, size.height);
    }
    return size;
}

std::string_view EpsInclusionProlog() {
    return kInclusionProlog;
}

std::string_view EpsInclusionEpilog() {
    return kInclusionEpilog;
}

void CBaseDoc::Message(std::string_view text) const {
    if (out_ != nullptr) {
        out_->AppendOutput(text);
    }
}

bool CBaseDoc::LoadPostScript(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) {
        return false;
    }
    postScript_ = std::move(bytes).str();
    structure_ = DscStructure{};
    return true;
}

bool CBaseDoc::Open(const std::string& path) {
    path_ = path;
    return RegularFileExists(path) && LoadPostScript(path);
}

bool CBaseDoc::ScanDSC() {
    if (!structure_.pages.empty() && structure_.fileEnd != 0) {
        return true;
    }
    return ScanDsc(postScript_, structure_);
}

PixelSize CBaseDoc::PageSizePixels(int, int dpi) const {
    return DefaultPageSize(settings_, dpi);
}

std::string CBaseDoc::Folder() const {
    return DirectoryOf(path_);
}

bool CBaseDoc::CopyBytes(int64_t begin, int64_t end, const PageWriter& writer) const {
    const int64_t size = static_cast<int64_t>(postScript_.size());
    begin = std::clamp<int64_t>(begin, 0, size);
    end = std::clamp<int64_t>(end, begin, size);
    for (int64_t at = begin; at < end; at += kBlock) {
        const auto n = static_cast<std::size_t>(std::min(kBlock, end - at));
        if (!writer(std::string_view(postScript_).substr(static_cast<std::size_t>(at), n))) {
            return false;
        }
    }
    return true;
}

bool CBaseDoc::WritePages(const std::vector<int>& pages, int, const PageWriter& writer, bool) {
    if (!ScanDSC()) {
        return false;
    }
    const std::vector<PageExtent>& table = structure_.pages;
    bool ok = CopyBytes(structure_.prologStart, table.front().begin, writer);
    for (int page : pages) {
        if (ok && page >= 0 && page < static_cast<int>(table.size())) {
            const PageExtent& extent = table[static_cast<std::size_t>(page)];
            ok = CopyBytes(extent.begin, extent.end, writer);
        }
    }
    return ok && CopyBytes(table.back().end, structure_.fileEnd, writer);
}

bool CPostscriptDoc::Open(const std::string& path) {
    if (!CBaseDoc::Open(path)) {
        return false;
    }
    if (!ScanDSC()) {
        Message(DisplayName() + ": Missing DSC comments, Assuming 1 page in length\n");
        structure_ = SinglePageStructure(static_cast<int64_t>(postScript_.size()));
    }
    return true;
}

bool CEPSDoc::Open(const std::string& path) {
    if (!CBaseDoc::Open(path)) {
        return false;
    }
    section_ = FindEpsSection(postScript_);
    structure_ = SinglePageStructure(section_.End());
    box_ = FindBoundingBox(postScript_);
    if (!box_) {
        Message("** Bounding box not found for " + DisplayName() +
                ", size = " + std::to_string(section_.End()) + "\n");
    }
    return true;
}

PixelSize CEPSDoc::PageSizePixels(int page, int dpi) const {
    if (!box_ || !box_->Usable()) {
        return CBaseDoc::PageSizePixels(page, dpi);
    }
    const int64_t w = (int64_t{box_->urx} - box_->llx) * dpi / 72;
    const int64_t h = (int64_t{box_->ury} - box_->lly) * dpi / 72;
    return PixelSize{static_cast<int32_t>(std::min<int64_t>(w, INT32_MAX)),
                     static_cast<int32_t>(std::min<int64_t>(h, INT32_MAX))};
}

bool CEPSDoc::WritePages(const std::vector<int>&, int, const PageWriter& writer, bool) {
    bool ok = true;
    if (box_ && box_->Usable()) {
        char move[64];
        std::snprintf(move, sizeof move, "%lld %lld translate", -static_cast<long long>(box_->llx),
                      -static_cast<long long>(box_->lly));
        ok = writer(move);
    }
    ok = ok && writer(kInclusionProlog);
    ok = ok && CopyEpsPostScript(postScript_, writer);
    ok = ok && writer(kInclusionEpilog);
    return ok && writer("\nshowpage\n");
}

std::unique_ptr<CBaseDoc> OpenPostScriptDocument(const std::string& path, const Settings& settings,
                                                 OutputSink* out) {
    std::unique_ptr<CBaseDoc> doc;
    if (Lower(ExtensionOf(path)) == "eps") {
        doc = std::make_unique<CEPSDoc>(settings, out);
    } else {
        doc = std::make_unique<CPostscriptDoc>(settings, out);
    }
    if (!doc->Open(path)) {
        return nullptr;
    }
    return doc;
}

}  // namespace quirn

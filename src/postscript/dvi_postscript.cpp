#include "postscript/dvi_postscript.h"

#include <cstdio>

#include "dvi/interpret_page.h"
#include "platform/output_sink.h"

namespace quirn {

namespace {

constexpr std::size_t kPageLineLimit = 4096;
constexpr std::size_t kPositionWindow = 60;
constexpr std::string_view kInclusion = "%%BeginDocument: QUIRNInclusion";
constexpr std::string_view kDefaultPosition = "257 1257 a\n";

std::vector<std::string_view> Tokens(std::string_view text) {
    std::vector<std::string_view> tokens;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = text.find_first_not_of(" ()\t\n", pos);
        if (start == std::string_view::npos) {
            break;
        }
        std::size_t end = text.find_first_of(" ()\t\n", start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        tokens.push_back(text.substr(start, end - start));
        pos = end;
    }
    return tokens;
}

}  // namespace

std::string GraphicPosition(std::string_view postscript, std::size_t lineStart) {
    lineStart = std::min(lineStart, postscript.size());
    const std::size_t from = lineStart > kPositionWindow ? lineStart - kPositionWindow : 0;
    std::string_view before = postscript.substr(from, lineStart - from);
    const std::size_t at = before.find("@beginsp");
    if (at == std::string_view::npos) {
        return {};
    }
    const std::vector<std::string_view> tokens = Tokens(before.substr(0, at));
    if (tokens.size() < 3) {
        return {};
    }
    const std::string t1(tokens[tokens.size() - 3]);
    const std::string t2(tokens[tokens.size() - 2]);
    const char kind = tokens.back()[0];
    if (kind == 'a' || kind == 'y') {
        return t1 + " " + t2 + " a\n";
    }
    if (kind == 'x') {
        return t2 + " x\n";
    }
    if (kind == 'w' || (kind >= 'l' && kind <= 't')) {
        return t2 + " w\n";
    }
    return {};
}

DviPostScriptDoc::DviPostScriptDoc(CDVIDoc& doc, OutputSink* out, SpecialLibrary* library)
    : CBaseDoc(doc.Context().CurrentSettings(), out),
      dvi_(doc),
      library_(library),
      setup_(DvipsSetupFor(doc)) {
    if (library_ == nullptr) {
        ownLibrary_ =
            std::make_unique<GraphicsSpecialLibrary>(setup_.installDir, &doc.Context().Temporary());
        ownLibrary_->SetConsole(out);
        library_ = ownLibrary_.get();
    }
}

bool DviPostScriptDoc::Open(const std::string& path) {
    path_ = path;
    return true;
}

bool DviPostScriptDoc::Reopen() {
    tried_ = false;
    file_.Remove();
    postScript_.clear();
    structure_ = DscStructure{};
    return true;
}

bool DviPostScriptDoc::MakePostScript() {
    if (!tried_) {
        tried_ = true;
        path_ = dvi_.Path();
        dvips_ = RunDvips(dvi_, "", true, setup_);
        file_ = TempFile(dvips_.path);
        if (file_.Ok() && !LoadPostScript(file_.Path())) {
            file_.Remove();
        }
    }
    return file_.Ok();
}

bool DviPostScriptDoc::WritePages(const std::vector<int>& pages, int dpi, const PageWriter& writer,
                                  bool graphicsOnly) {
    if (!MakePostScript() || !ScanDSC()) {
        return false;
    }
    const std::vector<PageExtent>& table = structure_.pages;
    bool ok = CopyBytes(structure_.prologStart, table.front().begin, writer);
    for (int page : pages) {
        if (!ok || page < 0 || page >= static_cast<int>(table.size())) {
            continue;
        }
        const PageExtent& extent = table[static_cast<std::size_t>(page)];
        library_->SetInsertionMode(1);
        ok = CopyPage(writer, extent.begin, extent.end, dpi, graphicsOnly);
        library_->SetInsertionMode(0);
    }
    return ok && CopyBytes(table.back().end, structure_.fileEnd, writer);
}

bool DviPostScriptDoc::CopyPage(const PageWriter& writer, int64_t begin, int64_t end, int dpi,
                                bool graphicsOnly) {
    const std::string_view all = postScript_;
    const auto from = static_cast<std::size_t>(std::clamp<int64_t>(begin, 0, all.size()));
    const auto to = static_cast<std::size_t>(std::clamp<int64_t>(end, begin, all.size()));
    const std::string_view page = all.substr(0, to);

    // Graphics-only copying needs every graphic's place (and, for pages drawn on
    // screen, graphics bracketed for Quirn).
    if (graphicsOnly) {
        for (std::size_t pos = from; pos < to;) {
            const std::string_view line = NextLine(page, pos, kPageLineLimit, false);
            if (line.starts_with(kInclusion)
                    ? GraphicPosition(all, pos).empty()
                    : foreignWhole_ && line.starts_with("%%BeginDocument")) {
                graphicsOnly = false;
                break;
            }
            pos += line.size();
        }
    }

    NullSink none;
    OutputSink& out = out_ != nullptr ? *out_ : none;
    const SpecialOutputFunction special = [&writer](const char* text, int length) {
        const std::string_view piece =
            length < 0 ? std::string_view(text) : std::string_view(text, length);
        return writer(piece) ? 1 : 0;
    };
    bool ok = true;
    bool copying = true;
    int depth = 0;
    for (std::size_t pos = from; pos < to && ok;) {
        const std::string_view line = NextLine(page, pos, kPageLineLimit, false);
        const std::size_t lineStart = pos;
        pos += line.size();
        if (!line.starts_with("%%")) {
            ok = !copying || writer(line);
            continue;
        }
        if (ConvertExcludedSpecial(dvi_, line, special, dpi, *library_, out)) {
            continue;
        }
        if (!graphicsOnly) {
            continue;  // DSC comments inside pages are not copied
        }
        if (depth == 0 && line.starts_with("%%Page: ")) {
            copying = false;
            int first = 0;
            int second = 0;
            const std::string text(line);
            if (std::sscanf(text.c_str(), "%%%%Page: %d %d", &first, &second) == 2) {
                char bop[64];
                std::snprintf(bop, sizeof bop, "%d %d bop\n", first, second - 1);
                ok = writer(line) && writer(bop);
            }
        } else if (line.starts_with(kInclusion)) {
            std::string position = GraphicPosition(all, lineStart);
            if (position.empty()) {
                position = kDefaultPosition;
            }
            ok = writer(position) && writer("@beginspecial @setspecial\n") && writer(line);
            copying = true;
            ++depth;
        } else if (line.starts_with("%%EndDocument")) {
            ok = writer(line) && writer("\n") && writer("@endspecial\n");
            copying = false;
            if (depth == 0) {
                out.AppendOutput("Stack underflow scanning PS graphics\n");
            } else {
                --depth;
            }
        } else if (copying) {
            ok = writer(line);
        }
    }
    if (ok && !copying) {
        ok = writer("eop\n");
    }
    return ok;
}

}  // namespace quirn

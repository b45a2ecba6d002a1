// Forward search accuracy: from random source lines of a document typeset with source
// specials, the page view's forward search (CDVIDoc::ForwardSearch and RefineSourcePlace,
// then PageView::ShowSourcePosition and the line's mark) must mark a box that holds text of
// that line. A line's text is one of its words of at least six letters (the benchmark
// document is made of pseudo-random words, so such a word stands nowhere else); the
// box holds it when the letters of the glyphs inside the box, in reading order,
// contain it. Limit: 95 % of the lines.
//
// usage: bench_forward_search DOC.dvi DOC.tex [LINES] [SEED]     (defaults: 500, 1)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/data_roots.h"
#include "dvi/dvi_context.h"
#include "dvi/dvi_doc.h"
#include "dvi/source_refine.h"
#include "platform/output_sink.h"
#include "view/dvi_page_source.h"
#include "view/page_view.h"

namespace {

using namespace quirn;

class BenchHost : public PageViewHost {
  public:
    int ClientWidth() const override { return 900; }
    int ClientHeight() const override { return 1000; }
    void SetScrollExtent(const ScrollExtent&) override {}
    void ScrollTo(int, int) override {}
    void Repaint(const CanvasRect&) override {}
    void RepaintAll() override {}
    void StartGraphicsTimer() override {}
    void StopGraphicsTimer() override {}
    bool AskText(const std::string&, const std::string&, std::string&) override { return false; }
    void SetStatusText(StatusField, const std::string&) override {}
    void Beep() override {}
};

// The words of at least six letters of a source line outside comments, control words
// and environment names.
std::vector<std::string> LongWords(std::string line) {
    for (const char* command : {"\\begin{", "\\end{"}) {
        for (std::size_t at = line.find(command); at != std::string::npos;
             at = line.find(command)) {
            const std::size_t close = line.find('}', at);
            line.erase(at, close == std::string::npos ? std::string::npos : close + 1 - at);
        }
    }
    std::vector<std::string> words;
    std::string word;
    bool control = false;
    for (std::size_t i = 0; i <= line.size(); ++i) {
        const char c = i < line.size() ? line[i] : ' ';
        if (c == '%')
            break;
        if (std::isalpha(static_cast<unsigned char>(c))) {
            word += c;
            continue;
        }
        if (!control && word.size() >= 6)
            words.push_back(word);
        word.clear();
        control = c == '\\';
    }
    return words;
}

// The letters of the page's glyphs inside `box` (pixels at `dpi` from the paper's
// corner), line by line from the top, left to right.
std::string LettersIn(const CDVIDoc& doc, int page, const CanvasRect& box, int dpi) {
    const PageContent& content = doc.pages[static_cast<std::size_t>(page)].plain;
    // DVI units to pixels: num/den tenths of a micrometre, magnified, 254000 an inch.
    const double scale = static_cast<double>(doc.num) / doc.den * doc.mag / 1000.0 / 254000.0 * dpi;
    std::vector<std::pair<std::pair<int, int>, char>> inside;
    for (const GlyphPlacement& g : content.glyphs) {
        const int x = static_cast<int>(g.h * scale);
        const int y = static_cast<int>(g.v * scale);
        if (x >= box.left && x < box.right && y >= box.top && y < box.bottom && g.code < 128 &&
            std::isalpha(static_cast<int>(g.code)))
            inside.push_back({{y, x}, static_cast<char>(g.code)});
    }
    std::sort(inside.begin(), inside.end());
    std::string letters;
    for (const auto& item : inside)
        letters += item.second;
    return letters;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_forward_search DOC.dvi DOC.tex [LINES] [SEED]\n");
        return 2;
    }
    const int wanted = argc > 3 ? std::max(1, std::atoi(argv[3])) : 500;
    const unsigned seed = argc > 4 ? static_cast<unsigned>(std::atoi(argv[4])) : 1u;
    StreamSink sink(stderr);
    DviContext context(FindInstallDir(), &sink, nullptr);
    auto find = [&context](const std::string& name, bool allowInstall) {
        return context.fileSearch.FindFile(name, allowInstall);
    };
    context.fontMap.LoadFontMap({"psfonts.map"}, find, &sink, false);
    CDVIDoc doc(context);
    if (!doc.OpenDocument(argv[1]))
        return 1;
    std::ifstream in(argv[2]);
    std::vector<std::string> lines;
    std::string text;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
        text += line + "\n";
    }
    // The candidates: body lines that hold a long word.
    std::vector<int> candidates;
    bool body = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].find("\\begin{document}") != std::string::npos)
            body = true;
        if (body && !LongWords(lines[i]).empty())
            candidates.push_back(static_cast<int>(i) + 1);
    }
    if (candidates.empty()) {
        std::fprintf(stderr, "no text lines in %s\n", argv[2]);
        return 1;
    }
    DviPageSource source(doc);
    BenchHost host;
    Settings settings;
    PageView view(source, host, settings, 96);
    view.SetResolution(100);
    std::mt19937 random(seed);
    std::uniform_int_distribution<std::size_t> pick(0, candidates.size() - 1);
    int hits = 0, found = 0;
    std::string misses;
    for (int n = 0; n < wanted; ++n) {
        const int line = candidates[pick(random)];
        int page = -1, x = 0, y = 0;
        if (!doc.ForwardSearch(argv[2], static_cast<uint32_t>(line), view.Resolution(), page, x,
                               y)) {
            misses += " " + std::to_string(line) + "(none)";
            continue;
        }
        RefineSourcePlace(doc, text, static_cast<uint32_t>(line), view.Resolution(), page, x, y);
        ++found;
        view.ShowSourcePosition(page, x, y);
        const std::string letters =
            LettersIn(doc, view.SourceMarkPage(), view.SourceMark(), view.Resolution());
        bool hit = false;
        for (const std::string& word : LongWords(lines[static_cast<std::size_t>(line) - 1]))
            hit = hit || letters.find(word) != std::string::npos;
        if (hit) {
            ++hits;
        } else if (misses.size() < 400) {
            misses += " " + std::to_string(line);
        }
    }
    const double share = 100.0 * hits / wanted;
    std::printf("lines: %d (%zu text lines in the source), found: %d\n", wanted, candidates.size(),
                found);
    std::printf("mark holds text of the line: %d = %.1f %% (limit 95 %%) %s\n", hits, share,
                share >= 95 ? "ok" : "TOO LOW");
    if (!misses.empty())
        std::printf("missed lines:%s\n", misses.c_str());
    return share >= 95 ? 0 : 1;
}

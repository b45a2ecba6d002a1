#include "dvi/synctex_links.h"

#include <synctex/synctex_parser.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>

#include "platform/paths.h"

// TeX Live's SyncTeX reader keeps the read buffer of a scanner it has parsed after the
// scanner is freed; leak checks of sanitizer builds leave that allocation alone. (This
// file is linked into every program that reads SyncTeX files.)
extern "C" const char* __lsan_default_suppressions() {
    return "leak:synctex_scanner_new_with_output_file\n";
}

namespace quirn {

namespace fs = std::filesystem;

namespace {

// How many lines above and below the SyncTeX line a clicked word is looked for (a
// footnote's words may be placed by SyncTeX at the paragraph's first line).
constexpr int kNearbyLines = 10;

bool IsWordByte(unsigned char c) {
    return std::isalnum(c) || c >= 0x80;
}

// The source's lines (without line ends), read once per file.
const std::vector<std::string>* LinesOf(std::map<std::string, std::vector<std::string>>& cache,
                                        const std::string& file) {
    auto found = cache.find(file);
    if (found != cache.end())
        return &found->second;
    std::vector<std::string>& lines = cache[file];
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
    }
    return &lines;
}

}  // namespace

std::string SourceFormOfWord(const std::string& typeset) {
    // The ligature characters a text layer may give (U+FB00..U+FB04).
    static const char* const kLigatures[] = {"ff", "fi", "fl", "ffi", "ffl"};
    std::string word;
    for (size_t i = 0; i < typeset.size(); ++i) {
        const auto c = static_cast<unsigned char>(typeset[i]);
        if (c == 0xEF && i + 2 < typeset.size() &&
            static_cast<unsigned char>(typeset[i + 1]) == 0xAC &&
            static_cast<unsigned char>(typeset[i + 2]) <= 0x84) {
            word += kLigatures[static_cast<unsigned char>(typeset[i + 2]) - 0x80];
            i += 2;
        } else {
            word += typeset[i];
        }
    }
    size_t first = 0;
    while (first < word.size() && !IsWordByte(static_cast<unsigned char>(word[first])))
        ++first;
    size_t last = word.size();
    while (last > first && !IsWordByte(static_cast<unsigned char>(word[last - 1])))
        --last;
    return word.substr(first, last - first);
}

std::vector<size_t> WordOccurrences(const std::string& line, const std::string& word) {
    std::vector<size_t> at;
    if (word.empty())
        return at;
    for (size_t pos = line.find(word); pos != std::string::npos; pos = line.find(word, pos + 1)) {
        // A word starts where no letter comes before; a backslash before it makes it a
        // command name, not text.
        if (pos > 0 &&
            (IsWordByte(static_cast<unsigned char>(line[pos - 1])) || line[pos - 1] == '\\'))
            continue;
        at.push_back(pos);
    }
    return at;
}

struct SyncTexLinks::Impl {
    synctex_scanner_p scanner = nullptr;
    std::string folder;  // the output's folder, for relative input names
    std::map<std::string, std::vector<std::string>> lines;

    ~Impl() {
        if (scanner)
            synctex_scanner_free(scanner);
    }

    std::string InputPath(const char* name) const {
        if (!name)
            return {};
        return fs::path(AbsolutePath(name, folder)).lexically_normal().string();
    }
};

SyncTexLinks::SyncTexLinks(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
SyncTexLinks::~SyncTexLinks() = default;

std::unique_ptr<SyncTexLinks> SyncTexLinks::Open(const std::string& output) {
    const std::string base = StripExtension(output);
    if (!RegularFileExists(base + ".synctex.gz") && !RegularFileExists(base + ".synctex"))
        return nullptr;
    auto impl = std::make_unique<Impl>();
    impl->scanner = synctex_scanner_new_with_output_file(output.c_str(), nullptr, 1);
    if (!impl->scanner)
        return nullptr;
    impl->folder = DirectoryOf(AbsolutePath(output, StartFolder()));
    return std::unique_ptr<SyncTexLinks>(new SyncTexLinks(std::move(impl)));
}

std::optional<SyncTexPlace> SyncTexLinks::Inverse(int page, double x, double y) {
    if (synctex_edit_query(impl_->scanner, page + 1, static_cast<float>(x),
                           static_cast<float>(y)) <= 0)
        return std::nullopt;
    synctex_node_p node = synctex_scanner_next_result(impl_->scanner);
    if (!node)
        return std::nullopt;
    SyncTexPlace place;
    place.file = impl_->InputPath(synctex_scanner_get_name(impl_->scanner, synctex_node_tag(node)));
    place.line = synctex_node_line(node);
    if (place.file.empty() || place.line < 1)
        return std::nullopt;
    return place;
}

std::optional<SyncTexPlace> SyncTexLinks::InverseToWord(int page, double x, double y,
                                                        const std::vector<TypesetWord>& words) {
    // The word under the point, else the nearest one on the same text line.
    int hit = -1;
    double best = 0;
    for (size_t i = 0; i < words.size(); ++i) {
        const TypesetWord& w = words[i];
        if (w.Contains(x, y)) {
            hit = static_cast<int>(i);
            break;
        }
        if (y < w.top || y > w.bottom)
            continue;
        const double d = x < w.left ? w.left - x : x - w.right;
        if (d < 6 && (hit < 0 || d < best)) {
            hit = static_cast<int>(i);
            best = d;
        }
    }
    if (hit < 0)
        return Inverse(page, x, y);
    const TypesetWord& word = words[static_cast<size_t>(hit)];
    const auto centreOf = [](const TypesetWord& w) {
        return std::pair{(w.left + w.right) / 2, (w.top + w.bottom) / 2};
    };
    auto [cx, cy] = centreOf(word);
    std::optional<SyncTexPlace> place = Inverse(page, cx, cy);
    if (!place)
        return Inverse(page, x, y);
    const std::string text = SourceFormOfWord(word.text);
    const std::vector<std::string>* lines = LinesOf(impl_->lines, place->file);
    if (text.empty() || lines->empty())
        return place;

    // The line itself first, then the lines around it, nearest first.
    std::vector<size_t> at;
    int line = place->line;
    for (int step = 0; step <= 2 * kNearbyLines && at.empty(); ++step) {
        const int offset = (step + 1) / 2 * (step % 2 == 1 ? -1 : 1);
        const int candidate = place->line + offset;
        if (candidate < 1 || candidate > static_cast<int>(lines->size()))
            continue;
        at = WordOccurrences((*lines)[static_cast<size_t>(candidate - 1)], text);
        line = candidate;
    }
    if (at.empty())
        return place;
    // Which of the line's occurrences: as many as there are equal words before this
    // one on the page that come from the same line.
    size_t before = 0;
    for (int i = 0; i < hit && at.size() > 1; ++i) {
        const TypesetWord& other = words[static_cast<size_t>(i)];
        if (SourceFormOfWord(other.text) != text)
            continue;
        auto [ox, oy] = centreOf(other);
        std::optional<SyncTexPlace> from = Inverse(page, ox, oy);
        if (from && from->file == place->file && from->line == line)
            ++before;
    }
    place->line = line;
    place->column = static_cast<int>(at[std::min(before, at.size() - 1)]) + 1;
    return place;
}

std::vector<SyncTexBox> SyncTexLinks::Forward(const std::string& source, int line) {
    std::vector<SyncTexBox> boxes;
    if (synctex_display_query(impl_->scanner, source.c_str(), line, 0, 0) <= 0)
        return boxes;
    while (synctex_node_p node = synctex_scanner_next_result(impl_->scanner)) {
        const int page = synctex_node_page(node) - 1;
        if (!boxes.empty() && page != boxes.front().page)
            continue;
        const double left = synctex_node_box_visible_h(node);
        const double base = synctex_node_box_visible_v(node);
        boxes.push_back(SyncTexBox{page, left, base - synctex_node_box_visible_height(node),
                                   left + synctex_node_box_visible_width(node),
                                   base + synctex_node_box_visible_depth(node), base});
    }
    return boxes;
}

}  // namespace quirn

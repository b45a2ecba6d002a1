#include "dvi/specials.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

#include "platform/output_sink.h"
#include "platform/paths.h"

namespace quirn {

namespace {

std::string Lower(std::string_view text) {
    std::string s(text);
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    if (from.empty()) {
        return;
    }
    for (size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

}  // namespace

bool ProcessSpecial(std::string_view text, ColorState& colours, OutputSink& out) {
    if (text.starts_with("src:")) {
        return true;
    }
    if (text.starts_with("color")) {
        return ProcessColorSpecial(text, colours, out);
    }
    // papersize and html: specials, and every other special, are kept without effect.
    return true;
}

bool IsGraphicsSpecial(std::string_view text) {
    const size_t sep = text.find_first_of(":\"");
    if (sep == std::string_view::npos) {
        return false;
    }
    const std::string head = Lower(text.substr(0, sep));
    return head == "psfile=" || head == "bmp" || head == "wmf" || head == "eps";
}

bool IsGraphicsExtension(std::string_view fileName) {
    const size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos) {
        return false;
    }
    const std::string ext = Lower(fileName.substr(dot + 1));
    static const char* const kAccepted[] = {"bmp", "jpg", "jpeg", "wmf", "emf", "ps",
                                            "eps", "pdf", "tif",  "gif", "png"};
    return std::any_of(std::begin(kAccepted), std::end(kAccepted),
                       [&ext](const char* e) { return ext == e; });
}

bool ResolveGraphicsSpecial(std::string& text, const GraphicsSearch& search, OutputSink& out) {
    if (text.starts_with("src:")) {
        return true;
    }
    const size_t sep = text.find_first_of(":\"");
    if (sep == std::string::npos || !IsGraphicsSpecial(text)) {
        return true;
    }
    const char separator = text[sep];
    if (separator == ':') {
        text[sep] = ' ';
    }
    // The name runs to the closing quote, or for bmp:name to the first blank.
    const size_t start = sep + 1;
    const size_t end = separator == '"' ? text.find('"', start) : text.find(' ', start);
    std::string name =
        text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) {
        name.pop_back();
    }
    if (!IsGraphicsExtension(name)) {
        return false;
    }

    std::string found;
    if (!IsAbsolute(name) && !search.figurePath.empty()) {
        std::vector<std::string> dirs = search.figurePath;
        dirs.insert(dirs.end(), search.extraTexInputPath.begin(), search.extraTexInputPath.end());
        for (const std::string& dir : dirs) {
            if (RegularFileExists(AbsolutePath(JoinPath(dir, name), search.baseDir))) {
                found = JoinPath(dir, name);
                std::replace(found.begin(), found.end(), '\\', '/');
                ReplaceAll(text, name, found);
                break;
            }
        }
    }
    if (RegularFileExists(AbsolutePath(found.empty() ? name : found, search.baseDir))) {
        return true;
    }
    out.AppendOutput("Cannot find file: " + name + "\n");
    return false;
}

namespace {

// One dimension of a papersize special in inches: a number, then a unit that may carry
// "true" before it; nothing for anything else.
std::optional<double> PaperDimensionInches(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || !std::isfinite(value)) {
        return std::nullopt;
    }
    std::string_view unit = text.substr(static_cast<size_t>(end - text.data()));
    while (!unit.empty() && unit.front() == ' ') {
        unit.remove_prefix(1);
    }
    if (unit.starts_with("true")) {
        unit.remove_prefix(4);
    }
    struct Unit {
        std::string_view name;
        double perInch;
    };
    static constexpr Unit kUnits[] = {
        {"in", 1.0},
        {"cm", 2.54},
        {"mm", 25.4},
        {"pt", 72.27},
        {"bp", 72.0},
        {"pc", 72.27 / 12.0},
        {"dd", 72.27 * 1157.0 / 1238.0},
        {"cc", 72.27 * 1157.0 / 1238.0 / 12.0},
        {"sp", 72.27 * 65536.0},
    };
    for (const Unit& u : kUnits) {
        if (unit == u.name) {
            return value / u.perInch;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<PaperSize> ParsePaperSizeSpecial(std::string_view text) {
    constexpr std::string_view kWord = "papersize";
    if (!text.starts_with(kWord) || text.size() == kWord.size() ||
        (text[kWord.size()] != '=' && text[kWord.size()] != ' ')) {
        return std::nullopt;
    }
    text.remove_prefix(kWord.size() + 1);
    const size_t comma = text.find(',');
    if (comma == std::string_view::npos) {
        return std::nullopt;
    }
    const std::optional<double> width = PaperDimensionInches(text.substr(0, comma));
    const std::optional<double> height = PaperDimensionInches(text.substr(comma + 1));
    // Sizes beyond 2000 inches are taken as damage, not paper.
    constexpr double kLargest = 2000.0;
    if (!width || !height || !(*width > 0) || !(*height > 0) || *width > kLargest ||
        *height > kLargest) {
        return std::nullopt;
    }
    return PaperSize{static_cast<int32_t>(std::lround(*width * 1000.0)),
                     static_cast<int32_t>(std::lround(*height * 1000.0))};
}

std::string HeaderSpecialFile(std::string_view text) {
    constexpr std::string_view kHeader = "header=";
    if (!text.starts_with(kHeader)) {
        return {};
    }
    text.remove_prefix(kHeader.size());
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    text.remove_prefix(first);
    return std::string(text.substr(0, text.find_first_of(" \t\n")));
}

PageKind ClassifyPageSpecials(const std::vector<SpecialRecord>& specials,
                              const std::function<bool(const std::string& name)>& ownPrologue) {
    PageKind kind = kPageKindPlain;
    for (const SpecialRecord& s : specials) {
        const std::string_view text = s.text;
        if (text.starts_with("src:") || text.starts_with("color") || text.starts_with("html:") ||
            text.starts_with("papersize")) {
            continue;
        }
        if (ownPrologue) {
            const std::string header = HeaderSpecialFile(text);
            if (!header.empty() && ownPrologue(header)) {
                continue;
            }
        }
        if (kind < kPageKindPostScript && IsGraphicsSpecial(text)) {
            kind = kPageKindGraphics;
        } else {
            kind = kPageKindPostScript;
        }
    }
    return kind;
}

bool ConvertExcludedSpecial(std::string_view line, const SpecialOutputFunction& output,
                            int resolution, int32_t magnification, const GraphicsSearch& search,
                            SpecialLibrary& library, OutputSink& out) {
    if (!line.starts_with(kExcludedSpecialPrefix)) {
        return false;
    }
    std::string text(line.substr(kExcludedSpecialPrefix.size()));
    if (!ResolveGraphicsSpecial(text, search, out)) {
        return true;  // the graphic is left out, and so is the line
    }
    SpecialRequest request;
    request.text = text.c_str();
    request.deviceContext = 0;
    request.output = [&output](const char* piece, int length) {
        output(piece, length);
        return 1;
    };
    request.resolution = resolution;
    request.reserved = 0;
    request.magnification = magnification;
    library.DoTLVSpecial(&request);
    return true;
}

}  // namespace quirn

#include "dvi/source_links.h"

#include <strings.h>

#include <cfloat>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <string>
#include <system_error>

#include "dvi/dvi_doc.h"
#include "dvi/fonts/dvi_math.h"
#include "dvi/interpret_page.h"
#include "platform/paths.h"

namespace quirn {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSourcePrefix = "src:";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// A double truncated to an unsigned 32-bit value the way a 64-bit conversion keeps
// its low half: negative and huge lines wrap instead of being undefined.
uint32_t TruncToUint32(double value) {
    if (!std::isfinite(value) || std::fabs(value) >= 9.2e18)
        return 0;
    return static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(value)));
}

// Differences of two 32-bit coordinates as 32-bit values (wrapping like the
// processor's subtraction), widened afterwards.
double Difference(int32_t a, int32_t b) {
    return static_cast<double>(
        static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b)));
}

}  // namespace

std::optional<SourcePosition> ParseSourceSpecial(std::string_view text) {
    if (text.substr(0, kSourcePrefix.size()) != kSourcePrefix)
        return std::nullopt;
    // The number is read the same whatever the locale: digits, a point, an exponent.
    const std::string_view rest = text.substr(kSourcePrefix.size());
    double number = 0;
    auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), number);
    if (end == rest.data() || (ec != std::errc() && ec != std::errc::result_out_of_range))
        return std::nullopt;
    size_t at = static_cast<size_t>(end - rest.data());
    if (at < rest.size() && IsBlank(rest[at]))
        ++at;
    return SourcePosition{std::string(rest.substr(at)), TruncToUint32(number)};
}

double SourceSpecialDistance(int32_t h, int32_t v, const SpecialRecord& special) {
    if (special.text.compare(0, kSourcePrefix.size(), kSourcePrefix) != 0)
        return DBL_MAX;
    const double dh = Difference(h, special.h);
    const double dv = Difference(v, special.v);
    return dh * dh + 2.0 * dv * dv;
}

namespace {

// A source special's file as a full path: a relative name is read against the DVI
// file's folder, where the engine ran.
std::string ResolvedSourceFile(const std::string& file, const std::string& dviFolder) {
    return fs::path(IsAbsolute(file) ? file : JoinPath(dviFolder, file))
        .lexically_normal()
        .string();
}

// The forward search's walk over the pages: the last source special of a line at or
// before `line` among the specials `matches` accepts (given the resolved file).
template <typename Matches>
bool FindSourcePlace(CDVIDoc& doc, const Matches& matches, uint32_t line, int resolution, int& page,
                     int& x, int& y) {
    const std::string dviFolder =
        fs::path(AbsolutePath(DirectoryOf(doc.Path()), StartFolder())).lexically_normal().string();
    const double factor = PixelsPerDviUnit(doc, resolution);
    const int count = doc.GetPageCount();
    int limit = count;
    bool stopArmed = false;
    page = -1;
    for (int p = 0; p < limit; ++p) {
        const PageContent* content = GetPageContent(doc, p, false);
        if (content == nullptr)
            continue;
        for (const SpecialRecord& special : content->specials) {
            std::optional<SourcePosition> source = ParseSourceSpecial(special.text);
            if (!source || !matches(*source, ResolvedSourceFile(source->file, dviFolder)))
                continue;
            if (source->line <= line) {
                const int32_t px = TruncToInt32(special.h * factor);
                const int32_t py = TruncToInt32(special.v * factor);
                if (px == INT32_MIN || py == INT32_MIN)
                    continue;  // no pixel place at this resolution (a wild magnification)
                page = p;
                x = px;
                y = py;
                if (source->line == line)
                    return true;
            } else if (page != -1 && !stopArmed) {
                // A later line: the place is on this page or the next one at most.
                stopArmed = true;
                if (p + 2 <= count)
                    limit = p + 2;
            }
        }
    }
    return page != -1;
}

}  // namespace

bool CDVIDoc::ForwardSearch(const std::string& sourcePath, uint32_t line, int resolution, int& page,
                            int& x, int& y) {
    // The editor's file and the specials' files are compared as full paths. Only when
    // none of them is the editor's file (the document was typeset elsewhere and moved)
    // does a special with the same bare name count, and only when all such specials
    // name one and the same file.
    const std::string editorFile =
        fs::path(AbsolutePath(sourcePath, StartFolder())).lexically_normal().string();
    const std::string name = FileNameOf(editorFile);
    std::string sameName;
    bool ambiguous = false;
    const auto samePath = [&](const SourcePosition&, const std::string& resolved) {
        if (resolved == editorFile)
            return true;
        if (strcasecmp(FileNameOf(resolved).c_str(), name.c_str()) == 0) {
            if (sameName.empty())
                sameName = resolved;
            else if (sameName != resolved)
                ambiguous = true;
        }
        return false;
    };
    if (FindSourcePlace(*this, samePath, line, resolution, page, x, y))
        return true;
    if (sameName.empty() || ambiguous)
        return false;
    const auto sameFile = [&sameName](const SourcePosition&, const std::string& resolved) {
        return resolved == sameName;
    };
    return FindSourcePlace(*this, sameFile, line, resolution, page, x, y);
}

std::string CDVIDoc::InverseSearch(int page, int resolution, int x, int y) {
    const PageContent* content = GetPageContent(*this, page, false);
    const double factor = PixelsPerDviUnit(*this, resolution);
    if (content == nullptr || content->specials.empty() || factor <= 0)
        return {};
    const int32_t h = TruncToInt32(x / factor);
    const int32_t v = TruncToInt32(y / factor);
    const SpecialRecord* nearest = &content->specials.front();
    double nearestDistance = SourceSpecialDistance(h, v, *nearest);
    for (const SpecialRecord& special : content->specials) {
        double distance = SourceSpecialDistance(h, v, special);
        if (distance < nearestDistance) {
            nearest = &special;
            nearestDistance = distance;
        }
    }
    if (!ParseSourceSpecial(nearest->text))
        return {};
    return nearest->text;
}

std::optional<SourcePosition> SourceForPoint(CDVIDoc& doc, int page, int resolution, int x, int y) {
    std::optional<SourcePosition> source =
        ParseSourceSpecial(doc.InverseSearch(page, resolution, x, y));
    if (!source)
        return std::nullopt;
    if (!IsAbsolute(source->file)) {
        const std::string dir = AbsolutePath(DirectoryOf(doc.Path()), StartFolder());
        source->file = fs::path(JoinPath(dir, source->file)).lexically_normal().string();
    }
    return source;
}

}  // namespace quirn

// quirn-cli tfm NAME [--scaled S --design D]: the metrics the previewer takes from a
// TFM file, one line "CODE WIDTH HEIGHT DEPTH" per code of the font's range, in DVI
// units at scaled size S and design size D (both in 2^-16 pt; default: the TFM's own
// design size). NAME is a font name looked up through the file search, or a path to a
// .tfm file.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app/data_roots.h"
#include "cli/commands.h"
#include "dvi/fonts/byte_reader.h"
#include "dvi/fonts/file_search.h"
#include "dvi/fonts/tfm.h"
#include "platform/paths.h"

namespace quirn::cli {
namespace {

bool ParseInt32(const std::string& text, int32_t& value) {
    char* end = nullptr;
    long long n = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || n < INT32_MIN || n > INT32_MAX) {
        return false;
    }
    value = static_cast<int32_t>(n);
    return true;
}

int Tfm(const std::vector<std::string>& args) {
    if (args.empty()) {
        return WrongUsage("tfm");
    }
    std::optional<int32_t> scaled, design;
    // Options come in pairs: a name and its value.
    for (std::size_t i = 1; i < args.size(); i += 2) {
        int32_t value = 0;
        if (i + 1 >= args.size() || !ParseInt32(args[i + 1], value) ||
            (args[i] != "--scaled" && args[i] != "--design")) {
            return WrongUsage("tfm");
        }
        (args[i] == "--scaled" ? scaled : design) = value;
    }

    const std::string& name = args[0];
    std::string path;
    if (name.find('/') != std::string::npos) {
        path = AbsolutePath(name, StartFolder());
    }
    if (!RegularFileExists(path)) {
        FileSearch search(FindInstallDir());
        path = search.FindFile(name + ".tfm", false);
    }
    std::optional<std::vector<uint8_t>> bytes;
    if (!path.empty()) {
        bytes = ReadFileBytes(path);
    }
    std::optional<TfmHeader> header;
    if (bytes) {
        header = ReadTfmHeader(*bytes);
    }
    if (!header) {
        std::fprintf(stderr, "Bad or missing TFM file %s\n", name.c_str());
        return 1;
    }

    // The design size in 2^-16 pt (the TFM gives points times 2^20).
    const int32_t ownDesign = header->designSize / 16;
    DviFont font;
    font.name = name;
    font.s = scaled.value_or(design.value_or(ownDesign));
    font.d = design.value_or(ownDesign);
    if (!LoadMetricsFromBytes(font, *bytes)) {
        std::fprintf(stderr, "Bad or missing TFM file %s\n", name.c_str());
        return 1;
    }
    for (int code = header->bc; code <= header->ec; ++code) {
        const CharMetrics& m = font.metrics[static_cast<std::size_t>(code)];
        std::printf("%d %" PRId32 " %" PRId32 " %" PRId32 "\n", code, m.width, m.height, m.depth);
    }
    return 0;
}

}  // namespace

QUIRN_CLI_COMMAND(
    "tfm", "NAME [--scaled S --design D]", "the metrics the previewer takes from a TFM file",
    "Prints the metrics the previewer takes from a TFM file, one line\n"
    "  CODE WIDTH HEIGHT DEPTH\n"
    "per character code of the font's range, in DVI units at scaled size S and design\n"
    "size D (both in 2^-16 pt; default: the TFM file's own design size). NAME is a\n"
    "font name looked up through the file search, or the path of a TFM file (a name\n"
    "with a \"/\"). Exit status 1 for a missing or damaged TFM file.\n",
    Tfm);

}  // namespace quirn::cli

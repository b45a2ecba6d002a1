// kpathsearch: Quirn's file-search helper. It stays alive and answers questions on
// standard input, one line each, so that the TeX trees' file-name databases are read
// only once per session:
//
//   find NAME      ->  "OK " followed by the full path, or "NOTFOUND NAME"
//   pk NAME DPI    ->  "OK DPI PATH" for the PK glyph file of font NAME at DPI dots per
//                      inch (or the nearest size found), or "NOTFOUND NAME"
//   pkfind NAME DPI -> the same, but only among the PK files that exist
//   quit           ->  (ends the program)
//   anything else  ->  "ERROR unknown request"
//
// The kind of file (and with it the search path) is guessed from the extension of
// NAME: ".tfm" is searched on the font metric path, ".vf" on the virtual font path,
// ".pfb" on the Type 1 path, ".sty" on the TeX input path, and so on; a name without
// a known extension is searched as a TeX input file. "find" generates only font
// metrics on the fly: a missing TFM file is made by the metric making script (METAFONT)
// as the engine and the DVI drivers make it; "pk" runs the PK making script (METAFONT in the 300
// dpi mode) when no PK file of the font exists yet, and that script stores its result in the user's
// font cache (VARTEXFONTS / TEXMFVAR of the environment).
//
// The answer stream must stay clean: when standard error is the same pipe as standard
// output, diagnostics go to the trace file named by KPATHSEA_DEBUG_OUTPUT, or nowhere.
// KPATHSEA_DEBUG turns on the library's search trace.
//
// Options: -progname=NAME (the program name whose path variants are used; default
// "kpathsearch").
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <kpathsea/kpathsea.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>

// The search library keeps some of what it allocates until the process ends, even
// after its instance is finished; leak checks of sanitizer builds leave its
// allocations alone.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libkpathsea\n";
}

namespace {

bool SameFile(int a, int b) {
    struct stat sa {};
    struct stat sb {};
    return ::fstat(a, &sa) == 0 && ::fstat(b, &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// Keeps diagnostics out of the answers: the trace file when one is named, otherwise
// /dev/null when standard error would mix into standard output.
void SeparateDiagnostics() {
    const char* trace = std::getenv("KPATHSEA_DEBUG_OUTPUT");
    int fd = -1;
    if (trace != nullptr && *trace != '\0') {
        fd = ::open(trace, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    }
    if (fd < 0 && SameFile(STDOUT_FILENO, STDERR_FILENO)) {
        fd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    }
    if (fd >= 0) {
        ::dup2(fd, STDERR_FILENO);
        ::close(fd);
    }
}

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// The longest suffix in a format's suffix lists that ends `name`, 0 when none does.
size_t MatchSuffixes(const_string* list, std::string_view name) {
    size_t best = 0;
    for (; list != nullptr && *list != nullptr; ++list) {
        std::string_view suffix(*list);
        if (suffix.size() > best && EndsWith(name, suffix)) {
            best = suffix.size();
        }
    }
    return best;
}

// The format whose suffix (or alternative suffix) ends the name, the longest match
// first, the earlier format on a tie; the TeX input format when nothing matches.
// Font files whose suffix more than one format claims go to their own format first:
// ".vf" is also listed for Omega virtual fonts, whose path ignores VFFONTS, and ".tfm"
// for Omega metrics.
kpse_file_format_type GuessFormat(kpathsea kpse, std::string_view name) {
    struct Preferred {
        std::string_view suffix;
        kpse_file_format_type format;
    };
    static constexpr Preferred kPreferred[] = {{".vf", kpse_vf_format}, {".tfm", kpse_tfm_format}};
    for (const Preferred& preferred : kPreferred) {
        if (EndsWith(name, preferred.suffix)) {
            return preferred.format;
        }
    }
    kpse_file_format_type best = kpse_tex_format;
    size_t bestLength = 0;
    for (int f = 0; f < kpse_last_format; ++f) {
        auto format = static_cast<kpse_file_format_type>(f);
        if (kpse->format_info[format].path == nullptr) {
            kpathsea_init_format(kpse, format);
        }
        size_t length = std::max(MatchSuffixes(kpse->format_info[format].suffix, name),
                                 MatchSuffixes(kpse->format_info[format].alt_suffix, name));
        if (length > bestLength) {
            best = format;
            bestLength = length;
        }
    }
    return best;
}

// The library locates its configuration relative to the program, so it needs the
// program's real path even when it was started by bare name.
std::string OwnPath(const char* argv0) {
    char buffer[4096];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) {
        return argv0;
    }
    return std::string(buffer, static_cast<std::size_t>(n));
}

// Paths found in the current directory come back relative ("./name").
std::string Absolute(std::string path) {
    if (!path.empty() && path[0] != '/') {
        char* cwd = ::getcwd(nullptr, 0);
        if (cwd != nullptr) {
            path = std::string(cwd) + "/" + (path.rfind("./", 0) == 0 ? path.substr(2) : path);
            std::free(cwd);
        }
    }
    return path;
}

std::string Find(kpathsea kpse, const std::string& name) {
    if (name.empty()) {
        return {};
    }
    kpse_file_format_type format = GuessFormat(kpse, name);
    // Asking with "must exist" searches the disk beyond the databases and, for font
    // metrics, runs the making script; other kinds are only looked up.
    char* found = kpathsea_find_file(kpse, name.c_str(), format, format == kpse_tfm_format);
    if (found == nullptr) {
        return {};
    }
    std::string path = found;
    std::free(found);
    return Absolute(path);
}

// The PK file of `font` at `dpi`, made when it does not exist yet; the resolution
// of the file found goes to `foundDpi`.
std::string FindPk(kpathsea kpse, const std::string& font, unsigned dpi, unsigned& foundDpi) {
    kpse_glyph_file_type glyph{};
    char* found = kpathsea_find_glyph(kpse, font.c_str(), dpi, kpse_pk_format, &glyph);
    if (found == nullptr) {
        return {};
    }
    std::string path = found;
    std::free(found);
    foundDpi = glyph.dpi;
    return Absolute(path);
}

// "NAME DPI" of a pk request; false when the request does not have that form.
bool ParsePkRequest(const std::string& text, std::string& font, unsigned& dpi) {
    const size_t space = text.rfind(' ');
    if (space == std::string::npos || space == 0 || space + 1 >= text.size()) {
        return false;
    }
    font = text.substr(0, space);
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str() + space + 1, &end, 10);
    if (end == nullptr || *end != '\0' || value == 0 || value > 20000 ||
        font.find_first_of(" /") != std::string::npos) {
        return false;
    }
    dpi = static_cast<unsigned>(value);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    SeparateDiagnostics();

    std::string progname = "kpathsearch";
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg.starts_with("-progname=")) {
            progname = std::string(arg.substr(10));
        } else if (arg.starts_with("--progname=")) {
            progname = std::string(arg.substr(11));
        }
    }

    // One library instance for the life of the program; finishing it at the end
    // returns the databases it read.
    kpathsea kpse = kpathsea_new();
    if (const char* debug = std::getenv("KPATHSEA_DEBUG"); debug != nullptr) {
        kpse->debug |= static_cast<unsigned>(std::atoi(debug));
    }
    kpathsea_set_program_name(kpse, OwnPath(argv[0]).c_str(), progname.c_str());
    for (int f = 0; f < kpse_last_format; ++f) {
        kpathsea_set_program_enabled(kpse, static_cast<kpse_file_format_type>(f), false,
                                     kpse_src_cmdline);
    }
    // PK files are made on request, with no fallback font: a font that cannot be made
    // is reported, not replaced. METAFONT draws them in the 300 dpi mode magnified to
    // the size asked for, the mode screen previewers use, whose strokes are not
    // thickened for a printer's toner; files made for them are shared.
    kpathsea_set_program_enabled(kpse, kpse_pk_format, true, kpse_src_cmdline);
    // Metrics of fonts with only METAFONT sources (Cyrillic and other TeX-made fonts)
    // are made when a document names them and the user's cache lacks them.
    kpathsea_set_program_enabled(kpse, kpse_tfm_format, true, kpse_src_cmdline);
    kpathsea_init_prog(kpse, "QUIRN", 300, "cx", nullptr);
    // A font that cannot be made is answered NOTFOUND; no missfont.log is left in the
    // working directory (the program folder) unless the environment asks for one.
    if (std::getenv("MISSFONT_LOG") == nullptr) {
        kpathsea_xputenv(kpse, "MISSFONT_LOG", "0");
    }

    std::string line;
    while (std::getline(std::cin, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
            line.pop_back();
        }
        std::string answer;
        if (line.starts_with("find ")) {
            std::string name = line.substr(5);
            std::string path = Find(kpse, name);
            answer = path.empty() ? "NOTFOUND " + name : "OK " + path;
        } else if (line.starts_with("pk ") || line.starts_with("pkfind ")) {
            const bool make = line.starts_with("pk ");
            std::string font;
            unsigned dpi = 0;
            unsigned foundDpi = 0;
            kpathsea_set_program_enabled(kpse, kpse_pk_format, make, kpse_src_cmdline);
            if (!ParsePkRequest(line.substr(make ? 3 : 7), font, dpi)) {
                answer = "ERROR bad pk request";
            } else {
                std::string path = FindPk(kpse, font, dpi, foundDpi);
                answer = path.empty() ? "NOTFOUND " + font
                                      : "OK " + std::to_string(foundDpi) + " " + path;
            }
        } else if (line == "quit") {
            break;
        } else {
            answer = "ERROR unknown request";
        }
        answer += '\n';
        std::fwrite(answer.data(), 1, answer.size(), stdout);
        std::fflush(stdout);
    }
    kpathsea_finish(kpse);
    return 0;
}

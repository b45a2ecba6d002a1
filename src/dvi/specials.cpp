#include "dvi/specials.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>

#include "platform/output_sink.h"

namespace quirn {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::string Lower(std::string_view text) {
    std::string s(text);
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

bool IsAbsolute(std::string_view path) {
    return (!path.empty() && (path[0] == '/' || path[0] == '\\')) ||
           (path.size() > 1 && path[1] == ':');
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// A path as the file system sees it: relative paths count from `baseDir` when one is
// given.
std::string Anchored(const std::string& path, const std::string& baseDir) {
    if (baseDir.empty() || IsAbsolute(path)) {
        return path;
    }
    return baseDir.back() == '/' ? baseDir + path : baseDir + "/" + path;
}

std::string JoinDir(const std::string& dir, const std::string& name) {
    if (!dir.empty() && (dir.back() == '/' || dir.back() == '\\')) {
        return dir + name;
    }
    return dir + "/" + name;
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
    if (StartsWith(text, "src:")) {
        return true;
    }
    if (StartsWith(text, "color")) {
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
    if (StartsWith(text, "src:")) {
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
            if (FileExists(Anchored(JoinDir(dir, name), search.baseDir))) {
                found = JoinDir(dir, name);
                std::replace(found.begin(), found.end(), '\\', '/');
                ReplaceAll(text, name, found);
                break;
            }
        }
    }
    if (FileExists(Anchored(found.empty() ? name : found, search.baseDir))) {
        return true;
    }
    out.AppendOutput("Cannot find file: " + name + "\n");
    return false;
}

PageKind ClassifyPageSpecials(const std::vector<SpecialRecord>& specials) {
    PageKind kind = kPageKindPlain;
    for (const SpecialRecord& s : specials) {
        const std::string_view text = s.text;
        if (StartsWith(text, "src:") || StartsWith(text, "color") || StartsWith(text, "html:") ||
            StartsWith(text, "papersize")) {
            continue;
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
    if (!StartsWith(line, kExcludedSpecialPrefix)) {
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

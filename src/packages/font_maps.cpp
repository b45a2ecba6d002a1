#include "packages/font_maps.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <utility>

#include "app/tex_environment.h"
#include "dvi/fonts/font_context.h"
#include "platform/paths.h"
#include "process/child_process.h"

namespace quirn {

namespace {

namespace fs = std::filesystem;

// Map files and lists are read with a 1024-byte line buffer.
constexpr int kLineBuffer = 1024;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File Open(const std::string& path, const char* mode) {
    return File(path.empty() ? nullptr : std::fopen(path.c_str(), mode));
}

// Opens a file for writing, creating its directory first.
File Create(const std::string& path, const char* mode) {
    std::error_code ec;
    fs::create_directories(DirectoryOf(path), ec);
    return Open(path, mode);
}

// Calls `line` for each line of `file` (at most 1023 characters; a longer line comes
// in pieces), without its line end.
template <typename Fn>
void ForEachLine(std::FILE* file, Fn&& line) {
    char buffer[kLineBuffer];
    while (std::fgets(buffer, sizeof buffer, file) != nullptr) {
        std::string text(buffer);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
            text.pop_back();
        }
        line(text);
    }
}

bool IsBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// Reads a word of at most `width` non-blank characters after optional blanks.
bool ReadWord(const std::string& text, size_t& pos, size_t width, std::string& word) {
    while (pos < text.size() && IsBlank(text[pos])) {
        ++pos;
    }
    const size_t start = pos;
    while (pos < text.size() && !IsBlank(text[pos]) && pos - start < width) {
        ++pos;
    }
    word = text.substr(start, pos - start);
    return pos > start;
}

// An entry line of a map list: a flag word of up to 10 characters and a map name of
// up to 80. False for comments and lines with fewer than two words.
bool ParseListEntry(const std::string& line, std::string& flags, std::string& name) {
    if (!line.empty() && line[0] == '%') {
        return false;
    }
    size_t pos = 0;
    return ReadWord(line, pos, 10, flags) && ReadWord(line, pos, 80, name);
}

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

void AddOnce(std::vector<std::string>& set, const std::string& name) {
    if (std::find(set.begin(), set.end(), name) == set.end()) {
        set.push_back(name);
    }
}

void SortUnique(std::vector<std::string>& list) {
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
}

// Every regular file below `dir` (recursively) that `wanted` accepts by name.
template <typename Pred>
void FindFiles(const std::string& dir, Pred&& wanted, std::vector<std::string>& found) {
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) {
        return;
    }
    fs::recursive_directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code fileEc;
        if (it->is_regular_file(fileEc) && wanted(it->path().filename().string())) {
            found.push_back(it->path().string());
        }
    }
}

bool IsMapFileName(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot != std::string::npos && name.compare(dot, 4, ".map") == 0;
}

// The maps a package manifest adds: each `function="addMap"` followed by a
// `parameter="NAME.map"` attribute gives NAME.map.
void ReadManifestMaps(const std::string& path, std::vector<std::string>& active) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    const std::string content = text.str();
    if (content.find("<!DOCTYPE rdf") == std::string::npos) {
        return;
    }
    const std::string call = "function=\"addMap\"";
    const std::string attribute = "parameter=\"";
    for (size_t at = content.find(call); at != std::string::npos;
         at = content.find(call, at + call.size())) {
        size_t p = content.find("parameter", at + call.size());
        if (p == std::string::npos || content.compare(p, attribute.size(), attribute) != 0) {
            continue;
        }
        p += attribute.size();
        size_t end = p;
        while (end < content.size() && content[end] != '.' && end - p < 80) {
            ++end;
        }
        if (end > p) {
            active.push_back(content.substr(p, end - p) + ".map");
        }
    }
}

}  // namespace

FontMapFiles MapFilesOf(const DataRoots& roots) {
    const std::string mapDir = JoinPath(roots.varDataPath, "texmf-var/fonts/map");
    return FontMapFiles{JoinPath(mapDir, "mapfiles.map"), JoinPath(mapDir, "dvips.map"),
                        JoinPath(mapDir, "pdftex.map"),
                        JoinPath(UserTree(roots), "dvips/base/user.map")};
}

FontMapRegenerator::FontMapRegenerator(FontContext& fonts, DataRoots roots)
    : fonts_(fonts), roots_(std::move(roots)), files_(MapFilesOf(roots_)) {}

void FontMapRegenerator::Say(const std::string& text) const {
    fonts_.Message(text);
}

std::string FontMapRegenerator::Find(const std::string& name) const {
    return fonts_.fileSearch.FindFile(name, true);
}

bool FontMapRegenerator::RebuildMapList(const std::vector<std::string>& trees) {
    written_.clear();
    return RebuildList(trees);
}

bool FontMapRegenerator::RebuildList(const std::vector<std::string>& trees) {
    std::vector<std::string> active = {"user.map"};
    if (File list = Open(files_.mapList, "r")) {
        ForEachLine(list.get(), [&active](const std::string& line) {
            std::string flags, name;
            if (ParseListEntry(line, flags, name)) {
                active.push_back(name);
            }
        });
    } else {
        Say("Could not find map file " + files_.mapList + ".\n");
    }

    std::vector<std::string> found;
    for (const std::string& tree : trees) {
        const std::string lower = Lower(tree);
        if (lower.find("texmf-tlv") != std::string::npos ||
            lower.find("texmf-var") != std::string::npos ||
            lower.find("texmf-doc") != std::string::npos) {
            continue;
        }
        FindFiles(JoinPath(tree, "fonts"), IsMapFileName, found);
        FindFiles(JoinPath(tree, "dvips"), IsMapFileName, found);
        std::vector<std::string> manifests;
        FindFiles(
            JoinPath(tree, "tpm"),
            [](const std::string& name) {
                return name.find(".tpm") != std::string::npos &&
                       name.find(".zip") == std::string::npos;
            },
            manifests);
        for (const std::string& manifest : manifests) {
            ReadManifestMaps(manifest, active);
        }
    }
    SortUnique(found);
    SortUnique(active);

    File out = Create(files_.mapList, "w");
    if (!out) {
        Say("Couldn't create mapfile " + files_.mapList + "\n");
        return false;
    }
    std::string text = "% All map files: % - not installed, remove % to install it\n";
    std::string previousDir;
    for (const std::string& path : found) {
        const std::string dir = DirectoryOf(path);
        if (dir != previousDir) {
            text += "\n% From path: " + dir + "\n\n";
            previousDir = dir;
        }
        const std::string name = FileNameOf(path);
        if (!std::binary_search(active.begin(), active.end(), name)) {
            text += "% ";
        }
        text += "PD " + name + "\n";
    }
    const bool ok = std::fwrite(text.data(), 1, text.size(), out.get()) == text.size();
    if (std::fclose(out.release()) != 0 || !ok) {
        Say("Couldn't create mapfile " + files_.mapList + "\n");
        return false;
    }
    written_.push_back(files_.mapList);
    return true;
}

void FontMapRegenerator::ReadMapList(const std::string& listName) {
    const std::string path = Find(listName);
    File list = Open(path, "r");
    if (!list) {
        Say("Warning: could not find " + listName + "!\n");
        return;
    }
    ForEachLine(list.get(), [this](const std::string& line) {
        std::string flags, name;
        if (!ParseListEntry(line, flags, name)) {
            return;
        }
        if (flags.find('D') != std::string::npos) {
            AddOnce(dvipsSet_, name);
        }
        if (flags.find('P') != std::string::npos) {
            AddOnce(pdftexSet_, name);
        }
    });
}

bool FontMapRegenerator::WriteCombined(const std::vector<std::string>& set,
                                       const std::string& target) {
    std::vector<std::string> lines;
    for (const std::string& name : set) {
        File map = Open(Find(name), "r");
        if (!map) {
            Say("Warning: could not find fontmap file " + name + "\n");
            continue;
        }
        ForEachLine(map.get(), [&lines](const std::string& line) {
            if (line.empty() || line[0] != '%') {
                lines.push_back(line);
            }
        });
    }
    SortUnique(lines);

    File out = Create(target, "w");
    if (!out) {
        Say("Couldn't create mapfile " + target + "\n");
        return false;
    }
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    const bool ok = std::fwrite(text.data(), 1, text.size(), out.get()) == text.size();
    if (std::fclose(out.release()) != 0 || !ok) {
        Say("Couldn't create mapfile " + target + "\n");
        return false;
    }
    written_.push_back(target);
    return true;
}

bool FontMapRegenerator::RegenerateMaps() {
    if (running_) {
        return false;
    }
    written_.clear();
    return Regenerate();
}

bool FontMapRegenerator::Regenerate() {
    running_ = true;
    if (fonts_.debugMode) {
        Say("Regenerating font maps\n");
    }
    if (!FileExists(files_.userMap)) {
        Create(files_.userMap, "w");
    }
    dvipsSet_.clear();
    pdftexSet_.clear();
    ReadMapList(kOwnMapList);
    ReadMapList(kMapList);

    bool ok = WriteCombined(dvipsSet_, files_.dvipsMap);
    ok = WriteCombined(pdftexSet_, files_.pdftexMap) && ok;

    auto find = [this](const std::string& name, bool allowInstall) {
        return fonts_.fileSearch.FindFile(name, allowInstall);
    };
    fonts_.fontMap.LoadFontMap(dvipsSet_, find, fonts_.output, fonts_.debugMode);
    running_ = false;
    return ok;
}

bool FontMapRegenerator::RefreshFontMapping(const std::vector<std::string>& trees) {
    if (running_) {
        return false;
    }
    written_.clear();
    const bool listed = RebuildList(trees);
    return Regenerate() && listed;
}

bool FontMapRegenerator::AppendActiveMap(const std::string& name) {
    File list = Create(files_.mapList, "a");
    if (!list) {
        Say("Couldn't create mapfile " + files_.mapList + "\n");
        return false;
    }
    const std::string line = "PD " + name + "\n";
    const bool ok = std::fwrite(line.data(), 1, line.size(), list.get()) == line.size();
    return std::fclose(list.release()) == 0 && ok;
}

DeferredMapRefresh::DeferredMapRefresh(FontMapRegenerator& maps,
                                       std::function<void()> rebuildDatabases)
    : maps_(maps), rebuildDatabases_(std::move(rebuildDatabases)) {}

DeferredMapRefresh::~DeferredMapRefresh() {
    Release();
}

void DeferredMapRefresh::Release() {
    if (databases_) {
        databases_ = false;
        if (rebuildDatabases_) {
            rebuildDatabases_();
        }
    }
    if (fontMaps_) {
        fontMaps_ = false;
        maps_.RegenerateMaps();
    }
}

void RebuildFileNameDatabases(FontContext& fonts, const std::vector<std::string>& trees,
                              const std::string& installDir) {
    fonts.Message("Regenerating package databases ...\n");
    for (const std::string& tree : trees) {
        if (!FileExists(JoinPath(tree, "ls-R"))) {
            continue;
        }
        ChildProcess mktexlsr;
        mktexlsr.SetInstallDir(installDir);
        if (!fonts.fileSearch.Environment().empty())
            mktexlsr.SetEnvironmentBlock(fonts.fileSearch.Environment());
        if (!mktexlsr.Start({"mktexlsr", tree}, {})) {
            fonts.Message("Cannot run mktexlsr for " + tree + "\n");
            continue;
        }
        mktexlsr.CloseInput();
        // Its progress lines are read and dropped so that a full pipe never stops it.
        std::string ignored;
        while (!mktexlsr.HasEnded()) {
            mktexlsr.WaitForOutputOrExit(100);
            mktexlsr.ReadAvailable(ignored);
            ignored.clear();
        }
    }
    fonts.fileSearch.StopFileSearch();
}

}  // namespace quirn

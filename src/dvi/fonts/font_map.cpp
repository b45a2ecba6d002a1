#include "dvi/fonts/font_map.h"

#include <sys/stat.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "dvi/fonts/byte_reader.h"
#include "dvi/fonts/encoding.h"
#include "platform/output_sink.h"

namespace quirn {

namespace {

// Map lines are read with a 1024-byte buffer: a longer line arrives in pieces of at
// most 1023 characters, each taken as a line of its own.
constexpr int kLineBuffer = 1024;
// Words of a map line are read up to this many characters; the rest of a longer
// word is read as the next word.
constexpr size_t kWordWidth = 80;

bool IsBlank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

void SkipBlanks(std::string_view text, size_t& pos) {
    while (pos < text.size() && IsBlank(text[pos])) {
        ++pos;
    }
}

// Reads a word of at most kWordWidth non-blank characters after optional blanks;
// false when the text ends first.
bool ReadWord(std::string_view text, size_t& pos, std::string& word) {
    SkipBlanks(text, pos);
    size_t start = pos;
    while (pos < text.size() && !IsBlank(text[pos]) && pos - start < kWordWidth) {
        ++pos;
    }
    word.assign(text.substr(start, pos - start));
    return pos > start;
}

bool ContainsNoCase(std::string_view text, std::string_view part) {
    if (part.size() > text.size()) {
        return false;
    }
    for (size_t i = 0; i + part.size() <= text.size(); ++i) {
        size_t k = 0;
        while (k < part.size() && std::tolower(static_cast<unsigned char>(text[i + k])) ==
                                      std::tolower(static_cast<unsigned char>(part[k]))) {
            ++k;
        }
        if (k == part.size()) {
            return true;
        }
    }
    return false;
}

bool IsOutlineFileName(std::string_view word) {
    return ContainsNoCase(word, ".ttf") || ContainsNoCase(word, ".pfa") ||
           ContainsNoCase(word, ".pfb");
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool EndsWithNoCase(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && ContainsNoCase(text.substr(text.size() - end.size()), end);
}

// Takes "<number> SlantFont" and "<number> ExtendFont" from the quoted PostScript
// instructions of a map line. Values outside a sensible range (a slant beyond
// +-10, an extension not in (0, 10]) are ignored.
void ReadFontTransforms(std::string_view line, FontMapEntry& entry) {
    size_t open = line.find('"');
    while (open != std::string_view::npos) {
        size_t close = line.find('"', open + 1);
        std::string_view quoted =
            line.substr(open + 1, close == std::string_view::npos ? close : close - open - 1);
        std::string previous;
        std::string word;
        size_t pos = 0;
        while (ReadWord(quoted, pos, word)) {
            if (word == "SlantFont" || word == "ExtendFont") {
                char* end = nullptr;
                const double value = std::strtod(previous.c_str(), &end);
                const bool number =
                    !previous.empty() && end != nullptr && *end == '\0' && std::isfinite(value);
                if (number && word == "SlantFont" && std::fabs(value) <= 10.0) {
                    entry.slant = value;
                } else if (number && word == "ExtendFont" && value > 0.0 && value <= 10.0) {
                    entry.extend = value;
                }
            }
            previous = word;
        }
        open = close == std::string_view::npos ? close : line.find('"', close + 1);
    }
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

std::string BuiltinPostScriptFontDir(const std::string& installDir) {
    if (installDir.empty()) {
        return {};
    }
    std::string dir = installDir;
    if (dir.back() != '/') {
        dir += '/';
    }
    return dir + "texmf-tlv/fonts/pfb/Quirn/PS35";
}

bool ParseFontMapLine(std::string_view line, const std::string& builtinDir, FontMapEntry& entry) {
    line = line.substr(0, line.find('\0'));
    if (line.empty() || static_cast<unsigned char>(line[0]) <= 32 ||
        std::strchr("*#;%", line[0]) != nullptr) {
        return false;
    }
    FontMapEntry result;
    size_t pos = 0;
    if (!ReadWord(line, pos, result.texName) || !ReadWord(line, pos, result.postScriptName)) {
        return false;
    }

    // Each download mark: "<", optional blanks, a word, optional blanks. A "<<"
    // mark yields a word that begins with "<".
    size_t mark = line.find('<');
    std::string word;
    while (mark != std::string_view::npos && mark < line.size() && line[mark] == '<') {
        size_t p = mark + 1;
        if (!ReadWord(line, p, word)) {
            break;
        }
        if (EndsWithNoCase(word, ".enc")) {
            // "<[file.enc" and "<<file.enc" name an encoding file just as "<file.enc".
            word.erase(0, word.find_first_not_of("[<"));
            if (!word.empty()) {
                result.encodingFile = word;
                result.reencode = true;
            }
        } else if (IsOutlineFileName(word)) {
            result.outlineFile = word;
        }
        SkipBlanks(line, p);
        mark = p;
    }

    ReadFontTransforms(line, result);

    if (result.outlineFile.empty()) {
        std::string builtin =
            builtinDir.empty() ? std::string() : builtinDir + "/" + result.postScriptName + ".pfb";
        if (!builtin.empty() && IsRegularFile(builtin)) {
            result.outlineFile = builtin;
        } else {
            result.outlineFile = std::string(kPostScriptOnlyPrefix) + result.postScriptName;
        }
    }
    entry = std::move(result);
    return true;
}

FontMap::FontMap(std::string installDir) : builtinDir_(BuiltinPostScriptFontDir(installDir)) {}

FontMap::~FontMap() = default;

const EncodingVector* FontMap::Encoding(const std::string& name, const FindFileFn& findFile,
                                        OutputSink* output) const {
    auto found = encodings_.find(name);
    if (found != encodings_.end()) {
        return found->second.get();
    }
    std::unique_ptr<EncodingVector>& slot = encodings_[name];
    const std::string path = findFile ? findFile(name, true) : std::string();
    if (path.empty()) {
        if (output != nullptr) {
            output->AppendOutput("Could not find encoding file: " + name + "\n");
        }
        return nullptr;
    }
    std::optional<std::vector<uint8_t>> bytes = ReadFileBytes(path);
    auto vector = std::make_unique<EncodingVector>();
    std::string error = "cannot be read";
    if (bytes && ParseEncodingVector(
                     std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()),
                     *vector, error)) {
        slot = std::move(vector);
        return slot.get();
    }
    if (output != nullptr) {
        output->AppendOutput("Corrupt encoding file: " + path + " (" + error + ")\n");
    }
    return nullptr;
}

void FontMap::LoadFontMap(const std::vector<std::string>& mapNames, const FindFileFn& findFile,
                          OutputSink* output, bool debugMode) {
    auto say = [output](const std::string& text) {
        if (output != nullptr) {
            output->AppendOutput(text);
        }
    };
    entries_.clear();
    encodings_.clear();
    for (const std::string& name : mapNames) {
        std::string path = findFile ? findFile(name, true) : std::string();
        if (debugMode) {
            say("map file = " + path + "\n");
        }
        std::unique_ptr<std::FILE, FileCloser> file(path.empty() ? nullptr
                                                                 : std::fopen(path.c_str(), "r"));
        if (!file) {
            say("Warning: could not find fontmap file " + name + "\n");
            continue;
        }
        char buffer[kLineBuffer];
        FontMapEntry entry;
        while (std::fgets(buffer, sizeof buffer, file.get()) != nullptr) {
            if (ParseFontMapLine(buffer, builtinDir_, entry)) {
                Insert(std::move(entry));
            }
        }
    }
}

void FontMap::Insert(FontMapEntry entry) {
    std::string key = entry.texName;
    entries_.insert_or_assign(std::move(key), std::move(entry));
}

const FontMapEntry* FontMap::Find(const std::string& texName) const {
    auto it = entries_.find(texName);
    return it == entries_.end() ? nullptr : &it->second;
}

std::string FontMap::LookupOutline(const std::string& texName) const {
    const FontMapEntry* entry = Find(texName);
    return entry ? entry->outlineFile : std::string();
}

bool FontMap::NeedsReencoding(const std::string& texName) const {
    const FontMapEntry* entry = Find(texName);
    return entry == nullptr || entry->reencode;
}

}  // namespace quirn

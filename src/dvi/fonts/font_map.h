// The previewer's font map: from a TeX font name to the outline file that draws it,
// read from the dvips-style map files of the dvips set after every regeneration of
// the combined maps.
//
// A map line names the TeX font, its PostScript name, and then, after "<" marks, the
// files to download: an outline file (".pfb", ".pfa" or ".ttf") and an encoding file
// (".enc"), whose vector the Type 1 font is reencoded with. A quoted part holds the
// PostScript instructions; of them "<number> SlantFont" and "<number> ExtendFont" are
// honoured. A font without an outline file is looked for in Quirn's built-in
// PostScript font directory, else it is a printer-only font.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quirn {

class OutputSink;
struct EncodingVector;

// Finds a TeX file by name: the full path, or empty when not found. `allowInstall`
// lets the search offer to install a missing file.
using FindFileFn = std::function<std::string(const std::string& name, bool allowInstall)>;

// The outline file of a font that exists only inside a PostScript printer starts
// with this, followed by the PostScript name.
inline constexpr std::string_view kPostScriptOnlyPrefix = "!PS ";

struct FontMapEntry {
    std::string texName;
    std::string postScriptName;
    // A file name from the map line, the full path of a file in the built-in
    // directory, or kPostScriptOnlyPrefix followed by the PostScript name.
    std::string outlineFile;
    bool reencode = false;     // the line names an encoding file
    std::string encodingFile;  // that file's name ("8r.enc"), empty when none
    double slant = 0.0;        // x' = extend * x + slant * y
    double extend = 1.0;
};

// InstallDir + "texmf-tlv/fonts/pfb/Quirn/PS35": outline files named after their
// PostScript name with ".pfb" appended.
std::string BuiltinPostScriptFontDir(const std::string& installDir);

// Reads one map line into `entry`. False for lines that define no font: comments
// (first character "*", "#", ";" or "%"), lines starting with a blank or a control
// character, lines with fewer than two words. `builtinDir` is searched for fonts
// whose line names no outline file.
bool ParseFontMapLine(std::string_view line, const std::string& builtinDir, FontMapEntry& entry);

class FontMap {
  public:
    // `installDir` locates the built-in PostScript font directory.
    explicit FontMap(std::string installDir = {});
    ~FontMap();
    FontMap(const FontMap&) = delete;
    FontMap& operator=(const FontMap&) = delete;

    // Empties the map and reads the map files `mapNames` in order, each located
    // through `findFile` (installation allowed); a later line for the same TeX name
    // replaces an earlier one. Map files that cannot be found or opened are reported
    // to `output` and skipped; in debug mode each path read is named.
    void LoadFontMap(const std::vector<std::string>& mapNames, const FindFileFn& findFile,
                     OutputSink* output, bool debugMode);

    // Adds (or replaces) one entry; the same as a map line naming it.
    void Insert(FontMapEntry entry);
    void Clear() { entries_.clear(); }

    // The encoding vector in the file `name`, found through `findFile` and parsed the
    // first time it is asked for; null when it cannot be found, read or parsed (the
    // reason goes to `output` on that first request only). Cached until the next
    // LoadFontMap.
    const EncodingVector* Encoding(const std::string& name, const FindFileFn& findFile,
                                   OutputSink* output) const;

    // The outline file of `texName`, or empty when the name has no entry.
    std::string LookupOutline(const std::string& texName) const;
    // True when the name has no entry or its entry asks for the TeXBase1 encoding.
    bool NeedsReencoding(const std::string& texName) const;
    // The entry of `texName`, or null.
    const FontMapEntry* Find(const std::string& texName) const;

    size_t Size() const { return entries_.size(); }
    const std::string& BuiltinDir() const { return builtinDir_; }

  private:
    std::string builtinDir_;
    std::map<std::string, FontMapEntry> entries_;
    // Parsed encoding files by name; null for a file that failed.
    mutable std::map<std::string, std::unique_ptr<EncodingVector>> encodings_;
};

}  // namespace quirn

// The previewer's font map: from a TeX font name to the outline file that draws it,
// read from the dvips-style map files of the dvips set after every regeneration of
// the combined maps.
//
// A map line names the TeX font, its PostScript name, and then, after "<" marks, the
// files to download: an outline file (".pfb", ".pfa" or ".ttf") and an encoding. Only
// the "8r.enc" encoding is understood (the font is then reencoded to TeXBase1); a
// font without an outline file is looked for in Quirn's built-in PostScript font
// directory, else it is a printer-only font.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quirn {

class OutputSink;

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
    bool reencode = false;  // the line names "8r.enc"
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

    // Empties the map and reads the map files `mapNames` in order, each located
    // through `findFile` (installation allowed); a later line for the same TeX name
    // replaces an earlier one. Map files that cannot be found or opened are reported
    // to `output` and skipped; in debug mode each path read is named.
    void LoadFontMap(const std::vector<std::string>& mapNames, const FindFileFn& findFile,
                     OutputSink* output, bool debugMode);

    // Adds (or replaces) one entry; the same as a map line naming it.
    void Insert(FontMapEntry entry);
    void Clear() { entries_.clear(); }

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
};

}  // namespace quirn

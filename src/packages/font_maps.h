// Font map regeneration: one list of every map file in the TeX trees with the active
// ones marked ("mapfiles.map"), the combined "dvips.map" and "pdftex.map" written from
// the active maps, and the previewer's font map rebuilt from the dvips set.
//
// The map list has one entry per line, "FLAGS NAME": a flag word with "D" puts the
// map into the dvips set, one with "P" into the pdfTeX set; lines starting with "%"
// are comments, so an inactive map is written as "% PD name.map". Quirn's own list,
// "tlvmapfiles.map" in its texmf-tlv tree, is read before the user's list and names
// the maps of the TeX installation.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/data_roots.h"

namespace quirn {

struct FontContext;

// The files regeneration reads and writes, all below the data roots.
struct FontMapFiles {
    std::string mapList;    // VarDataPath + "texmf-var/fonts/map/mapfiles.map"
    std::string dvipsMap;   // VarDataPath + "texmf-var/fonts/map/dvips.map"
    std::string pdftexMap;  // VarDataPath + "texmf-var/fonts/map/pdftex.map"
    std::string userMap;    // the user's tree + "/dvips/base/user.map"
};
FontMapFiles MapFilesOf(const DataRoots& roots);

// The name of Quirn's own map list, found through the file search.
inline constexpr const char* kOwnMapList = "tlvmapfiles.map";
inline constexpr const char* kMapList = "mapfiles.map";

class FontMapRegenerator {
  public:
    // `fonts` gives the file search, the output window, the debug mode and the
    // previewer's font map that each regeneration refills. Both are borrowed.
    FontMapRegenerator(FontContext& fonts, DataRoots roots);

    // Rewrites the map list from the map files found under `trees` ("fonts" and
    // "dvips" of each tree, searched recursively; Quirn's own tree, the variable tree
    // and the documentation tree are skipped). Active are "user.map", the maps the
    // existing list names, and the maps the trees' package manifests add. False when
    // the list cannot be written.
    bool RebuildMapList(const std::vector<std::string>& trees);

    // Writes "dvips.map" and "pdftex.map" from the maps of the two sets (every line
    // that is not a comment, sorted, each once) and rebuilds the previewer's font map
    // from the dvips set. Returns at once (false) while a regeneration is running.
    bool RegenerateMaps();

    // RebuildMapList over `trees`, then RegenerateMaps.
    bool RefreshFontMapping(const std::vector<std::string>& trees);

    // Marks `name` active by appending "PD name" to the map list.
    bool AppendActiveMap(const std::string& name);

    // The map names of the two sets as the last regeneration read them, in the order
    // the lists name them (each once).
    const std::vector<std::string>& DvipsSet() const { return dvipsSet_; }
    const std::vector<std::string>& PdftexSet() const { return pdftexSet_; }
    // The files the last call of the three operations above wrote, in order.
    const std::vector<std::string>& Written() const { return written_; }
    const FontMapFiles& Files() const { return files_; }
    bool Running() const { return running_; }

  private:
    bool RebuildList(const std::vector<std::string>& trees);
    bool Regenerate();
    void Say(const std::string& text) const;
    std::string Find(const std::string& name) const;
    void ReadMapList(const std::string& listName);
    bool WriteCombined(const std::vector<std::string>& set, const std::string& target);

    FontContext& fonts_;
    DataRoots roots_;
    FontMapFiles files_;
    std::vector<std::string> dvipsSet_;
    std::vector<std::string> pdftexSet_;
    std::vector<std::string> written_;
    bool running_ = false;
};

// Collects the refreshes that package installation and removal need and runs them
// once, when the holder is released (or destroyed): first the file-name databases of
// the trees (when a package changed files), then the combined font maps (when one
// changed maps).
class DeferredMapRefresh {
  public:
    // `rebuildDatabases` regenerates the trees' file-name databases.
    DeferredMapRefresh(FontMapRegenerator& maps, std::function<void()> rebuildDatabases);
    ~DeferredMapRefresh();
    DeferredMapRefresh(const DeferredMapRefresh&) = delete;
    DeferredMapRefresh& operator=(const DeferredMapRefresh&) = delete;

    void PackageDatabasesChanged() { databases_ = true; }
    void FontMapsChanged() { fontMaps_ = true; }

    // Runs what the flags ask for and clears them.
    void Release();

  private:
    FontMapRegenerator& maps_;
    std::function<void()> rebuildDatabases_;
    bool databases_ = false;
    bool fontMaps_ = false;
};

// Rebuilds the file-name database (ls-R) of every tree in `trees` that has one, with
// mktexlsr (in the file search's environment), and stops the file search so that its
// next lookup sees the new files. Progress goes to the context's output window.
void RebuildFileNameDatabases(FontContext& fonts, const std::vector<std::string>& trees,
                              const std::string& installDir);

}  // namespace quirn

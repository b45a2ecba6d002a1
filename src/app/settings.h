// The main settings record: the members that LoadSaveSettings loads once at start-up
// and saves once at exit, with their built-in defaults, plus the keys that are only
// read there. Other subsystems read and write their own keys through Profile.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "app/data_roots.h"
#include "app/profile.h"

namespace quirn {

// The editor's screen and print font (sections "Font" and "PrintFont").
struct FontRecord {
    int height = 0;  // 0 = not set: -(17 * vertical dpi) / 120
    int weight = 400;
    int italic = 0;
    int underline = 0;
    int pitchAndFamily = 49;
    std::string faceName = "Monospace";  // at most 31 characters kept
    bool operator==(const FontRecord&) const = default;
};

// Font kinds in the order the DVI viewer tries them.
enum FontKind {
    kFontKindUnset = 0,
    kFontKindTrueType = 1,
    kFontKindPostScript = 2,
    kFontKindBitmap = 3
};

struct Settings {
    // Settings
    int wordWrap = 1;
    int chromaCoding = 1;
    int autoComplete = 1;
    int autoSpellCheck = 1;
    // After a LaTeX run, BibTeX and MakeIndex run by themselves when the bibliography
    // or the index is out of date, and LaTeX runs again.
    int autoBibTeX = 1;
    int emacsLineKill = 1;
    int autoCheckExternalEdit = 1;
    int editSelectColumn = 1;
    int lineNumbers = 1;  // the editor's line-number margin
    int darkPages = 0;    // page views invert the lightness of the pages
    std::string ispellHash = "american";
    int typesetDialog = 1;
    int autoEditorSave = 1;
    std::string texEngine = "pdfetex";  // TeXEngine6
    int texEngine8bit = 1;
    int netAccess = 1;
    int mru = 4;
    int psRender = 1;  // PSRender6
    std::string psRenderCmd;
    int psColor = 0;
    int psAlias = 0;
    int projectReopen = 1;
    int projectCreatePTP = 1;
    int dviMaximize = 1;
    int dviScanForColor = 0;
    int dviMagnification = 10;
    int dviOrientation = 0;
    int dviPageSize = 0;
    int dviPageWidth = 8500;
    int dviPageHeight = 11000;
    int dviPageUnits = 0;
    int dviPageSynchIncr = 2;
    int dviRulerUnits = 3;
    int useBoundingBox = 0;
    int magnifyingBoxSize = 1;
    int dviUsePercent = 1;
    int pageViewMode = 0;
    int viewMagH = 350;
    int viewMagV = 200;
    int viewAAThresh = 10000;
    int viewColors = 0;
    double pageWidth = 8.5;
    double pageHeight = 11.0;
    int cmUnits = 0;
    int landscape = 0;
    std::string units = "in";
    int copyForeColor = 0;
    int copyBackColor = 16777215;
    int copyBackTrans = 0;
    int copyResolution = 0;
    int copyAlwaysSpecial = 0;
    // Typeset
    std::string format;
    std::string mode;
    // Font (editor colours are 0x00BBGGRR; the editor sets the built-in ones)
    int fontSize = 100;
    int fontColor = 0x000000;
    int commandColor = 0x800000;
    int commentColor = 0x008000;
    int mathColor = 0x000080;
    int symbolColor = 0x808000;
    int backColor = 0xFFFFFF;
    FontRecord screenFont;
    FontRecord printFont;
    // Directories (InstallDir is written at start-up and at save)
    std::string installDir;
    std::string fileOpen;
    std::vector<std::string> figurePath;
    std::vector<std::string> tdsArchivePath;
    std::vector<std::string> extraTexInputPath;
    std::vector<std::string> tfmPath;
    // FontPaths
    std::vector<std::string> pkFontPath;
    std::vector<std::string> trueTypeFontPath;
    std::vector<std::string> postScriptFontPath;
    // fonts/Priority
    std::string fontPriority = "PS,TT";
    std::array<int, 3> fontPrioritySlots{kFontKindPostScript, kFontKindTrueType, kFontKindBitmap};
    // BibTeX
    std::string bibtexOptions = "-8";
    std::string bibInput, bstInput, csfInput, csFile;
    // MakeIndex, DVIPS
    std::string makeIndexOptions;
    std::string dvipsOptions;

    // The first ten entries of TFMPath and PKFontPath, as the DVI font loader's fixed
    // slots of 256 characters (longer entries are left out).
    std::vector<std::string> tfmSlots;
    std::vector<std::string> pkSlots;
};

// Fills the font priority slots from a text such as "PS,TT": each "PS" takes the next
// of two slots with 2, each "TT" with 1, other characters are skipped; the third slot
// always holds 3.
std::array<int, 3> ParseFontPriority(const std::string& text);

// Splits a ";"-separated path list; joins one back.
std::vector<std::string> SplitPathList(const std::string& text);
std::string JoinPathList(const std::vector<std::string>& list);

// The built-in TeX tree list: the user's tree, texmf-tlv, texmf, texmf-var, texmf-dist, texmf-doc.
std::vector<std::string> DefaultTreeList(const DataRoots& roots);

// The one routine for the main record. Load reads every key (and remembers that a
// load happened); Save writes the "main" keys and does nothing without a prior load.
class SettingsManager {
  public:
    SettingsManager(Profile& profile, const DataRoots& roots, int verticalDpi)
        : profile_(profile), roots_(roots), verticalDpi_(verticalDpi) {}

    void LoadSaveSettings(Direction d);
    bool Loaded() const { return loaded_; }
    Settings& Record() { return settings_; }
    const Settings& Record() const { return settings_; }

  private:
    void FontRecordIo(Direction d, const std::string& section, FontRecord& font);
    void PathListIo(Direction d, const std::string& section, const std::string& key,
                    std::vector<std::string>& list, const std::vector<std::string>& def);

    Profile& profile_;
    const DataRoots& roots_;
    int verticalDpi_;
    Settings settings_;
    bool loaded_ = false;
};

}  // namespace quirn

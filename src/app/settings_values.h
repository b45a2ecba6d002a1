// What the pages of the "Settings" dialog edit, as plain values: taken from the
// settings record when the dialog opens and written back only when the user presses
// OK. Nothing here needs a display, so the transfer and the value conversions are
// tested without windows.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/settings.h"

namespace quirn {

class Profile;

// The spelling options of the TeXSpell state (section "TeXSpell", one integer flag
// each, the defaults for missing values).
struct SpellOptions {
    int ignoreTeX = 1;
    int ignoreComments = 0;
    int ignoreMath = 1;
    int findRepeated = 1;
    int makeBackup = 1;
    int ignoreCmdArgs = 1;
    bool operator==(const SpellOptions&) const = default;
};
SpellOptions LoadSpellOptions(const Profile& profile);
// False when a value could not be written.
bool SaveSpellOptions(Profile& profile, const SpellOptions& options);

struct EditorPageValues {
    bool wordWrap = true;
    bool chromaCoding = true;
    bool autoComplete = true;
    bool autoSpellCheck = true;
    bool emacsLineKill = true;
    bool autoCheckExternalEdit = true;
    bool editSelectColumn = true;
    bool lineNumbers = true;
    // Section "Font": the size in tenths of a point, the colours as 0x00BBGGRR, and
    // the screen font itself.
    int fontSize = 100;
    int fontColor = 0, commandColor = 0, commentColor = 0, mathColor = 0, symbolColor = 0,
        backColor = 0;
    FontRecord font;
    bool operator==(const EditorPageValues&) const = default;
};

struct TypesettingPageValues {
    bool smartTypesetter = true;  // TypesetDialog
    bool autoSave = true;         // AutoEditorSave
    std::string engine = "pdfetex";
    bool eightBit = true;
    bool autoBibTeX = true;  // AutoBibTeX
    bool operator==(const TypesettingPageValues&) const = default;
};

// Magnification choices: the steps 1 to 10, then the two fits.
inline constexpr int kMagnificationFitWidth = 11;
inline constexpr int kMagnificationFitPage = 12;

struct ViewerPageValues {
    bool maximize = true;
    bool scanForColor = false;
    int orientation = 0;     // 0 portrait, 1 landscape
    int magnification = 10;  // 1..10, 11 fit width, 12 fit page
    int pageSize = 0;        // index into PageSizes()
    int pageWidth = 8500;    // custom size, thousandths of the unit
    int pageHeight = 11000;
    int pageUnits = 0;  // 0 inches, 1 centimetres
    bool useBoundingBox = false;
    int advance = 2;     // pages per step in two-up viewing
    int rulerUnits = 3;  // index into RulerUnitNames()
    bool operator==(const ViewerPageValues&) const = default;
};

struct SpellPageValues {
    SpellOptions options;
    std::string dictionary = "american";  // IspellHash
    bool operator==(const SpellPageValues&) const = default;
};

struct BibtexPageValues {
    std::string options = "-8";
    std::string bibInput, bstInput, csfInput, csFile;
    bool operator==(const BibtexPageValues&) const = default;
};

struct AdvancedPageValues {
    std::string makeIndexOptions;
    std::string dvipsOptions;
    int psRender = 1;  // 0..3
    std::string psRenderCmd;
    // The PostScript page: colour and smoothing of the interpreter's pictures, and the
    // folders of fonts and figures.
    bool psColor = false;
    bool psAlias = false;
    std::vector<std::string> trueTypeFontPath;
    std::vector<std::string> postScriptFontPath;
    std::vector<std::string> figurePath;
    int mru = 4;
    bool netAccess = true;
    bool operator==(const AdvancedPageValues&) const = default;
};

struct SettingsPageValues {
    EditorPageValues editor;
    TypesettingPageValues typesetting;
    ViewerPageValues viewer;
    SpellPageValues spell;
    BibtexPageValues bibtex;
    AdvancedPageValues advanced;
    bool operator==(const SettingsPageValues&) const = default;
};

// The record's members the pages edit (out-of-range choices are brought into range).
SettingsPageValues ValuesFromSettings(const Settings& settings, const SpellOptions& spell);
// Writes the page values into the record's members and the spelling options; every
// other member of the record is left as it is.
void ApplyValues(const SettingsPageValues& values, Settings& settings, SpellOptions& spell);

// The BibTeX page after "Restore Standard Defaults".
BibtexPageValues DefaultBibtexValues();

// The engines the "Typesetting Engine:" box offers: those of pdfetex, pdftex, etex,
// tex, xetex and luatex (LaTeX on them is XeLaTeX and LuaLaTeX) that can be found (InstallDir/bin
// or PATH), with `current` added when it is not among them, so that opening and closing the dialog
// never changes the engine.
std::vector<std::string> UsableEngines(const std::string& installDir, const std::string& current);

// The spelling dictionaries ("NAME.hash" files) in `directories`, sorted and without
// repeats, with `current` added when it is missing.
std::vector<std::string> DictionaryNames(const std::vector<std::string>& directories,
                                         const std::string& current);

struct PageSize {
    const char* name;
    int width;  // thousandths of an inch (0 for the custom entry)
    int height;
};
// The "Page Size:" choices; the last one is "Custom".
const std::vector<PageSize>& PageSizes();
int CustomPageSizeIndex();

// "Inches", "Centimeters", "Picas", "Points", "BigPoints" (the ruler unit indices).
const std::vector<std::string>& RulerUnitNames();

// Thousandths of a unit as the custom size boxes show them ("8.5", "21", "8.268"), and
// back; none for text that is not a positive number below 1000 units.
std::string ThousandthsText(int thousandths);
std::optional<int> ParseThousandths(const std::string& text);
// A size in thousandths of inches (units 0) or centimetres (units 1) in other units.
int ConvertThousandths(int value, int fromUnits, int toUnits);

// 0x00BBGGRR colour values and their red, green and blue parts.
struct Rgb {
    unsigned char red = 0, green = 0, blue = 0;
};
Rgb RgbFromColorRef(int value);
int ColorRefFromRgb(Rgb rgb);

}  // namespace quirn

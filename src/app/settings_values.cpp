#include "app/settings_values.h"

#include <dirent.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/profile.h"
#include "platform/program_resolver.h"

namespace quirn {

namespace {

const char* const kSpellSection = "TeXSpell";

int Clamp(int value, int low, int high, int fallback) {
    return value < low || value > high ? fallback : value;
}

}  // namespace

SpellOptions LoadSpellOptions(const Profile& profile) {
    SpellOptions o;
    o.ignoreTeX = profile.GetInt(kSpellSection, "IgnoreTeX", o.ignoreTeX);
    o.ignoreComments = profile.GetInt(kSpellSection, "IgnoreComments", o.ignoreComments);
    o.ignoreMath = profile.GetInt(kSpellSection, "IgnoreMath", o.ignoreMath);
    o.findRepeated = profile.GetInt(kSpellSection, "FindRepeated", o.findRepeated);
    o.makeBackup = profile.GetInt(kSpellSection, "MakeBackup", o.makeBackup);
    o.ignoreCmdArgs = profile.GetInt(kSpellSection, "IgnoreCmdArgs", o.ignoreCmdArgs);
    return o;
}

bool SaveSpellOptions(Profile& profile, const SpellOptions& o) {
    bool ok = profile.WriteInt(kSpellSection, "IgnoreTeX", o.ignoreTeX);
    ok = profile.WriteInt(kSpellSection, "IgnoreComments", o.ignoreComments) && ok;
    ok = profile.WriteInt(kSpellSection, "IgnoreMath", o.ignoreMath) && ok;
    ok = profile.WriteInt(kSpellSection, "FindRepeated", o.findRepeated) && ok;
    ok = profile.WriteInt(kSpellSection, "MakeBackup", o.makeBackup) && ok;
    ok = profile.WriteInt(kSpellSection, "IgnoreCmdArgs", o.ignoreCmdArgs) && ok;
    return ok;
}

SettingsPageValues ValuesFromSettings(const Settings& s, const SpellOptions& spell) {
    SettingsPageValues v;
    EditorPageValues& e = v.editor;
    e.wordWrap = s.wordWrap != 0;
    e.chromaCoding = s.chromaCoding != 0;
    e.autoComplete = s.autoComplete != 0;
    e.autoSpellCheck = s.autoSpellCheck != 0;
    e.emacsLineKill = s.emacsLineKill != 0;
    e.autoCheckExternalEdit = s.autoCheckExternalEdit != 0;
    e.editSelectColumn = s.editSelectColumn != 0;
    e.lineNumbers = s.lineNumbers != 0;
    e.fontSize = s.fontSize;
    e.fontColor = s.fontColor;
    e.commandColor = s.commandColor;
    e.commentColor = s.commentColor;
    e.mathColor = s.mathColor;
    e.symbolColor = s.symbolColor;
    e.backColor = s.backColor;
    e.font = s.screenFont;

    TypesettingPageValues& t = v.typesetting;
    t.smartTypesetter = s.typesetDialog != 0;
    t.autoSave = s.autoEditorSave != 0;
    t.engine = s.texEngine;
    t.eightBit = s.texEngine8bit != 0;
    t.autoBibTeX = s.autoBibTeX != 0;

    ViewerPageValues& w = v.viewer;
    w.maximize = s.dviMaximize != 0;
    w.scanForColor = s.dviScanForColor != 0;
    w.orientation = Clamp(s.dviOrientation, 0, 1, 0);
    w.magnification = Clamp(s.dviMagnification, 1, kMagnificationFitPage, 10);
    w.pageSize = Clamp(s.dviPageSize, 0, CustomPageSizeIndex(), 0);
    w.pageWidth = s.dviPageWidth;
    w.pageHeight = s.dviPageHeight;
    w.pageUnits = Clamp(s.dviPageUnits, 0, 1, 0);
    w.useBoundingBox = s.useBoundingBox != 0;
    w.advance = s.dviPageSynchIncr;
    w.rulerUnits = Clamp(s.dviRulerUnits, 0, static_cast<int>(RulerUnitNames().size()) - 1, 3);

    v.spell.options = spell;
    v.spell.dictionary = s.ispellHash;

    BibtexPageValues& b = v.bibtex;
    b.options = s.bibtexOptions;
    b.bibInput = s.bibInput;
    b.bstInput = s.bstInput;
    b.csfInput = s.csfInput;
    b.csFile = s.csFile;

    AdvancedPageValues& a = v.advanced;
    a.makeIndexOptions = s.makeIndexOptions;
    a.dvipsOptions = s.dvipsOptions;
    a.psRender = Clamp(s.psRender, 0, 3, 1);
    a.psRenderCmd = s.psRenderCmd;
    a.psColor = s.psColor != 0;
    a.psAlias = s.psAlias != 0;
    a.trueTypeFontPath = s.trueTypeFontPath;
    a.postScriptFontPath = s.postScriptFontPath;
    a.figurePath = s.figurePath;
    a.mru = s.mru;
    a.netAccess = s.netAccess != 0;
    return v;
}

void ApplyValues(const SettingsPageValues& v, Settings& s, SpellOptions& spell) {
    const EditorPageValues& e = v.editor;
    s.wordWrap = e.wordWrap;
    s.chromaCoding = e.chromaCoding;
    s.autoComplete = e.autoComplete;
    s.autoSpellCheck = e.autoSpellCheck;
    s.emacsLineKill = e.emacsLineKill;
    s.autoCheckExternalEdit = e.autoCheckExternalEdit;
    s.editSelectColumn = e.editSelectColumn;
    s.lineNumbers = e.lineNumbers ? 1 : 0;
    s.fontSize = e.fontSize;
    s.fontColor = e.fontColor;
    s.commandColor = e.commandColor;
    s.commentColor = e.commentColor;
    s.mathColor = e.mathColor;
    s.symbolColor = e.symbolColor;
    s.backColor = e.backColor;
    s.screenFont = e.font;
    if (s.screenFont.faceName.size() > 31)
        s.screenFont.faceName.resize(31);

    const TypesettingPageValues& t = v.typesetting;
    s.typesetDialog = t.smartTypesetter;
    s.autoEditorSave = t.autoSave;
    if (!t.engine.empty())
        s.texEngine = t.engine;
    s.texEngine8bit = t.eightBit;
    s.autoBibTeX = t.autoBibTeX;

    const ViewerPageValues& w = v.viewer;
    s.dviMaximize = w.maximize;
    s.dviScanForColor = w.scanForColor;
    s.dviOrientation = w.orientation;
    s.dviMagnification = w.magnification;
    s.dviPageSize = w.pageSize;
    s.dviPageWidth = w.pageWidth;
    s.dviPageHeight = w.pageHeight;
    s.dviPageUnits = w.pageUnits;
    s.useBoundingBox = w.useBoundingBox;
    s.dviPageSynchIncr = w.advance;
    s.dviRulerUnits = w.rulerUnits;

    spell = v.spell.options;
    if (!v.spell.dictionary.empty())
        s.ispellHash = v.spell.dictionary;

    const BibtexPageValues& b = v.bibtex;
    s.bibtexOptions = b.options;
    s.bibInput = b.bibInput;
    s.bstInput = b.bstInput;
    s.csfInput = b.csfInput;
    s.csFile = b.csFile;

    const AdvancedPageValues& a = v.advanced;
    s.makeIndexOptions = a.makeIndexOptions;
    s.dvipsOptions = a.dvipsOptions;
    s.psRender = a.psRender;
    s.psRenderCmd = a.psRenderCmd;
    s.psColor = a.psColor ? 1 : 0;
    s.psAlias = a.psAlias ? 1 : 0;
    s.trueTypeFontPath = a.trueTypeFontPath;
    s.postScriptFontPath = a.postScriptFontPath;
    s.figurePath = a.figurePath;
    s.mru = a.mru;
    s.netAccess = a.netAccess;
}

BibtexPageValues DefaultBibtexValues() {
    return BibtexPageValues{};
}

std::vector<std::string> UsableEngines(const std::string& installDir, const std::string& current) {
    std::vector<std::string> engines;
    for (const char* name : {"pdfetex", "pdftex", "etex", "tex", "xetex", "luatex"}) {
        if (!ResolveProgram(installDir, name).empty())
            engines.push_back(name);
    }
    if (!current.empty() && std::find(engines.begin(), engines.end(), current) == engines.end())
        engines.push_back(current);
    return engines;
}

std::vector<std::string> DictionaryNames(const std::vector<std::string>& directories,
                                         const std::string& current) {
    std::vector<std::string> names;
    for (const auto& dir : directories) {
        DIR* d = ::opendir(dir.c_str());
        if (!d)
            continue;
        while (dirent* ent = ::readdir(d)) {
            std::string name = ent->d_name;
            if (name.size() > 5 && name.ends_with(".hash"))
                names.push_back(name.substr(0, name.size() - 5));
        }
        ::closedir(d);
    }
    if (!current.empty())
        names.push_back(current);
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

const std::vector<PageSize>& PageSizes() {
    static const std::vector<PageSize> sizes = {
        {"Letter (8.5 x 11 in)", 8500, 11000},       {"Legal (8.5 x 14 in)", 8500, 14000},
        {"Executive (7.25 x 10.5 in)", 7250, 10500}, {"A3 (297 x 420 mm)", 11693, 16535},
        {"A4 (210 x 297 mm)", 8268, 11693},          {"A5 (148 x 210 mm)", 5827, 8268},
        {"B5 (176 x 250 mm)", 6929, 9843},           {"Custom", 0, 0},
    };
    return sizes;
}

int CustomPageSizeIndex() {
    return static_cast<int>(PageSizes().size()) - 1;
}

const std::vector<std::string>& RulerUnitNames() {
    static const std::vector<std::string> names = {"Inches", "Centimeters", "Picas", "Points",
                                                   "BigPoints"};
    return names;
}

std::string ThousandthsText(int thousandths) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d.%03d", thousandths / 1000, std::abs(thousandths % 1000));
    std::string text = buf;
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.')
        text.pop_back();
    return text;
}

std::optional<int> ParseThousandths(const std::string& text) {
    const char* begin = text.c_str();
    while (*begin == ' ')
        ++begin;
    if (*begin == '\0')
        return std::nullopt;
    char* end = nullptr;
    double value = std::strtod(begin, &end);
    while (end && *end == ' ')
        ++end;
    if (!end || *end != '\0' || !(value > 0) || value >= 1000)
        return std::nullopt;
    return static_cast<int>(std::lround(value * 1000));
}

int ConvertThousandths(int value, int fromUnits, int toUnits) {
    if (fromUnits == toUnits)
        return value;
    return static_cast<int>(std::lround(toUnits == 1 ? value * 2.54 : value / 2.54));
}

Rgb RgbFromColorRef(int value) {
    auto v = static_cast<unsigned>(value);
    return Rgb{static_cast<unsigned char>(v & 0xFF), static_cast<unsigned char>((v >> 8) & 0xFF),
               static_cast<unsigned char>((v >> 16) & 0xFF)};
}

int ColorRefFromRgb(Rgb rgb) {
    return rgb.red | (rgb.green << 8) | (rgb.blue << 16);
}

}  // namespace quirn

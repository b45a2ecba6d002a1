#include "app/settings.h"

#include "app/registry.h"
#include "app/tex_environment.h"
#include "platform/settings_store.h"

namespace quirn {

std::array<int, 3> ParseFontPriority(const std::string& text) {
    std::array<int, 3> slots{kFontKindUnset, kFontKindUnset, kFontKindBitmap};
    size_t next = 0;
    for (size_t i = 0; i < text.size() && next < 2;) {
        if (text.compare(i, 2, "PS") == 0) {
            slots[next++] = kFontKindPostScript;
            i += 2;
        } else if (text.compare(i, 2, "TT") == 0) {
            slots[next++] = kFontKindTrueType;
            i += 2;
        } else {
            ++i;
        }
    }
    return slots;
}

std::vector<std::string> SplitPathList(const std::string& text) {
    std::vector<std::string> list;
    size_t start = 0;
    while (start <= text.size()) {
        size_t semi = text.find(';', start);
        std::string item =
            text.substr(start, semi == std::string::npos ? std::string::npos : semi - start);
        if (!item.empty())
            list.push_back(item);
        if (semi == std::string::npos)
            break;
        start = semi + 1;
    }
    return list;
}

std::string JoinPathList(const std::vector<std::string>& list) {
    std::string text;
    for (size_t i = 0; i < list.size(); ++i) {
        if (i)
            text += ';';
        text += list[i];
    }
    return text;
}

std::vector<std::string> DefaultTreeList(const DataRoots& roots) {
    return {UserTree(roots),
            roots.installDir + "texmf-tlv",
            roots.tdsPath + "texmf",
            roots.varDataPath + "texmf-var",
            roots.tdsPath + "texmf-dist",
            roots.tdsPath + "texmf-doc"};
}

// The font loader keeps the first ten directories in fixed slots of 256 characters
// with the terminator; an entry that does not fit is left out rather than cut, since a
// cut directory name would point somewhere else.
static std::vector<std::string> FontSlots(const std::vector<std::string>& list) {
    std::vector<std::string> slots;
    for (const auto& dir : list) {
        if (slots.size() == 10)
            break;
        if (dir.size() <= 255)
            slots.push_back(dir);
    }
    return slots;
}

// The system's fonts directory on this platform.
static const char* kSystemFontsDir = "/usr/share/fonts";

void SettingsManager::FontRecordIo(Direction d, const std::string& section, FontRecord& font) {
    Profile& p = profile_;
    p.ProfileInt(d, section, "Height", font.height, 0);
    if (d == Direction::Load && font.height == 0)
        font.height = -(17 * verticalDpi_) / 120;
    p.ProfileInt(d, section, "Weight", font.weight, 400);
    p.ProfileInt(d, section, "Italic", font.italic, 0);
    p.ProfileInt(d, section, "Underline", font.underline, 0);
    p.ProfileInt(d, section, "PitchAndFamily", font.pitchAndFamily, 49);
    // The desktop's monospace face; the one older settings name is not found on Linux
    // desktops and is read as it.
    p.ProfileText(d, section, "FaceName", font.faceName, "Monospace");
    if (d == Direction::Load && font.faceName == "Courier New")
        font.faceName = "Monospace";
    if (font.faceName.size() > 31)
        font.faceName.resize(31);
}

void SettingsManager::PathListIo(Direction d, const std::string& section, const std::string& key,
                                 std::vector<std::string>& list,
                                 const std::vector<std::string>& def) {
    if (d == Direction::Load) {
        list = SplitPathList(profile_.GetText(section, key, JoinPathList(def)));
    }
    // Path lists are written by the dialogs that edit them, never by the main save.
}

void SettingsManager::LoadSaveSettings(Direction d) {
    if (d == Direction::Save && !loaded_)
        return;  // never overwrite with built-in values
    Profile& p = profile_;
    Settings& s = settings_;
    StoreUpdate batch(p.Store());
    const std::string S = "Settings";

    p.ProfileInt(d, S, "WordWrap", s.wordWrap, 1);
    p.ProfileInt(d, S, "ChromaCoding", s.chromaCoding, 1);
    p.ProfileInt(d, S, "AutoComplete", s.autoComplete, 1);
    p.ProfileInt(d, S, "AutoSpellCheck", s.autoSpellCheck, 1);
    p.ProfileInt(d, S, "AutoBibTeX", s.autoBibTeX, 1);
    p.ProfileInt(d, S, "EmacsLineKill", s.emacsLineKill, 1);
    p.ProfileInt(d, S, "AutoCheckExternalEdit", s.autoCheckExternalEdit, 1);
    p.ProfileInt(d, S, "EditSelectColumn", s.editSelectColumn, 1);
    p.ProfileInt(d, S, "LineNumbers", s.lineNumbers, 1);
    p.ProfileInt(d, S, "DarkPages", s.darkPages, 0);
    p.ProfileText(d, S, "IspellHash", s.ispellHash, "american");
    p.ProfileInt(d, S, "TypesetDialog", s.typesetDialog, 1);
    p.ProfileInt(d, S, "AutoEditorSave", s.autoEditorSave, 1);
    p.ProfileText(d, S, "TeXEngine6", s.texEngine, "pdfetex");
    p.ProfileInt(d, S, "TeXEngine8bit", s.texEngine8bit, 1);
    p.ProfileInt(d, S, "NetAccess", s.netAccess, 1);
    p.ProfileInt(d, S, "MRU", s.mru, 4);
    p.ProfileInt(d, S, "PSRender6", s.psRender, 1);
    p.ProfileText(d, S, "PSRenderCmd", s.psRenderCmd, "");
    p.ProfileInt(d, S, "PSColor", s.psColor, 0);
    p.ProfileInt(d, S, "PSAlias", s.psAlias, 0);
    p.ProfileInt(d, S, "ProjectReopen", s.projectReopen, 1);
    p.ProfileInt(d, S, "ProjectCreatePTP", s.projectCreatePTP, 1);
    p.ProfileInt(d, S, "DVIMaximize", s.dviMaximize, 1);
    p.ProfileInt(d, S, "DVIScanForColor", s.dviScanForColor, 0);
    p.ProfileInt(d, S, "DVIMagnification", s.dviMagnification, 10);
    p.ProfileInt(d, S, "DVIOrientation", s.dviOrientation, 0);
    p.ProfileInt(d, S, "DVIPageSize", s.dviPageSize, 0);
    p.ProfileInt(d, S, "DVIPageWidth", s.dviPageWidth, 8500);
    p.ProfileInt(d, S, "DVIPageHeight", s.dviPageHeight, 11000);
    p.ProfileInt(d, S, "DVIPageUnits", s.dviPageUnits, 0);
    p.ProfileInt(d, S, "DVIPageSynchIncr", s.dviPageSynchIncr, 2);
    p.ProfileInt(d, S, "DVIRulerUnits", s.dviRulerUnits, 3);
    p.ProfileInt(d, S, "UseBoundingBox", s.useBoundingBox, 0);
    if (d == Direction::Load)
        s.magnifyingBoxSize = p.GetInt(S, "MagnifyingBoxSize", 1);
    p.ProfileInt(d, S, "DVIUsePercent", s.dviUsePercent, 1);
    p.ProfileInt(d, S, "PageViewMode", s.pageViewMode, 0);
    p.ProfileInt(d, S, "ViewMagH", s.viewMagH, 350);
    p.ProfileInt(d, S, "ViewMagV", s.viewMagV, 200);
    p.ProfileInt(d, S, "ViewAAThresh", s.viewAAThresh, 10000);
    p.ProfileInt(d, S, "ViewColors", s.viewColors, 0);
    p.ProfileReal(d, S, "PageWidth", s.pageWidth, 8.5);
    p.ProfileReal(d, S, "PageHeight", s.pageHeight, 11.0);
    p.ProfileInt(d, S, "CMunits", s.cmUnits, 0);
    p.ProfileInt(d, S, "Landscape", s.landscape, 0);
    p.ProfileText(d, S, "Units", s.units, "in");
    p.ProfileInt(d, S, "CopyForeColor", s.copyForeColor, 0);
    p.ProfileInt(d, S, "CopyBackColor", s.copyBackColor, 16777215);
    p.ProfileInt(d, S, "CopyBackTrans", s.copyBackTrans, 0);
    p.ProfileInt(d, S, "CopyResolution", s.copyResolution, 0);
    p.ProfileInt(d, S, "CopyAlwaysSpecial", s.copyAlwaysSpecial, 0);

    p.ProfileText(d, "Typeset", "Format", s.format, "");
    p.ProfileText(d, "Typeset", "Mode", s.mode, "");

    p.ProfileInt(d, "Font", "FontSize", s.fontSize, 100);
    p.ProfileIntKeepCurrent(d, "Font", "FontColor", s.fontColor);
    p.ProfileIntKeepCurrent(d, "Font", "CommandColor", s.commandColor);
    p.ProfileIntKeepCurrent(d, "Font", "CommentColor", s.commentColor);
    p.ProfileIntKeepCurrent(d, "Font", "MathColor", s.mathColor);
    p.ProfileIntKeepCurrent(d, "Font", "SymbolColor", s.symbolColor);
    p.ProfileIntKeepCurrent(d, "Font", "BackColor", s.backColor);
    FontRecordIo(d, "Font", s.screenFont);
    FontRecordIo(d, "PrintFont", s.printFont);

    s.installDir = roots_.installDir;
    p.ProfileText(d, "Directories", "Install", s.installDir, roots_.installDir);
    if (d == Direction::Load) {
        s.installDir = roots_.installDir;
        Registry reg(p.Store());
        s.fileOpen = p.GetText("Directories", "FileOpen", DocumentsFolder(reg, roots_.installDir));
    }
    PathListIo(d, "Directories", "FigurePath", s.figurePath, {"."});
    PathListIo(d, "Directories", "TDSArchivePath", s.tdsArchivePath, DefaultTreeList(roots_));
    PathListIo(d, "Directories", "ExtraTexInputPath", s.extraTexInputPath, {"."});
    PathListIo(d, "Directories", "TFMPath", s.tfmPath, {"."});
    PathListIo(d, "FontPaths", "PKFontPath", s.pkFontPath, {"."});
    PathListIo(d, "FontPaths", "TrueTypeFontPath", s.trueTypeFontPath, {kSystemFontsDir});
    PathListIo(d, "FontPaths", "PostScriptFontPath", s.postScriptFontPath, {"."});
    if (d == Direction::Load) {
        s.tfmSlots = FontSlots(s.tfmPath);
        s.pkSlots = FontSlots(s.pkFontPath);
        s.fontPriority = p.GetText("fonts", "Priority", "PS,TT");
        s.fontPrioritySlots = ParseFontPriority(s.fontPriority);
    }

    p.ProfileText(d, "BibTeX", "OptionString", s.bibtexOptions, "-8");
    p.ProfileText(d, "BibTeX", "BIBINPUT", s.bibInput, "");
    p.ProfileText(d, "BibTeX", "BSTINPUT", s.bstInput, "");
    p.ProfileText(d, "BibTeX", "CSFINPUT", s.csfInput, "");
    p.ProfileText(d, "BibTeX", "CSFILE", s.csFile, "");
    p.ProfileText(d, "MakeIndex", "OptionString", s.makeIndexOptions, "");
    p.ProfileText(d, "DVIPS", "OptionString", s.dvipsOptions, "");

    if (d == Direction::Load)
        loaded_ = true;
}

}  // namespace quirn

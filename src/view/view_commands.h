// The commands of the page view, numbered as the menus and the status bar number
// them, and the measuring units of the rulers and the pointer position.
#pragma once

#include <string>

#include "dvi/point_info.h"

namespace quirn {

enum ViewCommand : int {
    kCmdSinglePage = 32850,        // "Single Page"
    kCmdTwoPages = 32851,          // "Two Pages"
    kCmdBook = 32852,              // "Book"
    kCmdContinuous = 32989,        // "Continuous"
    kCmdZoomWholePage = 59200,     // "to Whole &Page"
    kCmdZoomPageWidth = 59201,     // "to Page &Width"
    kCmdZoomVisibleWidth = 59202,  // "to Visible &Width"
    kCmdZoomSelection = 59203,     // "to Selection"
    kCmdZoomUp = 31217,            // "&Up"
    kCmdZoomDown = 31216,          // "&Down"
    kCmdFirstPage = 32780,         // "&First Page"
    kCmdPreviousPage = 31218,      // "P&revious Page"
    kCmdNextPage = 31219,          // "&Next Page"
    kCmdLastPage = 32782,          // "&Last Page"
    kCmdSelectPage = 32781,        // "&Select Page"
    kCmdFontInfoTool = 32856,      // "Font Info Tool"
    kCmdSelectionTool = 32857,     // "Selection Tool"
    kCmdMagnifierTool = 32858,     // "&Magnification Tool"
    kCmdToggleRuler = 32844,       // "Toggle &Ruler"
    kCmdSetRulerOrigin = 32969,    // "Set Ruler &Origin"
    kCmdUnitInches = 32884,        // "&Inches"
    kCmdUnitCentimeters = 32885,   // "&Centimeters"
    kCmdUnitPicas = 32886,         // "&Picas"
    kCmdUnitPoints = 32887,        // "&Points"
    kCmdUnitBigPoints = 32888,     // "&BigPoints"
    kCmdGreys = 32896,             // "B&&W/Greys"
    kCmdColours = 32897,           // "Colors"
    kCmdSmoothAuto = 32895,        // "&Auto"
    kCmdSmoothAlways = 32893,      // "A&lways"
    kCmdSmoothNever = 32894,       // "&Never"
    kCmdGotoSource = 32901,        // "&Goto TeX Source"
    kCmdGotoSourceKey = 32970,     // its key
};

// Page modes.
enum PageMode : int {
    kModeContinuous = 0,
    kModeSingle = 1,
    kModeTwoPages = 2,
    kModeBook = 3,
};

// Pointer tools.
enum ViewTool : int {
    kToolMagnifier = 1,
    kToolSelection = 2,
    kToolFontInfo = 3,
};

struct UnitEntry {
    int command;
    const char* menuText;
    RulerUnit unit;
};

// The five units in menu order.
inline constexpr UnitEntry kUnits[] = {
    {kCmdUnitInches, "&Inches", {"in", 1.0}},
    {kCmdUnitCentimeters, "&Centimeters", {"cm", 2.54}},
    {kCmdUnitPicas, "&Picas", {"pc", 6.0225}},
    {kCmdUnitPoints, "&Points", {"pt", 72.27}},
    {kCmdUnitBigPoints, "&BigPoints", {"bp", 72.0}},
};

// The unit saved under `name` in the setting "Units"; inches for an unknown name.
const UnitEntry& UnitByName(const std::string& name);
// The unit a command selects; null when the command is not a unit command.
const UnitEntry* UnitByCommand(int command);

}  // namespace quirn

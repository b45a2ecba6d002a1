// Menu identifiers of the view commands. The commands keep their numbers (31216,
// 32780, 59200, ...), but the toolkit takes menu identifiers below 32767 only, so
// numbers from 32767 up are shifted down by 30000 for the menus and back for the view.
#pragma once

namespace quirn::gui {

inline constexpr int kMenuIdShift = 30000;

constexpr int MenuIdOf(int command) {
    return command >= 32767 ? command - kMenuIdShift : command;
}

constexpr int CommandOfMenuId(int id) {
    return (id >= MenuIdOf(32767) && id < 4999) || (id >= MenuIdOf(59200) && id < 30000)
               ? id + kMenuIdShift
               : id;
}

// The package commands of the TeX menu.
inline constexpr int kIdInsertPackage = 26500;
inline constexpr int kIdClassOptions = 26501;
inline constexpr int kIdPackageManager = 26502;
// The page views' dark-page mode (View menu).
inline constexpr int kIdDarkPages = 24900;

static_assert(MenuIdOf(59203) < 32767 && CommandOfMenuId(MenuIdOf(59203)) == 59203);
static_assert(CommandOfMenuId(MenuIdOf(32989)) == 32989 && CommandOfMenuId(31216) == 31216);

}  // namespace quirn::gui

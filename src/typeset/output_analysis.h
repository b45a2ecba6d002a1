// Reading the output window's last lines while and after an engine runs: the
// prompts at which the engine stops and waits, the error line that the editor call
// (TEXEDIT) prints, and the TeX error line to mark. Lines are counted from the end;
// the last line, number 0, is the one being written (empty after a line end).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quirn {

// The last `count` lines of `text`, the last one first, without their line ends.
std::vector<std::string_view> LastLines(std::string_view text, std::size_t count);

enum class StopKind {
    None,             // not stopped at a prompt Quirn handles
    MissingFile,      // the engine asks for another name of a file it cannot find
    MissingFont,      // the engine cannot load a font's metric file
    OldFormatNotice,  // the LaTeX sources are older than the format expects; just go on
    ErrorStop,        // an ordinary error stop at the "? " prompt
};

struct InteractiveStop {
    StopKind kind = StopKind::None;
    std::string missingName;  // the missing file (a font as NAME.tfm)
};

// What the engine's last output says about the stop it waits at.
InteractiveStop RecognizeInteractiveStop(std::string_view outputText);

struct ErrorPosition {
    std::string file;  // as the engine named it (often relative to the run's directory)
    int line = 0;
};

// The error position printed by the editor call: the last 20 lines, from the end,
// are read with the pattern "*** ERROR Line %d in %n".
std::optional<ErrorPosition> FindErrorPosition(std::string_view outputText);

// The line to mark in the output window: among the last 40 lines, the nearest to the
// end that begins with "!". Its number counted from the end, or -1.
int FindErrorMarkerLine(std::string_view outputText);

// True when one of the last 10 lines contains "No pages of output".
bool ReportsNoPagesOfOutput(std::string_view outputText);

}  // namespace quirn

// The font information under a point of a page: the text the font-information tool
// shows in the status bar.
#pragma once

#include <string>

namespace quirn {

class CDVIDoc;

// A measuring unit of the rulers and the pointer position.
struct RulerUnit {
    const char* name = "in";
    double perInch = 1.0;
};

// "(x,y) (...)  Font: ...  CharCode: ...  designsize: ...pt scaled ...%" for the
// first character of the page's plain content whose box holds the point (pixels at
// `dpi` from the paper's top-left corner); empty when there is none.
std::string PointInfo(CDVIDoc& doc, int page, int dpi, int px, int py,
                      const RulerUnit& unit = RulerUnit{});

}  // namespace quirn

// The graphics dialog of Insert Graphic, of a pasted bitmap and of a click on an
// \includegraphics: a preview, the size line, the size on the page with keep-aspect,
// a bounding-box override, the alignment, and the figure with placement, caption and
// label. The values go in and come out as a GraphicRequest.
#pragma once

#include <wx/dialog.h>
#include <wx/window.h>

#include <memory>

#include "editor/graphic_insertion.h"
#include "graphics/graphic_description.h"
#include "graphics/rgb_image.h"

namespace quirn::gui {

// Shows the dialog for `request` (its path, sizes and choices are the starting values);
// true with the edited request on OK.
bool ShowInsertGraphicDialog(wxWindow* parent, const GraphicDescription& graphic,
                             const RgbImage* preview, GraphicRequest& request);

// The dialog itself, made but not shown (window tests drive it this way). `request`
// must outlive it; OK (TransferDataFromWindow) writes into it.
std::unique_ptr<wxDialog> MakeInsertGraphicDialog(wxWindow* parent,
                                                  const GraphicDescription& graphic,
                                                  const RgbImage* preview, GraphicRequest& request);

// The size a graphic takes on the page when nothing else is asked for: its natural
// size (bitmaps at their own resolution, 72 dpi without one) in `unit`.
void NaturalGraphicSize(const GraphicDescription& graphic, double bitmapDpi,
                        const std::string& unit, double* width, double* height);

}  // namespace quirn::gui

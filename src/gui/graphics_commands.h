// The window's graphics and export commands: Insert Graphic and the Graphics
// Migration Wizard in the TeX menu, pasting a bitmap and editing an \includegraphics in
// the editor, and the File menu's Save as PostScript, Save as PDF and the page exports
// (EPS, Illustrator) for the page views.
#pragma once

#include <wx/menu.h>

#include <string>

#include "editor/text_buffer.h"

namespace quirn::gui {

class CMainFrame;
class CQuirnWinView;

enum GraphicsCommand : int {
    kIdInsertGraphic = 26400,  // menu identifiers stay below 32767
    kIdGraphicsMigration,
    kIdSavePostScript,
    kIdSavePdf,
    kIdExportPageEps,
    kIdExportPageIllustrator,
};

void AddGraphicsMenuItems(wxMenu* tex);
void AddExportMenuItems(wxMenu* file);
// Binds the commands' handlers and their enabling on the frame.
void BindGraphicsCommands(CMainFrame* frame);

// Connects an editor's paste and clicks on \includegraphics to the two below.
void ConnectGraphicsEditing(CQuirnWinView& view);

// Paste in an editor: when the clipboard holds a bitmap, the question and, on Yes, the
// bitmap saved as a BMP file and inserted as a graphic. False when the clipboard holds
// no bitmap (the ordinary paste goes on).
bool PasteBitmapIntoEditor(CQuirnWinView& view);

// A click on an \includegraphics at `pos`: the graphics dialog with its values, whose
// result replaces the command; otherwise the message that it cannot be read.
void EditGraphicAt(CQuirnWinView& view, TextPos pos);

}  // namespace quirn::gui

// What the windows need from the window application: the application object, the
// prompt and output window, typesetting, the document manager and the main frame.
// The application registers itself at start-up; window tests may register their own.
#pragma once

#include <wx/docview.h>

#include <string>

#include "app/application.h"
#include "platform/output_sink.h"
#include "platform/user_prompt.h"

namespace quirn::gui {

class CMainFrame;
class TypesetBridge;
struct EditorShared;

class GuiServices {
  public:
    virtual ~GuiServices() = default;
    virtual Application& App() = 0;
    virtual UserPrompt& Prompt() = 0;
    virtual OutputSink& Output() = 0;
    virtual TypesetBridge& Typeset() = 0;
    virtual wxDocManager& Documents() = 0;
    virtual CMainFrame* MainFrame() = 0;
    // What all editor windows share (the Find/Replace dialog and its state, ...).
    virtual EditorShared& Editors() = 0;
    // The code typed at the "Internal Debugging" prompt (empty: none).
    virtual const std::string& DebugCode() const = 0;
};

// The registered services; the window classes are only made after registration.
GuiServices& Services();
void RegisterServices(GuiServices* services);
// Null once the application has ended (windows destroyed late must not ask it).
GuiServices* ServicesIfRunning();

}  // namespace quirn::gui

// Connects the window application to typesetting: the TeX environment at start-up,
// the format list and format builds, the running children polled from the timer, the
// batch typeset path, and the hand-offs a run makes to the editor and the viewers.
#pragma once

#include <wx/docview.h>

#include <memory>

#include "app/application.h"
#include "dvi/fonts/font_context.h"
#include "process/process_list.h"
#include "typeset/formats.h"
#include "typeset/output_monitor.h"
#include "typeset/typeset_seams.h"
#include "typeset/typesetter.h"

namespace quirn::gui {

class CMainFrame;

class GuiTypesetSeams : public TypesetSeams {
  public:
    GuiTypesetSeams(wxDocManager& docs, CMainFrame*& frame) : docs_(docs), frame_(frame) {}
    bool SaveAllModified() override;
    void GoToLine(const std::string& file, int line) override;
    bool IsDocumentOpen(const std::string& path) override;
    void OpenDocumentFile(const std::string& path) override;
    void ReloadDocument(const std::string& path) override;
    void OpenPdf(const std::string& path) override;
    void ShowOutputBar(bool show) override;

  private:
    wxDocument* FindDocument(const std::string& path);
    wxDocManager& docs_;
    CMainFrame*& frame_;
};

class TypesetBridge {
  public:
    TypesetBridge(Application& app, OutputSink& window, UserPrompt& prompt, wxDocManager& docs,
                  CMainFrame*& frame);
    ~TypesetBridge();

    // Fills the start-up seams that belong to the TeX environment and typesetting.
    void AddStartupSeams(StartupSeams& seams);
    // One pass over the running children (from the window's timer).
    void Poll();
    // Typed into the output window: to the engine when one waits for input.
    bool TypeKey(int key);
    bool ConfirmClose();
    Typesetter* GetTypesetter() { return typesetter_.get(); }

  private:
    void Prepare();
    int RunBatchTypeset(const std::string& file, const std::string& format);

    Application& app_;
    OutputMonitor monitor_;
    UserPrompt& prompt_;
    GuiTypesetSeams seams_;
    std::unique_ptr<Formats> formats_;
    std::unique_ptr<ProcessList> processes_;
    std::unique_ptr<Typesetter> typesetter_;
    std::unique_ptr<FontContext> fonts_;
};

}  // namespace quirn::gui

// Connects the window application to typesetting: the TeX environment at start-up,
// the format list and format builds, the running children polled from the timer, the
// batch typeset path, and the hand-offs a run makes to the editor and the viewers.
#pragma once

#include <wx/docview.h>

#include <functional>
#include <memory>

#include "app/application.h"
#include "dvi/dvi_context.h"
#include "dvi/fonts/pk_maker.h"
#include "packages/missing_files.h"
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
    std::string MainFileFor(const std::string& file) override;
    void RefreshFilesAfterTypeset(const std::string& mainFile,
                                  const std::vector<std::string>& usedFiles) override;
    bool SaveAllModified() override;
    std::string ActiveTeXDocumentText() override;
    bool SourceModifiedDuringRun(const std::string& source) override;
    void GoToLine(const std::string& file, int line) override;
    bool IsDocumentOpen(const std::string& path) override;
    void OpenDocumentFile(const std::string& path) override;
    void ReloadDocument(const std::string& path) override;
    void OpenPdf(const std::string& path) override;
    void FormatListRebuilt() override;
    void ClearOutput() override;
    void RemoveLastOutputCharacter() override;
    void MarkOutputLine(int lineFromEnd) override;
    void RunEnded(const std::string& source) override;
    void ShowOutputBar(bool show) override;
    void FocusOutput() override;
    void FocusMainWindow() override;

    bool PreTypesetChecks(const std::string& file) override {
        return !preTypesetChecks || preTypesetChecks(file);
    }
    void ConvertGraphics(const std::string& file, bool) override {
        if (convertGraphics)
            convertGraphics(file);
    }
    bool ResolveMissingFile(const std::string& name) override {
        return resolveMissingFile && resolveMissingFile(name);
    }

    wxDocument* FindDocument(const std::string& path);
    std::function<void()> formatListListener;
    // The checks before a run and the missing-file resolution, once start-up has made
    // what they need.
    std::function<bool(const std::string&)> preTypesetChecks;
    std::function<void(const std::string&)> convertGraphics;
    std::function<bool(const std::string&)> resolveMissingFile;

  private:
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
    // The running list (captured tools run there, their output in the output window).
    ProcessList* Processes() { return processes_.get(); }
    // The previewer's fonts and settings, shared by every DVI document.
    DviContext* Previewer() { return previewer_.get(); }
    // The Typeset command for the active document.
    void TypesetActiveDocument();
    std::string MainFileFor(const std::string& path) { return seams_.MainFileFor(path); }
    // Opens a document, or brings its window forward when it is open; the document,
    // or null when it could not be opened.
    wxDocument* ShowDocument(const std::string& path);
    // When the pages typeset from `source` (an open TeX document) are newer than it, they
    // open beside it; the editor keeps the keys.
    void ShowNewerPages(const std::string& source);
    // The open document of a file, or null.
    wxDocument* FindDocument(const std::string& path) { return seams_.FindDocument(path); }
    // Opens (or brings forward) a TeX source and puts the caret on a line of it.
    void GoToSourceLine(const std::string& file, int line) { seams_.GoToLine(file, line); }
    // Called after an INITeX run rebuilt the format list.
    void SetFormatListListener(std::function<void()> listener) {
        seams_.formatListListener = std::move(listener);
    }
    Formats* GetFormats() { return formats_.get(); }
    // The missing-file resolution (made at start-up).
    MissingFileResolver* Resolver() { return resolver_.get(); }

  private:
    void Prepare();
    // The bitmap fonts made in the background are attached and their pages redrawn.
    void AttachMadeFonts();
    int RunBatchTypeset(const std::string& file, const std::string& format);

    Application& app_;
    OutputMonitor monitor_;
    UserPrompt& prompt_;
    GuiTypesetSeams seams_;
    std::unique_ptr<Formats> formats_;
    std::unique_ptr<ProcessList> processes_;
    std::unique_ptr<Typesetter> typesetter_;
    // Declared before the previewer, which borrows it, so that it outlives it.
    std::unique_ptr<BackgroundPkMaker> pkMaker_;
    std::unique_ptr<DviContext> previewer_;
    std::unique_ptr<MissingFileResolver> resolver_;
    bool polling_ = false;
};

}  // namespace quirn::gui

// The window application: owns the settings store, the application object and the
// document manager, fills the start-up seams with the window system's parts, and
// polls the single-instance socket and the running children from a timer.
#pragma once

#include <wx/app.h>
#include <wx/docview.h>
#include <wx/timer.h>

#include <memory>

#include "app/application.h"
#include "graphics/graphics_special.h"
#include "gui/gui_services.h"
#include "gui/wx_prompt.h"
#include "platform/output_sink.h"
#include "platform/recovery_store.h"
#include "platform/settings_store.h"
#include "platform/single_instance.h"

namespace quirn::gui {

class CMainFrame;
struct EditorShared;
class ScriptRunner;
class TypesetBridge;

// Keeps what is written before the output window exists and hands it over later.
class DeferredSink : public OutputSink {
  public:
    void AppendOutput(std::string_view text) override;
    void SetTarget(OutputSink* target);

  private:
    OutputSink* target_ = nullptr;
    std::string pending_;
};

class QuirnApp : public wxApp, public GuiServices {
  public:
    QuirnApp();
    ~QuirnApp() override;
    bool OnInit() override;
    int OnRun() override;
    int OnExit() override;

    CMainFrame* MainFrame() override { return frame_; }
    Application& App() override { return *app_; }
    UserPrompt& Prompt() override { return prompt_; }
    OutputSink& Output() override { return output_; }
    TypesetBridge& Typeset() override { return *typeset_; }
    wxDocManager& Documents() override { return *docManager_; }
    const std::string& DebugCode() const override { return debugCode_; }
    EditorShared& Editors() override { return *editors_; }

  private:
    StartupSeams MakeSeams();
    void OnTimer(wxTimerEvent&);
    void OnMainClose(wxCloseEvent& e);
    void TakeScreenshot(const wxString& path);
    void LoadRecentFiles();
    void SaveRecentFiles();
    // Ended from outside (SIGTERM, SIGINT): keeps recovery copies and ends at once.
    [[noreturn]] void EndAfterSignal();
    void OfferRecoveryCopies();
    bool OpenRecoveredText(const RecoveryCopy& copy);
    void OpenHandedOverFiles(const std::vector<std::string>& files);
    void PrintActiveDocument();

    DeferredSink output_;
    WxPrompt prompt_;
    std::unique_ptr<SettingsStore> store_;
    std::unique_ptr<Application> app_;
    std::unique_ptr<wxDocManager> docManager_;
    std::unique_ptr<TypesetBridge> typeset_;
    std::unique_ptr<GraphicsSpecialLibrary> graphics_;
    std::unique_ptr<ScriptRunner> script_;
    std::unique_ptr<EditorShared> editors_;
    InstanceServer instance_;
    CMainFrame* frame_ = nullptr;
    wxTimer timer_;
    wxTimer signalTimer_;
    std::string debugCode_;
    bool endAtOnce_ = false;
    bool batch_ = false;
    bool printed_ = false;
    int exitCode_ = 0;
};

wxDECLARE_APP(QuirnApp);

}  // namespace quirn::gui

#include "gui/quirn_app.h"

#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/display.h>
#include <wx/image.h>

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <optional>
#include <vector>

#include "app/command_line.h"
#include "gui/documents.h"
#include "gui/editor_view.h"
#include "gui/format_controls.h"
#include "gui/main_frame.h"
#include "gui/open_dialog.h"
#include "gui/test_script.h"
#include "gui/tools_menu.h"
#include "gui/typeset_bridge.h"
#include "platform/paths.h"
#include "platform/print_job.h"
#include "typeset/typesetter.h"

namespace quirn::gui {

namespace {

// The period of the idle processing (child processes, the script, the second start),
// and the shorter one while a typesetting run goes on.
constexpr int kIdlePollMs = 100;
constexpr int kBusyPollMs = 10;

// Set by the handler, looked at by a timer of its own. A timer runs in every event
// loop, the nested ones of message boxes and questions included, but not inside its own
// handler: the idle timer's handler opens questions (after a typesetting run, from the
// test script), so the signal has a timer that never does.
volatile std::sig_atomic_t g_terminate = 0;
constexpr int kSignalPollMs = 100;

void OnTerminateSignal(int) {
    g_terminate = 1;
}

// Says nothing: the command line is read once more only to learn which files a second
// start hands over; its messages come when the start-up reads it.
class SilentPrompt : public UserPrompt {
  public:
    void ShowMessage(const std::string&) override {}
    int Ask(const std::string&, const std::vector<std::string>&, int, int negative) override {
        return negative;
    }
};

std::string DisplayName() {
    wxString display;
    if (wxGetEnv("DISPLAY", &display) && !display.empty())
        return display.utf8_string();
    if (wxGetEnv("WAYLAND_DISPLAY", &display))
        return display.utf8_string();
    return {};
}

// dvips's names for the command line's paper choices (1 LETTER, 2 LEGAL, 3 EXEC, 4 A4).
std::string PaperName(int paper) {
    switch (paper) {
        case 1:
            return "letter";
        case 2:
            return "legal";
        case 3:
            return "executive";
        case 4:
            return "a4";
        default:
            return {};
    }
}

std::string CommandLineOf(int argc, wxChar** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(wxString(argv[i]).utf8_string());
    return JoinCommandLine(args);
}

}  // namespace

void DeferredSink::AppendOutput(std::string_view text) {
    if (target_) {
        target_->AppendOutput(text);
    } else {
        pending_.append(text);
    }
}

void DeferredSink::SetTarget(OutputSink* target) {
    target_ = target;
    if (target_ && !pending_.empty()) {
        target_->AppendOutput(pending_);
        pending_.clear();
    }
}

QuirnApp::QuirnApp() = default;
QuirnApp::~QuirnApp() = default;

StartupSeams QuirnApp::MakeSeams() {
    StartupSeams s;
    typeset_->AddStartupSeams(s);
    s.screenDpi = [] {
        wxSize ppi = wxDisplay(0u).GetPPI();
        return std::max(ppi.GetWidth(), ppi.GetHeight());
    };
    s.handOverToRunningInstance = [this] {
        // One instance per user, display and settings folder. Batch runs (print,
        // typeset) do their work themselves and leave the running window alone.
        StartupOptions options;
        SilentPrompt silent;
        bool parsed = ParseCommandLine(CommandLineOf(argc, argv), options, silent, nullptr);
        if (parsed && (options.print || options.typeset))
            return false;
        std::string socket = InstanceSocketPath(DisplayName(), DefaultStoreDirectory());
        if (socket.empty())
            return false;
        // The running window has its own working folder: it gets absolute names.
        std::vector<std::string> files;
        for (const auto& file : options.files)
            files.push_back(AbsolutePath(file, StartFolder()));
        if (AskRunningInstance(socket, files))
            return true;
        instance_.Listen(socket);
        return false;
    };
    s.registerDocumentTypes = [this] { RegisterDocumentTypes(docManager_.get()); };
    s.createMainFrame = [this] {
        frame_ = new CMainFrame(docManager_.get(), "Quirn");
        SetTopWindow(frame_);
        prompt_.SetParent(frame_);
        output_.SetTarget(frame_->OutputBar());
        frame_->OutputBar()->SetKeyHandler([this](int key) { return typeset_->TypeKey(key); });
        frame_->Bind(wxEVT_CLOSE_WINDOW, &QuirnApp::OnMainClose, this);
        // Format menu and box, output mode, INITeX and the Settings dialog.
        AttachFrameControls(frame_, *app_, *typeset_);
        return true;
    };
    s.fillToolsMenu = [this] { RefillToolsMenu(*frame_->GetMenuBar()); };
    s.showMainWindow = [this](bool minimised) {
        if (minimised) {
            frame_->Iconize(true);
        } else {
            frame_->RestoreWindowState(app_->GetProfile());
        }
        LoadRecentFiles();
        frame_->Show(true);
    };
    s.openDocument = [this](const std::string& path) {
        return docManager_->CreateDocument(wxString::FromUTF8(path), wxDOC_SILENT) != nullptr;
    };
    s.reopenProject = [this](const std::string& path) {
        frame_->WorkspaceBar()->Projects().Open(path);
    };
    s.printActiveDocument = [this] { PrintActiveDocument(); };
    s.saveAllModified = [this] { return docManager_->CloseDocuments(false); };
    s.connectGraphicsLibrary = [this] {
        graphics_ = std::make_unique<GraphicsSpecialLibrary>(app_->Roots().installDir,
                                                             &app_->Context().temporary);
        graphics_->SetConsole(&output_);
    };
    return s;
}

bool QuirnApp::OnInit() {
    // Names the user gives (command line, script, screenshot) are relative to the
    // folder the program was started in; it is read before anything else runs.
    const std::string& startFolder = StartFolder();
    wxInitAllImageHandlers();
    if (wxGetEnv("QUIRN_TEST_ANSWER", nullptr)) {
        // Scripted runs have nobody to close an assertion dialog: say it and go on.
        wxSetAssertHandler([](const wxString& file, int line, const wxString& func,
                              const wxString& cond, const wxString& msg) {
            std::fprintf(stderr, "assertion: %s (%s) in %s at %s:%d\n", cond.utf8_string().c_str(),
                         msg.utf8_string().c_str(), func.utf8_string().c_str(),
                         file.utf8_string().c_str(), line);
        });
    }
    std::signal(SIGTERM, OnTerminateSignal);
    std::signal(SIGINT, OnTerminateSignal);

    editors_ = std::make_unique<EditorShared>();
    RegisterServices(this);
    docManager_ = std::make_unique<QuirnDocManager>();
    store_ = OpenFileStore(DefaultStoreDirectory(), &output_);
    app_ = std::make_unique<Application>(*store_, output_, prompt_);
    typeset_ = std::make_unique<TypesetBridge>(*app_, output_, prompt_, *docManager_, frame_);

    bool running = app_->InitInstance(CommandLineOf(argc, argv), MakeSeams());
    const StartupOptions& o = app_->Options();
    batch_ = o.print || o.typeset;
    if (!running) {
        endAtOnce_ = true;
        exitCode_ = app_->HandedOver() ? 0 : (batch_ ? app_->ResultCode() : 1);
        if (o.print && !printed_ && exitCode_ == 0)
            exitCode_ = 1;
        return true;  // OnRun returns at once with the exit code
    }
    if (!batch_)
        CallAfter([this] { OfferRecoveryCopies(); });

    timer_.Bind(wxEVT_TIMER, &QuirnApp::OnTimer, this);
    timer_.Start(kIdlePollMs);
    signalTimer_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
        if (g_terminate)
            EndAfterSignal();
    });
    signalTimer_.Start(kSignalPollMs);

    wxString script;
    if (wxGetEnv("QUIRN_SCRIPT", &script) && !script.empty()) {
        script_ = std::make_unique<ScriptRunner>();
        script_->screenshot = [this](const wxString& path) {
            // What the steps before changed is on the screen only after the repaint.
            frame_->Refresh();
            frame_->Update();
            wxYield();
            TakeScreenshot(path);
        };
        const std::string path = AbsolutePath(script.utf8_string(), startFolder);
        if (!script_->Load(path))
            output_.AppendOutput("Cannot read the script " + path + "\n");
    }
    wxString shot;
    if (wxGetEnv("QUIRN_SCREENSHOT", &shot) && !shot.empty()) {
        shot = wxString::FromUTF8(AbsolutePath(shot.utf8_string(), startFolder));
        // Under a virtual display: picture the window once it has settled, then close.
        CallAfter([this, shot] {
            wxMilliSleep(500);
            wxYield();
            TakeScreenshot(shot);
            frame_->Close();
        });
    }
    return true;
}

int QuirnApp::OnRun() {
    if (endAtOnce_) {
        if (frame_)
            frame_->Destroy();
        return exitCode_;
    }
    return wxApp::OnRun();
}

void QuirnApp::OnTimer(wxTimerEvent&) {
    typeset_->Poll();
    // While a child runs the running list is polled often, so that the end of a run is
    // taken up at once instead of up to a tenth of a second later.
    Typesetter* typesetter = typeset_->GetTypesetter();
    const int period = typesetter && typesetter->Busy() ? kBusyPollMs : kIdlePollMs;
    if (timer_.GetInterval() != period)
        timer_.Start(period);
    if (script_ && script_->Active())
        script_->Step();
    instance_.Poll([this](const std::vector<std::string>& files) { OpenHandedOverFiles(files); });
}

void QuirnApp::OpenHandedOverFiles(const std::vector<std::string>& files) {
    for (const auto& file : files)
        docManager_->CreateDocument(wxString::FromUTF8(file), wxDOC_SILENT);
    if (frame_)
        frame_->BringToFront();
}

// A logout or `kill` may come while a question waits for an answer, from inside that
// question's event loop. Nobody can answer now, and no file of the user's is written
// without asking: the modified texts go into recovery copies, the settings are saved,
// and the program ends here without returning into the loops it is nested in.
void QuirnApp::EndAfterSignal() {
    timer_.Stop();
    signalTimer_.Stop();
    RecoveryStore recovery(DefaultRecoveryDirectory());
    for (wxDocument* doc : docManager_->GetDocumentsVector()) {
        auto* tex = wxDynamicCast(doc, CQuirnWinDoc);
        wxStyledTextCtrl* editor = tex ? tex->Editor() : nullptr;
        if (!editor || !tex->IsModified())
            continue;
        wxCharBuffer text = editor->GetTextRaw();
        std::string original = tex->GetFilename().utf8_string();
        if (!recovery.Write(original, std::string_view(text.data(), text.length()))) {
            std::fprintf(stderr, "Quirn: no recovery copy of %s could be written in %s\n",
                         original.empty() ? "an unnamed document" : original.c_str(),
                         recovery.Directory().c_str());
        }
    }
    // A running engine goes with the window.
    if (Typesetter* typesetter = typeset_->GetTypesetter(); typesetter && typesetter->Busy())
        typesetter->Cancel();
    if (frame_ && !batch_)
        frame_->SaveWindowState(app_->GetProfile(), app_->Record().fileOpen);
    SaveRecentFiles();
    app_->ExitInstance();
    instance_.Close();
    std::fflush(nullptr);
    ::_exit(0);
}

// Copies kept when the program was ended from outside are offered back one by one:
// "yes" opens the text as a modified document of its file (written there only when
// the user saves it), "no" throws the copy away.
void QuirnApp::OfferRecoveryCopies() {
    RecoveryStore recovery(DefaultRecoveryDirectory());
    for (const RecoveryCopy& copy : recovery.List()) {
        std::string name = copy.originalPath.empty() ? "an unnamed document" : copy.originalPath;
        bool open = prompt_.AskYesNo("Quirn was ended before the changes to " + name +
                                     " were saved, and kept a copy of the changed text.\n\n"
                                     "Open the recovered text? (No discards it.)");
        // A copy whose text could not be opened stays for the next start.
        if (!open || OpenRecoveredText(copy))
            recovery.Remove(copy);
    }
}

bool QuirnApp::OpenRecoveredText(const RecoveryCopy& copy) {
    wxDocument* doc = nullptr;
    if (!copy.originalPath.empty() && RegularFileExists(copy.originalPath)) {
        doc = docManager_->CreateDocument(wxString::FromUTF8(copy.originalPath), wxDOC_SILENT);
    } else if (wxDocTemplate* tex = docManager_->FindTemplateForPath("recovered.tex")) {
        // The file is gone (or never had a name): a new document, named after it.
        doc = tex->CreateDocument("", wxDOC_NEW);
        if (doc && !doc->OnNewDocument())
            doc = nullptr;
    }
    auto* tex = wxDynamicCast(doc, CQuirnWinDoc);
    wxStyledTextCtrl* editor = tex ? tex->Editor() : nullptr;
    if (!editor) {
        prompt_.ShowMessage("Unable to open the recovered text of " + copy.originalPath +
                            "; it stays in " + copy.copyPath);
        return false;
    }
    editor->ClearAll();
    editor->AddTextRaw(copy.text.data(), static_cast<int>(copy.text.size()));
    editor->GotoPos(0);
    tex->Modify(true);
    return true;
}

void QuirnApp::PrintActiveDocument() {
    wxDocument* doc = docManager_->GetCurrentDocument();
    if (!doc)
        return;
    const StartupOptions& o = app_->Options();
    PrintRequest request;
    request.installDir = app_->Roots().installDir;
    request.file = doc->GetFilename().utf8_string();
    request.landscape = o.orientation == 2;
    request.paper = PaperName(o.paper);
    request.environment = app_->Context().childEnvironment;
    PrintResult result = PrintDocument(request, app_->Context().temporary);
    printed_ = result.printed;
    if (!printed_) {
        output_.AppendOutput(result.message + "\n");
        prompt_.ShowMessage(result.message);
    }
}

// The recent-file list lives in "Recent File List" as "File1", "File2", ... with as
// many entries as the MRU setting allows.
void QuirnApp::LoadRecentFiles() {
    wxFileHistory* history = docManager_->GetFileHistory();
    if (!history || history->GetCount() > 0)
        return;
    int count = std::clamp(app_->Record().mru, 0, 16);
    for (int i = count; i >= 1; --i) {
        std::string path =
            app_->GetProfile().GetText("Recent File List", "File" + std::to_string(i), "");
        if (!path.empty())
            history->AddFileToHistory(wxString::FromUTF8(path));
    }
}

void QuirnApp::SaveRecentFiles() {
    wxFileHistory* history = docManager_->GetFileHistory();
    if (!history)
        return;
    int count = std::clamp(app_->Record().mru, 0, 16);
    for (int i = 0; i < count; ++i) {
        std::string path = i < static_cast<int>(history->GetCount())
                               ? history->GetHistoryFile(i).utf8_string()
                               : std::string();
        app_->GetProfile().WriteText("Recent File List", "File" + std::to_string(i + 1), path);
    }
}

void QuirnApp::OnMainClose(wxCloseEvent& e) {
    // Projects close first, so that their files record the windows still open.
    if (e.CanVeto() && (!typeset_->ConfirmClose() ||
                        !frame_->WorkspaceBar()->Projects().CloseAll(
                            app_->GetProfile(), app_->Record().projectCreatePTP) ||
                        !docManager_->CloseDocuments(false))) {
        e.Veto();
        return;
    }
    // The window goes now: a signal from here on finds nothing left to keep.
    timer_.Stop();
    signalTimer_.Stop();
    if (!batch_)
        frame_->SaveWindowState(app_->GetProfile(), app_->Record().fileOpen);
    e.Skip();
}

void QuirnApp::TakeScreenshot(const wxString& path) {
    wxRect r = frame_->GetScreenRect();
    wxScreenDC screen;
    wxBitmap bmp(r.GetWidth(), r.GetHeight());
    wxMemoryDC mem(bmp);
    mem.Blit(0, 0, r.GetWidth(), r.GetHeight(), &screen, r.GetX(), r.GetY());
    mem.SelectObject(wxNullBitmap);
    if (bmp.SaveFile(path, wxBITMAP_TYPE_PNG)) {
        output_.AppendOutput("Screenshot written to " + path.utf8_string() + "\n");
        std::printf("Screenshot written to %s\n", path.utf8_string().c_str());
    }
}

int QuirnApp::OnExit() {
    if (app_)
        app_->ExitInstance();
    output_.SetTarget(nullptr);
    RegisterServices(nullptr);
    return wxApp::OnExit();
}

}  // namespace quirn::gui

wxIMPLEMENT_APP_NO_MAIN(quirn::gui::QuirnApp);

int main(int argc, char** argv) {
    // Usage and version need no window, and so no display.
    if (std::optional<std::string> text = quirn::CommandLineInformation(
            std::vector<std::string>(argv + 1, argv + argc), QUIRN_VERSION)) {
        std::fputs(text->c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    return wxEntry(argc, argv);
}

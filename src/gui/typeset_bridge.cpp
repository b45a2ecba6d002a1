#include "gui/typeset_bridge.h"

#include <wx/app.h>
#include <wx/filename.h>
#include <wx/mdi.h>
#include <wx/utils.h>

#include <filesystem>

#include "app/tex_environment.h"
#include "dvi/fonts/pk_maker.h"
#include "gui/documents.h"
#include "gui/gui_services.h"
#include "gui/main_frame.h"
#include "gui/page_view_window.h"
#include "gui/project_workspace.h"
#include "packages/font_maps.h"
#include "platform/paths.h"
#include "platform/user_prompt.h"
#include "typeset/pre_typeset_checks.h"

namespace quirn::gui {

wxDocument* GuiTypesetSeams::FindDocument(const std::string& path) {
    wxFileName wanted(wxString::FromUTF8(path));
    wanted.Normalize(wxPATH_NORM_ABSOLUTE | wxPATH_NORM_DOTS);
    for (wxDocument* doc : docs_.GetDocumentsVector()) {
        wxFileName f(doc->GetFilename());
        f.Normalize(wxPATH_NORM_ABSOLUTE | wxPATH_NORM_DOTS);
        if (f == wanted)
            return doc;
    }
    return nullptr;
}

// The current project's main file, with its format and mode; a file of no open project
// is a project of its own, and an output file shown in a viewer belongs to the TeX file
// of the same name beside it.
std::string GuiTypesetSeams::MainFileFor(const std::string& file) {
    if (GuiProjects* projects = RunningProjects()) {
        if (std::optional<std::string> main = projects->MainFileFor(file))
            return *main;
    }
    wxFileName name(wxString::FromUTF8(file));
    wxString ext = name.GetExt().Lower();
    if (ext == "dvi" || ext == "ps" || ext == "pdf") {
        wxFileName tex(name);
        tex.SetExt("tex");
        if (tex.FileExists())
            return tex.GetFullPath().utf8_string();
    }
    return file;
}

// Every modified document is saved before a run; the TeX editor saves without asking
// while the flag is up (when AutoEditorSave is on).
bool GuiTypesetSeams::SaveAllModified() {
    EditorShared& shared = Services().Editors();
    shared.savingBeforeTypeset = true;
    bool ok = true;
    for (wxDocument* doc : docs_.GetDocumentsVector()) {
        if (doc->IsModified() && !doc->OnSaveModified()) {
            ok = false;
            break;
        }
    }
    shared.savingBeforeTypeset = false;
    return ok;
}

std::string GuiTypesetSeams::ActiveTeXDocumentText() {
    auto* view = wxDynamicCast(docs_.GetCurrentView(), CQuirnWinView);
    if (!view)
        return {};
    return TextOf(view->Buffer(), 0, view->Buffer().Length());
}

bool GuiTypesetSeams::SourceModifiedDuringRun(const std::string& source) {
    wxDocument* doc = FindDocument(source);
    return doc && doc->IsModified();
}

void GuiTypesetSeams::GoToLine(const std::string& file, int line) {
    wxDocument* doc = FindDocument(file);
    if (!doc)
        doc = docs_.CreateDocument(wxString::FromUTF8(file), wxDOC_SILENT);
    auto* view = doc ? wxDynamicCast(doc->GetFirstView(), CQuirnWinView) : nullptr;
    if (!view || !view->Editor())
        return;
    if (wxWindow* frame = view->GetFrame()) {
        if (auto* child = wxDynamicCast(frame, wxAuiMDIChildFrame))
            child->Activate();
        frame->Raise();
    }
    view->GoToLine(line);
    view->Editor()->SetFocus();
}

void GuiTypesetSeams::RefreshFilesAfterTypeset(const std::string& mainFile,
                                               const std::vector<std::string>& usedFiles) {
    if (GuiProjects* projects = RunningProjects())
        projects->RefreshFilesAfterTypeset(mainFile, usedFiles);
}

bool GuiTypesetSeams::IsDocumentOpen(const std::string& path) {
    return FindDocument(path) != nullptr;
}

void GuiTypesetSeams::OpenDocumentFile(const std::string& path) {
    // The typeset pages open (or come to the front) beside the source, which keeps the
    // keys: the person typesetting goes on typing.
    wxView* editing = wxDynamicCast(docs_.GetCurrentView(), CQuirnWinView);
    docs_.CreateDocument(wxString::FromUTF8(path), wxDOC_SILENT);
    if (!editing)
        return;
    for (wxDocument* doc : docs_.GetDocumentsVector()) {
        for (wxView* view : doc->GetViewsVector()) {
            if (view != editing)
                continue;
            auto* editor = static_cast<CQuirnWinView*>(view);
            if (auto* child = wxDynamicCast(editor->GetFrame(), wxAuiMDIChildFrame))
                child->Activate();
            if (editor->Editor())
                editor->Editor()->SetFocus();
            return;
        }
    }
}

void GuiTypesetSeams::ReloadDocument(const std::string& path) {
    // Reading the file again updates the views, which keep their page and zoom.
    if (wxDocument* doc = FindDocument(path))
        doc->OnOpenDocument(doc->GetFilename());
}

void GuiTypesetSeams::OpenPdf(const std::string& path) {
    // The PDF is previewed in place as a DVI is: read again where it is shown (keeping
    // page and zoom), else opened beside the source.
    if (FindDocument(path))
        ReloadDocument(path);
    else
        OpenDocumentFile(path);
}

void GuiTypesetSeams::FormatListRebuilt() {
    if (formatListListener)
        formatListListener();
}

void GuiTypesetSeams::ClearOutput() {
    if (frame_) {
        frame_->OutputBar()->Clear();
        frame_->Problems()->Clear();
    }
}

void GuiTypesetSeams::RunEnded(const std::string& source) {
    if (frame_)
        frame_->Problems()->ShowRun(source);
}

void GuiTypesetSeams::RemoveLastOutputCharacter() {
    if (frame_)
        frame_->OutputBar()->RemoveLastCharacter();
}

void GuiTypesetSeams::MarkOutputLine(int lineFromEnd) {
    if (frame_)
        frame_->OutputBar()->MarkLineFromEnd(lineFromEnd);
}

void GuiTypesetSeams::ShowOutputBar(bool show) {
    if (frame_)
        frame_->ShowOutput(show);
}

void GuiTypesetSeams::FocusOutput() {
    if (frame_)
        frame_->OutputBar()->FocusText();
}

void GuiTypesetSeams::FocusMainWindow() {
    if (frame_)
        frame_->Raise();
}

TypesetBridge::TypesetBridge(Application& app, OutputSink& window, UserPrompt& prompt,
                             wxDocManager& docs, CMainFrame*& frame)
    : app_(app), monitor_(&window), prompt_(prompt), seams_(docs, frame) {
    // Everything the output window shows passes through the monitor, which the
    // end-of-run analysis reads.
    app_.Context().output = &monitor_;
}

TypesetBridge::~TypesetBridge() = default;

void TypesetBridge::AddStartupSeams(StartupSeams& s) {
    s.establishRoots = [this](DataRoots& roots) {
        return EstablishRoots(roots, app_.GetProfile(), monitor_, &prompt_);
    };
    s.buildFormatList = [this] { Prepare(); };
    s.ensureFormats = [this] {
        formats_->EnsureLatexFormat(*typesetter_, app_.Options().updated);
        formats_->EnsurePlainFormat(*typesetter_);
    };
    s.refreshFontMaps = [this] {
        previewer_ =
            std::make_unique<DviContext>(app_.Roots().installDir, &monitor_, &app_.Record());
        previewer_->temporary = &app_.Context().temporary;
        previewer_->fileSearch.SetEnvironment(app_.Context().childEnvironment);
        // The window never waits for METAFONT: missing bitmap fonts are made beside it.
        pkMaker_ = std::make_unique<BackgroundPkMaker>(app_.Roots().installDir,
                                                       app_.Context().childEnvironment);
        previewer_->pkMaker = pkMaker_.get();
        FontMapRegenerator maps(*previewer_, app_.Roots());
        const auto& trees = app_.Record().tdsArchivePath;
        maps.RefreshFontMapping(trees.empty() ? DefaultTreeList(app_.Roots()) : trees);
    };
    s.typeset = [this](const std::string& file, const std::string& format) {
        return RunBatchTypeset(file, format);
    };
    // The missing-file database and the basic package set: failures are output lines.
    s.loadMissingFileDatabase = [this] {
        if (resolver_)
            resolver_->LoadMissingFileDatabase();
    };
    s.installPackage = [this](const std::string& package) {
        if (resolver_ && resolver_->InstallLocalPackage(package))
            return true;
        monitor_.AppendOutput("No local archive of the package " + package + "\n");
        return false;
    };
    s.fetchMissingFile = [this](const std::string& file) {
        return resolver_ && resolver_->ResolveMissingFile(file, true, false);
    };
}

void TypesetBridge::Prepare() {
    AppContext& ctx = app_.Context();
    formats_ = std::make_unique<Formats>(ctx.roots, app_.GetProfile(), app_.Record(), prompt_);
    formats_->BuildFormatList();
    processes_ = std::make_unique<ProcessList>(&monitor_, ctx.roots.installDir);
    processes_->SetEnvironment(ctx.childEnvironment);
    typesetter_ = std::make_unique<Typesetter>(ctx, *processes_, monitor_, *formats_, seams_);
    resolver_ = std::make_unique<MissingFileResolver>(ctx);
    // The previewer's file search sees an installed package's files from its next lookup.
    resolver_->SetAfterInstall([this] {
        if (previewer_)
            previewer_->fileSearch.StopFileSearch();
    });
    seams_.resolveMissingFile = [this](const std::string& name) {
        return resolver_->ResolveMissingFile(name, true, true);
    };
    seams_.preTypesetChecks = [this](const std::string& file) {
        return PreTypesetChecks(file, app_.Context(), *formats_, monitor_);
    };
    seams_.convertGraphics = [this](const std::string& file) {
        AppContext& context = app_.Context();
        ConvertGraphicsFolder(JoinPath(DirectoryOf(file), "converted_graphics"),
                              {context.roots.installDir, context.childEnvironment, &monitor_});
    };
}

int TypesetBridge::RunBatchTypeset(const std::string& file, const std::string& format) {
    if (!typesetter_)
        return 1;
    typesetter_->SetBatch(true, format);
    if (typesetter_->Typeset(file) != 0)
        return 1;
    // The window shows the run while it goes on.
    while (typesetter_->Busy()) {
        typesetter_->Poll();
        wxTheApp->Yield(true);
        wxMilliSleep(20);
    }
    typesetter_->SetBatch(false);
    return typesetter_->LastResult();
}

void TypesetBridge::Poll() {
    // A question asked from inside a poll lets the timer fire again.
    if (!typesetter_ || polling_)
        return;
    polling_ = true;
    typesetter_->Poll();
    polling_ = false;
    if (pkMaker_ && pkMaker_->Busy() && pkMaker_->Collect())
        AttachMadeFonts();
}

void TypesetBridge::AttachMadeFonts() {
    for (wxDocument* doc : wxDocManager::GetDocumentManager()->GetDocumentsVector()) {
        auto* dvi = wxDynamicCast(doc, CDVIWinDoc);
        if (dvi == nullptr || dvi->Dvi() == nullptr ||
            !AttachMadePkFonts(*previewer_, dvi->Dvi()->fonts))
            continue;
        for (wxView* v : doc->GetViewsVector()) {
            if (auto* view = wxDynamicCast(v, CBaseView); view && view->View())
                view->View()->DrawingChanged();
        }
    }
}

bool TypesetBridge::TypeKey(int key) {
    if (!typesetter_ || !typesetter_->HasEngineInput())
        return false;
    if (key == WXK_BACK)
        key = '\b';
    if (key == WXK_RETURN || key == WXK_NUMPAD_ENTER)
        key = '\n';
    if (key < 0 || key > 255)
        return false;
    typesetter_->TypeCharacter(static_cast<char>(key));
    return true;
}

void TypesetBridge::TypesetActiveDocument() {
    if (!typesetter_)
        return;
    wxDocManager* docs = wxDocManager::GetDocumentManager();
    wxView* view = docs ? docs->GetCurrentView() : nullptr;
    wxDocument* doc = view ? view->GetDocument() : nullptr;
    if (!doc || doc->GetFilename().empty()) {
        prompt_.ShowMessage("You may not typeset this file");
        return;
    }
    typesetter_->SetBatch(false);
    typesetter_->TypesetCommand(doc->GetFilename().utf8_string());
}

wxDocument* TypesetBridge::ShowDocument(const std::string& path) {
    if (wxDocument* doc = seams_.FindDocument(path)) {
        if (wxView* view = doc->GetFirstView()) {
            if (auto* child = wxDynamicCast(view->GetFrame(), wxAuiMDIChildFrame))
                child->Activate();
        }
        return doc;
    }
    return wxDocManager::GetDocumentManager()->CreateDocument(wxString::FromUTF8(path),
                                                              wxDOC_SILENT);
}

void TypesetBridge::ShowNewerPages(const std::string& source) {
    if (!seams_.FindDocument(source))
        return;
    const std::string main = MainFileFor(source);
    if (main.empty())
        return;
    wxFileName name(wxString::FromUTF8(main));
    name.SetExt("dvi");
    const std::string dvi = name.GetFullPath().utf8_string();
    std::error_code error;
    const auto pages = std::filesystem::last_write_time(dvi, error);
    if (error || seams_.IsDocumentOpen(dvi))
        return;
    const auto text = std::filesystem::last_write_time(source, error);
    if (!error && pages > text)
        seams_.OpenDocumentFile(dvi);
}

bool TypesetBridge::ConfirmClose() {
    return !typesetter_ || typesetter_->ConfirmCloseWhileRunning();
}

}  // namespace quirn::gui

#include "gui/postscript_pages.h"

#include <wx/app.h>

#include "gui/gui_services.h"
#include "gui/page_view_window.h"
#include "gui/typeset_bridge.h"
#include "postscript/dvi_postscript.h"

namespace quirn::gui {

namespace {

// Redraws `page` in every page view of `owner` and shows the worker's messages.
void PictureReady(wxDocument* owner, int page) {
    for (wxView* v : owner->GetViewsVector()) {
        if (auto* view = wxDynamicCast(v, CBaseView)) {
            if (PageView* pages = view->View())
                pages->PageInvalidated(page);
        }
    }
}

}  // namespace

PostScriptPages::PostScriptPages(wxDocument* owner)
    : owner_(owner), settings_(Services().App().Record()), alive_(std::make_shared<bool>(true)) {}

PostScriptPages::~PostScriptPages() {
    *alive_ = false;
    worker_.reset();  // waits for the page in progress
}

InterpreterSetup PostScriptPages::Setup() const {
    InterpreterSetup setup;
    if (DviContext* previewer = Services().Typeset().Previewer()) {
        setup.installDir = previewer->fileSearch.InstallDir();
        setup.environment = previewer->fileSearch.Environment();
    }
    return setup;
}

void PostScriptPages::Start(std::unique_ptr<::quirn::CBaseDoc> doc) {
    worker_.reset();
    std::weak_ptr<bool> alive = alive_;
    wxDocument* owner = owner_;
    worker_ = std::make_unique<BackgroundRenderer>(
        std::move(doc), settings_, Setup(), [alive, owner](const RenderRequest& request) {
            wxTheApp->CallAfter([alive, owner, page = request.page] {
                if (auto live = alive.lock(); live && *live)
                    PictureReady(owner, page);
            });
        });
}

PostScriptPageRoute* PostScriptPages::RouteFor(::quirn::CDVIDoc& dvi) {
    if (!route_) {
        auto doc = std::make_unique<DviPostScriptDoc>(dvi, nullptr);
        doc->SetWholePagesForForeignGraphics(true);
        Start(std::move(doc));
        route_ = std::make_unique<DviPageRoute>(*this, settings_);
    }
    return route_.get();
}

PageSource* PostScriptPages::Source(bool eps) {
    if (!source_) {
        eps_ = eps;
        // The window's copy tells the page count and sizes, and says what is wrong with
        // the file in the output window; the worker renders from its own copy.
        OutputSink* out = &Services().Output();
        shown_ = eps ? std::unique_ptr<::quirn::CBaseDoc>(
                           std::make_unique<::quirn::CEPSDoc>(settings_, out))
                     : std::make_unique<::quirn::CPostscriptDoc>(settings_, out);
        source_ = std::make_unique<PostScriptPageSource>(*shown_, *this, settings_);
    }
    return source_.get();
}

bool PostScriptPages::Open(const std::string& path) {
    Source(eps_);
    if (!shown_->Open(path))
        return false;
    std::unique_ptr<::quirn::CBaseDoc> worker =
        eps_ ? std::unique_ptr<::quirn::CBaseDoc>(
                   std::make_unique<::quirn::CEPSDoc>(settings_, nullptr))
             : std::make_unique<::quirn::CPostscriptDoc>(settings_, nullptr);
    if (!worker->Open(path))
        return false;
    Start(std::move(worker));
    return true;
}

void PostScriptPages::Reloaded() {
    if (worker_)
        worker_->Clear();
}

std::shared_ptr<const RenderedPage> PostScriptPages::Picture(const RenderRequest& request) {
    if (!worker_)
        return nullptr;
    auto picture = worker_->Picture(request);
    const std::string messages = worker_->TakeMessages();
    if (!messages.empty())
        Services().Output().AppendOutput(messages);
    return picture;
}

bool PostScriptPages::Available() {
    if (!worker_)
        return false;
    const bool available = worker_->Available();
    const std::string messages = worker_->TakeMessages();
    if (!messages.empty())
        Services().Output().AppendOutput(messages);
    return available;
}

}  // namespace quirn::gui

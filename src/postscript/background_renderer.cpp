#include "postscript/background_renderer.h"

#include <algorithm>

#include "platform/output_sink.h"

namespace quirn {

class BackgroundRenderer::LockedSink : public OutputSink {
  public:
    void AppendOutput(std::string_view text) override {
        std::lock_guard lock(mutex_);
        text_.append(text);
    }
    std::string Take() {
        std::lock_guard lock(mutex_);
        return std::exchange(text_, {});
    }

  private:
    std::mutex mutex_;
    std::string text_;
};

BackgroundRenderer::BackgroundRenderer(std::unique_ptr<CBaseDoc> doc, const Settings& settings,
                                       InterpreterSetup setup,
                                       std::function<void(const RenderRequest&)> ready)
    : doc_(std::move(doc)), sink_(std::make_unique<LockedSink>()), ready_(std::move(ready)) {
    setup.out = sink_.get();
    setup.prompt = nullptr;
    setup.wait.cancel = &cancel_;
    renderer_ = std::make_unique<PostScriptRenderer>(settings, std::move(setup));
    available_ = renderer_->Available();
    if (!available_) {
        renderer_->ReportNotFound();
    }
    worker_ = std::thread([this] { Work(); });
}

BackgroundRenderer::~BackgroundRenderer() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        queue_.clear();
    }
    cancel_ = true;
    wake_.notify_all();
    worker_.join();
}

std::shared_ptr<const RenderedPage> BackgroundRenderer::Picture(const RenderRequest& request) {
    std::lock_guard lock(mutex_);
    for (const auto& page : done_) {
        if (page->request == request) {
            return page;
        }
    }
    if (std::find(queue_.begin(), queue_.end(), request) == queue_.end()) {
        queue_.push_back(request);
        wake_.notify_all();
    }
    return nullptr;
}

void BackgroundRenderer::Clear() {
    std::lock_guard lock(mutex_);
    queue_.clear();
    done_.clear();
    clear_ = true;
}

std::string BackgroundRenderer::TakeMessages() {
    return sink_->Take();
}

void BackgroundRenderer::Work() {
    while (true) {
        RenderRequest request;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
            if (stop_) {
                return;
            }
            if (clear_) {
                renderer_->ClearCache();
                doc_->Reopen();
                clear_ = false;
            }
            request = queue_.front();
        }
        auto page = renderer_->Render(*doc_, request);
        {
            std::lock_guard lock(mutex_);
            if (stop_) {
                return;
            }
            if (!queue_.empty() && queue_.front() == request) {
                queue_.pop_front();
            }
            if (clear_) {
                continue;  // made before the reload: not wanted any more
            }
            while (done_.size() >= kRenderCacheSize) {
                done_.pop_front();
            }
            done_.push_back(page);
        }
        if (ready_) {
            ready_(request);
        }
    }
}

}  // namespace quirn

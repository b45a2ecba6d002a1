// Rendering off the window's thread: a worker owns a page document's PostScript side
// and its interpreter, takes page requests in order, and keeps the finished pictures
// (20, the oldest dropped first), so a page view draws glyphs and rules at once and
// fills in its figures when the interpreter is done. `ready` is called on the worker's
// thread after each picture; the window hands that over to its own thread.
//
// Messages of the worker ("PostScript interpreter not found: gs" ...) are kept until
// the owner takes them on its own thread (TakeMessages). Destroying the renderer kills
// the interpreter of the page in progress and waits for the worker, so no interpreter
// outlives it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "postscript/interpreter.h"
#include "postscript/ps_document.h"

namespace quirn {

class BackgroundRenderer : public PagePictures {
  public:
    // `doc` is owned from now on and used only by the worker. `setup.prompt` must be
    // null: no message box can be shown from the worker.
    BackgroundRenderer(std::unique_ptr<CBaseDoc> doc, const Settings& settings,
                       InterpreterSetup setup, std::function<void(const RenderRequest&)> ready);
    ~BackgroundRenderer();
    BackgroundRenderer(const BackgroundRenderer&) = delete;
    BackgroundRenderer& operator=(const BackgroundRenderer&) = delete;

    // The finished picture of `request`; null while it is being made (the request is
    // then queued once).
    std::shared_ptr<const RenderedPage> Picture(const RenderRequest& request) override;
    // Drops every finished picture and queued request, and has the document read
    // again before the next page (its file was reloaded).
    void Clear();
    // The output-window lines the worker wrote since the last call.
    std::string TakeMessages();
    // Whether the configured interpreter can be found.
    bool Available() override { return available_; }

  private:
    class LockedSink;
    void Work();

    std::unique_ptr<CBaseDoc> doc_;
    std::unique_ptr<LockedSink> sink_;
    std::unique_ptr<PostScriptRenderer> renderer_;
    std::function<void(const RenderRequest&)> ready_;
    bool available_ = false;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<RenderRequest> queue_;
    std::deque<std::shared_ptr<const RenderedPage>> done_;
    bool stop_ = false;
    std::atomic<bool> cancel_{false};  // ends the interpreter's run in progress
    bool clear_ = false;
    std::thread worker_;
};

}  // namespace quirn

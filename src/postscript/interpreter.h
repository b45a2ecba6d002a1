// Turning PostScript pages into pictures with the external interpreter. The command is
// built as a text for the configured choice (setting PSRender6):
//   0  Jaws: its program with device paths and an output file; a setup text goes
//      ahead of the page on standard input
//   1  gs found by the program resolver, with Quirn's font folder
//   2  gs found on PATH, reported in a message box each time the command is built
//   3  the user's command (PSRenderCmd)
// with the placeholders %DPI, %WIDTH, %HEIGHT, %DEVICE and %OUTPUT replaced, then cut
// into arguments by the quoting rules of typed command lines. The page goes to the
// child's standard input, the child writes a BMP file, and the output wait of
// output_wait.h applies; a child still running after it is killed.
//
// Rendered pages are cached per document (20 requests, oldest dropped first), so
// repainting, scrolling and zooming back never start the interpreter again.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "app/settings.h"
#include "graphics/rgb_image.h"
#include "platform/environment_block.h"
#include "platform/raster_canvas.h"
#include "postscript/output_wait.h"

namespace quirn {

class CBaseDoc;
class OutputSink;
class UserPrompt;

struct RenderRequest {
    int page = 0;  // 0-based
    int dpi = 72;
    int bits = 8;  // 1, 8 or 24
    bool smoothing = false;
    bool graphicsOnly = false;  // DVI pages of kind 1: their graphics alone
    bool operator==(const RenderRequest&) const = default;
};

struct RenderedPage {
    RenderRequest request;
    int width = 0;  // the page's size in pixels
    int height = 0;
    bool empty = true;  // no picture came: the page is painted black
    RgbImage image;     // the interpreter's picture (when not empty)
};

enum class RenderOutcome { Rendered, Empty, Cached };

// A command as built, before it is cut into arguments.
struct InterpreterCommand {
    std::string text;     // empty when there is nothing to run (choice 2 without gs)
    std::string folder;   // the child's working folder
    std::string setup;    // Jaws only: the text sent ahead of the page
    std::string program;  // the name reported when the program is not found
};

struct InterpreterSetup {
    std::string installDir;
    EnvironmentBlock environment;  // the child's environment; empty: this process's
    OutputSink* out = nullptr;     // the output window (borrowed, may be null)
    UserPrompt* prompt = nullptr;  // message boxes (borrowed, may be null)
    OutputWaitLimits wait;
};

// The command template of a choice with the placeholders still in it (empty for
// choice 2 when no gs is on PATH). Choice 2 shows its message box through `prompt`.
std::string InterpreterTemplate(const Settings& settings, const std::string& installDir,
                                UserPrompt* prompt, std::string* program);

// Replaces every occurrence of `from` in `text` by `to`.
std::string ReplaceAll(std::string text, std::string_view from, std::string_view to);

class PostScriptRenderer {
  public:
    PostScriptRenderer(const Settings& settings, InterpreterSetup setup);

    // The command that rendering `request` of `doc` runs, to a picture in `output`.
    InterpreterCommand BuildCommand(const CBaseDoc& doc, const RenderRequest& request,
                                    const std::string& output);

    // Renders a page, or takes it from the cache. `beforeStart`, when given, sees the
    // command of a request that is about to start (or try to start) a child.
    std::shared_ptr<const RenderedPage> Render(
        CBaseDoc& doc, const RenderRequest& request, RenderOutcome* outcome = nullptr,
        const std::function<void(const InterpreterCommand&)>& beforeStart = {});
    // The cached picture of a request, without rendering; null when there is none.
    std::shared_ptr<const RenderedPage> Cached(const RenderRequest& request) const;
    void ClearCache() { cache_.clear(); }
    std::size_t CacheSize() const { return cache_.size(); }

    // False when the configured interpreter cannot be found (no message).
    bool Available() const;
    // "PostScript interpreter not found: NAME", once for the renderer's life.
    void NotFound(const std::string& program);
    // The same with the configured interpreter's name.
    void ReportNotFound();

  private:
    const Settings& settings_;
    InterpreterSetup setup_;
    std::deque<std::shared_ptr<const RenderedPage>> cache_;
    bool notFoundReported_ = false;
};

inline constexpr std::size_t kRenderCacheSize = 20;

// Where a page drawing gets its interpreter pictures: rendered on the spot, or by a
// worker in the background (then null until the picture is there).
class PagePictures {
  public:
    virtual ~PagePictures() = default;
    virtual std::shared_ptr<const RenderedPage> Picture(const RenderRequest& request) = 0;
    // False (after the "not found" message) when the interpreter cannot be run.
    virtual bool Available() = 0;
};

// Pictures rendered on the spot by `renderer` from `doc` (both borrowed).
class RenderedPictures : public PagePictures {
  public:
    RenderedPictures(CBaseDoc& doc, PostScriptRenderer& renderer)
        : doc_(doc), renderer_(renderer) {}
    std::shared_ptr<const RenderedPage> Picture(const RenderRequest& request) override;
    bool Available() override;

  private:
    CBaseDoc& doc_;
    PostScriptRenderer& renderer_;
};

// Paints a rendered page with its top-left corner at (x, y): the picture, or a black
// page when the interpreter gave none. The canvas is expected to be white there.
void DrawRenderedPage(const RenderedPage& page, RasterCanvas& canvas, int x = 0, int y = 0);

}  // namespace quirn

#include "postscript/interpreter.h"

#include <cerrno>
#include <fstream>
#include <iterator>
#include <span>
#include <vector>

#include "graphics/image_readers.h"
#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/program_resolver.h"
#include "platform/quiet_run.h"
#include "platform/temp_folder.h"
#include "platform/user_prompt.h"
#include "postscript/ps_document.h"
#include "postscript/temp_file.h"
#include "process/child_process.h"
#include "process/command_line.h"

namespace quirn {

namespace {

constexpr std::string_view kGhostscriptTemplate =
    "-q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=%DEVICE -sOutputFile=\"%OUTPUT\" -r%DPIx%DPI "
    "-g%WIDTHx%HEIGHT";
constexpr std::string_view kSmoothing = "-dTextAlphaBits=4 -dGraphicsAlphaBits=2 ";
constexpr int kFeedTimeoutMs = 5000;
constexpr int kVersionTimeoutMs = 10000;

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

std::string Joined(const std::vector<std::string>& folders) {
    std::string text;
    for (const std::string& folder : folders) {
        text += (text.empty() ? "" : ",") + folder;
    }
    return text;
}

std::string FirstWord(const std::string& command) {
    const std::vector<std::string> words = SplitCommandLine(command);
    return words.empty() ? std::string() : words.front();
}

// The program Jaws would be: found by the resolver, or its bare name.
std::string JawsProgram(const std::string& installDir) {
    const std::string found = ResolveProgram(installDir, "jaws");
    return found.empty() ? "jaws" : found;
}

std::string JawsSetup(const Settings& settings, const RenderRequest& request, PixelSize points) {
    std::string setup = "<< /PageDeviceName /Default ";
    setup += "/OutputDevice (";
    setup += request.smoothing ? "antialiased;filter=box;supersample=2" : "fileband";
    setup += ";dpi=" + std::to_string(request.dpi) + ";bits=" + std::to_string(request.bits);
    setup += request.bits == 1 ? ";reverse" : "";
    setup += ";bandsize=2097152;width=" + std::to_string(points.width) +
             "u;height=" + std::to_string(points.height) + "u) ";
    setup += "/BeginPage {pop } ";
    setup += "/EndPage {exch pop 2 ne } ";
    setup += "/Install { /ProcessColorModel /DeviceRGB ";
    setup += settings.landscape != 0
                 ? " currentpagedevice /PageSize get 0 get 0 translate -1 1 scale "
                 : " 0 currentpagedevice /PageSize get 1 get translate 1 -1 scale ";
    setup += "} ";
    setup += "/Policies << /PolicyNotFound 0 /PageSize 3 >> ";
    setup +=
        "/PageSize [" + std::to_string(points.width) + " " + std::to_string(points.height) + "] ";
    setup += ">> setpagedevice ";
    setup += "0 0 translate ";
    setup +=
        "/onejobonly false def /DefaultType1Halftone /Halftone findresource sethalftone "
        "/DefaultColorRendering /ColorRendering findresource setcolorrendering ";
    return setup;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    if (from.empty()) {
        return text;
    }
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

std::string InterpreterTemplate(const Settings& settings, const std::string& installDir,
                                UserPrompt* prompt, std::string* program) {
    const std::string inst = WithSlash(installDir);
    std::string name;
    std::string text;
    if (settings.psRender <= 0) {
        name = "jaws";
        std::string paths = "%os%=;%ram%=;%lib%+" + inst + "Jaws/lib;%resource%+" + inst +
                            "Jaws/resource;%font%+" + inst + "Jaws/font" +
                            ";%ttfont%=" + Joined(settings.trueTypeFontPath) +
                            ";%atmfont%=" + Joined(settings.postScriptFontPath) +
                            ";%temp%=" + TemporaryRoot() + ";%default%+";
        text = JawsProgram(installDir) + " \"--devicepaths=" + ReplaceAll(paths, "\\", "/") +
               "\" \"--output=%OUTPUT\" ";
    } else if (settings.psRender == 1) {
        name = "gs";
        text = "gs \"-I" + inst + "texmf-tlv/fonts/pfb/Quirn/PS35\" \"-I" + inst + "GS/lib\" " +
               std::string(kGhostscriptTemplate);
    } else if (settings.psRender == 2) {
        name = "gs";
        const std::string gs = FindOnPath("gs");
        if (gs.empty()) {
            if (prompt != nullptr) {
                prompt->ShowMessage("AFPL Ghostscript installation not detected");
            }
        } else {
            std::string version = RunQuietly(gs, {"--version"}, kVersionTimeoutMs).output;
            while (!version.empty() && (version.back() == '\n' || version.back() == ' ')) {
                version.pop_back();
            }
            if (prompt != nullptr) {
                prompt->ShowMessage("AFPL Ghostscript v" + version + " detected.");
            }
            const bool blank = gs.find(' ') != std::string::npos;
            text = (blank ? "\"" + gs + "\"" : gs) + " " + std::string(kGhostscriptTemplate);
        }
    } else {
        text = settings.psRenderCmd;
        name = FirstWord(text);
    }
    if (program != nullptr) {
        *program = name;
    }
    return text;
}

PostScriptRenderer::PostScriptRenderer(const Settings& settings, InterpreterSetup setup)
    : settings_(settings), setup_(std::move(setup)) {}

InterpreterCommand PostScriptRenderer::BuildCommand(const CBaseDoc& doc,
                                                    const RenderRequest& request,
                                                    const std::string& output) {
    InterpreterCommand command;
    std::string text =
        InterpreterTemplate(settings_, setup_.installDir, setup_.prompt, &command.program);
    if (settings_.psRender <= 0) {
        command.text = ReplaceAll(text, "%OUTPUT", output);
        command.folder = setup_.installDir;
        command.setup = JawsSetup(settings_, request, doc.PageSizePixels(request.page, 72));
        return command;
    }
    if (text.empty() && settings_.psRender == 2) {
        return command;
    }
    const PixelSize size = doc.PageSizePixels(request.page, request.dpi);
    const char* device = request.bits == 1 ? "bmpmono" : request.bits == 24 ? "bmp16m" : "bmpgray";
    text = ReplaceAll(std::move(text), "%DPI", std::to_string(request.dpi));
    text = ReplaceAll(std::move(text), "%WIDTH", std::to_string(size.width));
    text = ReplaceAll(std::move(text), "%HEIGHT", std::to_string(size.height));
    text = ReplaceAll(std::move(text), "%DEVICE", device);
    text = ReplaceAll(std::move(text), "%OUTPUT", output);
    command.text = text + " " + (request.smoothing ? std::string(kSmoothing) : std::string()) + "-";
    command.folder = doc.Folder();
    return command;
}

bool PostScriptRenderer::Available() const {
    switch (settings_.psRender) {
        case 1:
            return !ResolveProgram(setup_.installDir, "gs").empty();
        case 2:
            return !FindOnPath("gs").empty();
        default:
            break;
    }
    if (settings_.psRender <= 0) {
        return !ResolveProgram(setup_.installDir, "jaws").empty();
    }
    const std::string program = FirstWord(settings_.psRenderCmd);
    return !program.empty() && !ResolveProgram(setup_.installDir, program).empty();
}

void PostScriptRenderer::ReportNotFound() {
    std::string program;
    InterpreterTemplate(settings_, {}, nullptr, &program);
    NotFound(program);
}

std::shared_ptr<const RenderedPage> RenderedPictures::Picture(const RenderRequest& request) {
    return renderer_.Render(doc_, request);
}

bool RenderedPictures::Available() {
    if (renderer_.Available()) {
        return true;
    }
    renderer_.ReportNotFound();
    return false;
}

void PostScriptRenderer::NotFound(const std::string& program) {
    if (!notFoundReported_ && setup_.out != nullptr) {
        setup_.out->AppendOutput("PostScript interpreter not found: " + program + "\n");
    }
    notFoundReported_ = true;
}

std::shared_ptr<const RenderedPage> PostScriptRenderer::Cached(const RenderRequest& request) const {
    for (const auto& entry : cache_) {
        if (entry->request == request) {
            return entry;
        }
    }
    return nullptr;
}

std::shared_ptr<const RenderedPage> PostScriptRenderer::Render(
    CBaseDoc& doc, const RenderRequest& request, RenderOutcome* outcome,
    const std::function<void(const InterpreterCommand&)>& beforeStart) {
    if (auto hit = Cached(request)) {
        if (outcome != nullptr) {
            *outcome = RenderOutcome::Cached;
        }
        return hit;
    }
    while (cache_.size() >= kRenderCacheSize) {
        cache_.pop_front();
    }
    auto page = std::make_shared<RenderedPage>();
    page->request = request;
    const PixelSize size = doc.PageSizePixels(request.page, request.dpi);
    page->width = size.width;
    page->height = size.height;

    TempFile output = TempFile::Make();
    const InterpreterCommand command = BuildCommand(doc, request, output.Path());
    if (beforeStart && !command.text.empty()) {
        beforeStart(command);
    }
    if (!command.text.empty() && output.Ok()) {
        ChildProcess child;
        child.SetInstallDir(setup_.installDir);
        if (!setup_.environment.empty()) {
            child.SetEnvironmentBlock(setup_.environment);
        }
        const std::vector<std::string> arguments = SplitCommandLine(command.text);
        if (arguments.empty() || !child.Start(arguments, command.folder)) {
            NotFound(command.program.empty() ? FirstWord(command.text) : command.program);
        } else {
            std::shared_ptr<ProcessInput> input = child.Input();
            const PageWriter writer = [&input](std::string_view bytes) {
                return input->Write(bytes, kFeedTimeoutMs);
            };
            if (command.setup.empty() || writer(command.setup)) {
                doc.WritePages({request.page}, request.dpi, writer, request.graphicsOnly);
            }
            child.CloseInput();
            const OutputWaitResult waited = WaitForOutputFile(child, output.Path(), setup_.wait);
            if (waited.size > 0) {
                const std::string bytes = ReadAll(output.Path());
                std::string error;
                const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
                page->empty = !ReadBmp(std::span<const uint8_t>(data, bytes.size()),
                                       ImageReadMode::Full, &page->image, &error);
            }
            if (page->empty && setup_.out != nullptr) {
                setup_.out->AppendOutput("PostScript interpreter produced no output for page " +
                                         std::to_string(request.page + 1) + "\n");
            }
        }
    }
    if (outcome != nullptr) {
        *outcome = page->empty ? RenderOutcome::Empty : RenderOutcome::Rendered;
    }
    cache_.push_back(page);
    return page;
}

void DrawRenderedPage(const RenderedPage& page, RasterCanvas& canvas, int x, int y) {
    if (page.empty || page.image.Empty()) {
        canvas.FillRect({x, y, x + page.width, y + page.height}, 0);
        return;
    }
    PutImage(canvas, x, y, page.image);
}

}  // namespace quirn

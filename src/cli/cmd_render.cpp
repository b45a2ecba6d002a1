// quirn-cli render FILE.dvi --dpi D [--page P | --pages A-B] [--aa always|never|auto]
//   -o OUT.png
// Draws pages exactly as the page view draws them, on white paper, and writes each
// as a PNG file: 8-bit grey when every glyph and rule of the page is black, 24-bit
// colour otherwise. A "%d" in OUT stands for the page number (1-based); without
// --page or --pages every page is drawn.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/page_documents.h"
#include "cli/pdf_tool.h"
#include "cli/preview_document.h"
#include "dvi/draw_page.h"
#include "dvi/interpret_page.h"
#include "platform/paths.h"
#include "platform/raster_canvas.h"
#include "platform/raster_canvas_png.h"
#include "postscript/dvi_page_route.h"

namespace quirn::cli {
namespace {

bool ParseRange(const std::string& text, int& first, int& last) {
    const size_t dash = text.find('-');
    if (dash == std::string::npos) {
        return false;
    }
    return ParseCount(text.substr(0, dash), first) && ParseCount(text.substr(dash + 1), last);
}

bool AllBlack(const PageContent& content) {
    for (const GlyphPlacement& g : content.glyphs) {
        if (g.colour != 0) {
            return false;
        }
    }
    for (const RulePlacement& r : content.rules) {
        if (r.colour != 0) {
            return false;
        }
    }
    return true;
}

std::string OutputName(const std::string& pattern, int page) {
    std::string name = pattern;
    const size_t at = name.find("%d");
    if (at != std::string::npos) {
        name.replace(at, 2, std::to_string(page));
    }
    return name;
}

// PostScript and EPS pages, each rendered whole by the interpreter.
int RenderPostScriptPages(const std::string& file, const std::string& out, int dpi, int first,
                          int last, const std::string& aa, int bits) {
    auto opened = OpenPageDocument(file, false);
    if (!opened) {
        return 1;
    }
    CBaseDoc& doc = *opened->doc;
    if (first == 0) {
        first = 1;
        last = doc.PageCount();
    }
    if (first < 1 || last < first || last > doc.PageCount()) {
        std::fprintf(stderr, "pages %d-%d are not in the document (%d pages)\n", first, last,
                     doc.PageCount());
        return 1;
    }
    if (last > first && out.find("%d") == std::string::npos) {
        std::fprintf(stderr, "several pages need a %%d in the output name\n");
        return 2;
    }
    const Settings& settings = opened->settings;
    PostScriptRenderer renderer(settings, opened->Interpreter());
    RenderRequest request;
    request.dpi = dpi;
    request.bits = bits != 0 ? bits : settings.psColor != 0 ? 24 : 8;
    request.smoothing = aa == "always" || (aa != "never" && settings.psAlias != 0);
    CanvasPngWriter png;
    bool allDrawn = true;
    for (int page = first; page <= last; ++page) {
        request.page = page - 1;
        auto rendered = renderer.Render(doc, request);
        RasterCanvas canvas(rendered->width, rendered->height);
        DrawRenderedPage(*rendered, canvas);
        allDrawn = allDrawn && !rendered->empty;
        std::string error;
        const CanvasPngFormat format =
            request.bits == 24 ? CanvasPngFormat::Rgb : CanvasPngFormat::Grey;
        if (!png.Write(canvas, OutputName(out, page), format, dpi, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
    }
    return allDrawn ? 0 : 1;
}

int RenderCommand(const std::vector<std::string>& args) {
    std::string file, out, aa;
    int dpi = 0, first = 0, last = 0, bits = 0;
    bool ok = true;
    for (size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--dpi" && hasValue) {
            ok = ok && ParseCount(args[++i], dpi);
        } else if (args[i] == "--page" && hasValue) {
            ok = ok && ParseCount(args[++i], first);
            last = first;
        } else if (args[i] == "--pages" && hasValue) {
            ok = ok && ParseRange(args[++i], first, last);
        } else if (args[i] == "--aa" && hasValue) {
            aa = args[++i];
            ok = ok && (aa == "always" || aa == "never" || aa == "auto");
        } else if (args[i] == "--bits" && hasValue) {
            ok = ok && ParseCount(args[++i], bits) && (bits == 1 || bits == 8 || bits == 24);
        } else if (args[i] == "-o" && hasValue) {
            out = AbsolutePath(args[++i], StartFolder());
        } else if (file.empty() && !args[i].starts_with("-")) {
            file = AbsolutePath(args[i], StartFolder());
        } else {
            ok = false;
        }
    }
    if (!ok || file.empty() || out.empty() || dpi < 1) {
        return WrongUsage("render");
    }
    if (IsPdfFile(file)) {
        return RunPdfTool({"render", file, std::to_string(dpi), std::to_string(first),
                           std::to_string(last), aa.empty() ? "settings" : aa, std::to_string(bits),
                           out});
    }
    const bool dvi = ExtensionOf(file) == "dvi" || ExtensionOf(file) == "DVI";
    if (!dvi) {
        return RenderPostScriptPages(file, out, dpi, first, last, aa, bits);
    }
    auto opened = OpenPageDocument(file, true);
    if (!opened) {
        return 1;
    }
    PreviewDocument* preview = opened->preview.get();
    CDVIDoc& doc = *preview->doc;
    auto& postScript = static_cast<DviPostScriptDoc&>(*opened->doc);
    postScript.SetWholePagesForForeignGraphics(true);
    PostScriptRenderer renderer(opened->settings, opened->Interpreter());
    RenderedPictures pictures(postScript, renderer);
    DviPageRoute route(pictures, opened->settings);
    if (first == 0) {
        first = 1;
        last = doc.GetPageCount();
    }
    if (first < 1 || last < first || last > doc.GetPageCount()) {
        std::fprintf(stderr, "pages %d-%d are not in the document (%d pages)\n", first, last,
                     doc.GetPageCount());
        return 1;
    }
    if (last > first && out.find("%d") == std::string::npos) {
        std::fprintf(stderr, "several pages need a %%d in the output name\n");
        return 2;
    }

    // The view's smoothing rule: grey levels at or below the threshold resolution.
    const int threshold = aa == "always"  ? 10000
                          : aa == "never" ? 0
                          : aa == "auto"  ? 100
                                          : preview->settings.viewAAThresh;
    const PixelSize size = doc.GetPageSize(dpi);
    RasterCanvas canvas(size.width, size.height);
    DrawRequest request;
    request.dpi = dpi;
    request.antiAlias = threshold >= dpi;
    request.postScript = &route;
    // Page N is encoded while page N + 1 is drawn.
    BackgroundPngWriter png;
    for (int page = first; page <= last; ++page) {
        request.page = page - 1;
        DrawPage(doc, canvas, request);
        const PageContent* content = GetPageContent(doc, page - 1, true);
        const std::string name = OutputName(out, page);
        const bool grey = (content == nullptr || AllBlack(*content)) && !route.DrewColour();
        const CanvasPngFormat format = grey ? CanvasPngFormat::Grey : CanvasPngFormat::Rgb;
        if (!png.Submit(canvas, name, format, dpi)) {
            break;
        }
        if (canvas.Width() != size.width || canvas.Height() != size.height) {
            canvas = RasterCanvas(size.width, size.height);  // the first hand-back is empty
        }
    }
    if (!png.Finish()) {
        std::fprintf(stderr, "%s\n", png.Error().c_str());
        return 1;
    }
    return route.DrewEmpty() ? 1 : 0;
}

}  // namespace

QUIRN_CLI_COMMAND(
    "render",
    "FILE --dpi D [--page P | --pages A-B] [--aa always|never|auto] [--bits 1|8|24] -o OUT.png",
    "draw pages as the page view does and write them as PNG pictures",
    "Draws pages of FILE.dvi at D dots per inch exactly as the page view draws them,\n"
    "on white paper, and writes each as a PNG picture: 8-bit grey when every\n"
    "character and rule of the page is black, 24-bit colour otherwise. Prints\n"
    "nothing.\n"
    "  --page P, --pages A-B   the pages (from 1) to draw; all pages without them\n"
    "  --aa always|never|auto  smoothing with grey levels; auto smooths at 100 dpi\n"
    "                          and below; without it the settings' threshold decides\n"
    "  -o OUT.png              the picture; a \"%d\" in it stands for the page number,\n"
    "                          and is needed when several pages are drawn\n"
    "DVI pages whose specials need PostScript are drawn through the interpreter:\n"
    "pages with figures get their figures from it and their characters and rules on\n"
    "top, pages with other PostScript are drawn by it whole (without an interpreter\n"
    "they show their characters and rules, after \"PostScript interpreter not found:\n"
    "gs\").\n"
    "The PostScript part is smoothed by PSAlias and coloured by PSColor, which also\n"
    "makes the picture 24-bit.\n"
    "A PostScript or EPS file's pages are rendered whole by the interpreter at the\n"
    "page size (an EPS file's bounding box), as 8-bit grey or, with --bits 24 (the\n"
    "default when PSColor is on), 24-bit colour; --bits 1 gives only black and\n"
    "white; smoothing by PSAlias unless --aa always|never says otherwise. A page the\n"
    "interpreter gives no picture for is painted black (exit status 1).\n"
    "A PDF file's pages are drawn by poppler with the media box filling the picture,\n"
    "smoothed by the PSAlias setting (--aa always|never overrides it), as 8-bit grey\n"
    "or, with --bits 24 (the default when PSColor is on), 24-bit colour; --bits 1\n"
    "gives only black and white.\n"
    "Exit status 1 when the file cannot be loaded, the pages are not in it or a\n"
    "picture cannot be written.\n",
    RenderCommand);

}  // namespace quirn::cli

// quirn-pdf: the PDF side of quirn-cli's sub-commands. quirn-cli is a static program
// and poppler a shared library, so quirn-cli checks the command line and hands PDF
// files over to this program with the arguments already read:
//
//   quirn-pdf render FILE DPI FIRST LAST AA BITS OUT
//       FIRST = LAST = 0 for every page; AA always|never|auto|settings; BITS 0 for the
//       default of the settings (24 with PSColor, else 8)
//   quirn-pdf info FILE DPI PAGE
//   quirn-pdf inverse-search FILE PAGE X Y DPI
//
// Messages and exit statuses are those of the quirn-cli sub-commands.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/data_roots.h"
#include "app/profile.h"
#include "app/settings.h"
#include "dvi/synctex_links.h"
#include "graphics/pdf_document.h"
#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/raster_canvas.h"
#include "platform/raster_canvas_png.h"
#include "platform/settings_store.h"
#include "view/pdf_page_source.h"

namespace quirn {
namespace {

Settings LoadUserSettings() {
    StreamSink sink(stderr);
    std::unique_ptr<SettingsStore> store = OpenFileStore(DefaultStoreDirectory(), &sink);
    if (!store)
        return Settings{};
    const std::string installDir = FindInstallDir();
    Profile profile(*store);
    DataRoots roots{installDir, installDir, installDir, installDir};
    SettingsManager manager(profile, roots, 96);
    manager.LoadSaveSettings(Direction::Load);
    return manager.Record();
}

int Number(const std::string& text) {
    return std::atoi(text.c_str());
}

// The document, or null after "Cannot open file: PATH" or "Cannot read PDF file: PATH".
std::unique_ptr<PdfDocument> OpenOrSay(const std::string& path) {
    if (!RegularFileExists(path) || ::access(path.c_str(), R_OK) != 0) {
        std::fprintf(stderr, "Cannot open file: %s\n", path.c_str());
        return nullptr;
    }
    std::string error;
    std::unique_ptr<PdfDocument> doc = PdfDocument::Open(path, &error);
    if (!doc)
        std::fprintf(stderr, "%s\n", error.c_str());
    return doc;
}

std::string OutputName(const std::string& pattern, int page) {
    std::string name = pattern;
    const size_t at = name.find("%d");
    if (at != std::string::npos)
        name.replace(at, 2, std::to_string(page));
    return name;
}

int Info(const std::vector<std::string>& a) {
    if (a.size() != 3)
        return 2;
    std::unique_ptr<PdfDocument> doc = OpenOrSay(a[0]);
    if (!doc)
        return 1;
    const int page = Number(a[2]);
    if (page < 1 || page > doc->PageCount()) {
        std::fprintf(stderr, "page %d is not in the document (%d pages)\n", page, doc->PageCount());
        return 1;
    }
    int width = 0, height = 0;
    doc->PageSizePixels(page - 1, Number(a[1]), width, height);
    std::printf("kind 3\npages %d\nsize %d %d\n", doc->PageCount(), width, height);
    return 0;
}

// The words of a page as SyncTeX's word search takes them.
std::vector<TypesetWord> PageWords(const PdfDocument& doc, int page) {
    std::vector<TypesetWord> words;
    for (const PdfWord& w : doc.Words(page))
        words.push_back(TypesetWord{w.text, w.left, w.top, w.right, w.bottom});
    return words;
}

int InverseSearch(const std::vector<std::string>& a) {
    if (a.size() != 5)
        return 2;
    std::unique_ptr<PdfDocument> doc = OpenOrSay(a[0]);
    if (!doc)
        return 1;
    const int page = Number(a[1]);
    if (page < 1 || page > doc->PageCount()) {
        std::fprintf(stderr, "page %d is not in the document (%d pages)\n", page, doc->PageCount());
        return 1;
    }
    const double points = 72.0 / Number(a[4]);
    std::unique_ptr<SyncTexLinks> links = SyncTexLinks::Open(a[0]);
    std::optional<SyncTexPlace> place;
    if (links) {
        place = links->InverseToWord(page - 1, Number(a[2]) * points, Number(a[3]) * points,
                                     PageWords(*doc, page - 1));
    }
    if (!place) {
        std::fprintf(stderr, "message: No SyncTeX information for PDF file\n");
        return 1;
    }
    std::printf("goto: %s:%d\n", place->file.c_str(), place->line);
    if (place->column > 0)
        std::printf("column: %d\n", place->column);
    return 0;
}

int Render(const std::vector<std::string>& a) {
    if (a.size() != 7)
        return 2;
    std::unique_ptr<PdfDocument> doc = OpenOrSay(a[0]);
    if (!doc)
        return 1;
    const int dpi = Number(a[1]);
    int first = Number(a[2]), last = Number(a[3]);
    const std::string& aa = a[4];
    int bits = Number(a[5]);
    const std::string& out = a[6];
    if (first == 0) {
        first = 1;
        last = doc->PageCount();
    }
    if (first < 1 || last < first || last > doc->PageCount()) {
        std::fprintf(stderr, "pages %d-%d are not in the document (%d pages)\n", first, last,
                     doc->PageCount());
        return 1;
    }
    if (last > first && out.find("%d") == std::string::npos) {
        std::fprintf(stderr, "several pages need a %%d in the output name\n");
        return 2;
    }
    bool smoothing = aa == "always";
    if (aa == "settings" || aa == "auto" || bits == 0) {
        const Settings settings = LoadUserSettings();
        if (aa == "settings" || aa == "auto")
            smoothing = settings.psAlias != 0;
        if (bits == 0)
            bits = settings.psColor != 0 ? 24 : 8;
    }
    PdfRenderOptions options;
    options.dpi = dpi;
    options.smoothing = smoothing && bits != 1;
    options.grey = bits != 24;
    RgbImage image;
    RasterCanvas canvas;
    CanvasPngWriter png;
    for (int page = first; page <= last; ++page) {
        doc->Render(page - 1, options, image);
        if (bits == 1) {
            for (uint8_t& v : image.pixels)
                v = v < 128 ? 0 : 255;
        }
        // The page's picture goes out through the canvas's writer, which is quick on
        // pages that are mostly paper.
        canvas.Reset(image.width, image.height);
        PutImage(canvas, 0, 0, image);
        std::string error;
        const bool written =
            png.Write(canvas, OutputName(out, page),
                      bits == 24 ? CanvasPngFormat::Rgb : CanvasPngFormat::Grey, dpi, &error);
        if (!written) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
    }
    return 0;
}

}  // namespace
}  // namespace quirn

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "quirn-pdf is started by quirn-cli for PDF files\n");
        return 2;
    }
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "render")
        return quirn::Render(args);
    if (command == "info")
        return quirn::Info(args);
    if (command == "inverse-search")
        return quirn::InverseSearch(args);
    std::fprintf(stderr, "quirn-pdf: unknown command %s\n", command.c_str());
    return 2;
}

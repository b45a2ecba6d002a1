// Times the parts of drawing a PDF page: opening the file, drawing one page at a
// resolution (colour and grey), and writing the picture as PNG.
//
//   bench_pdf_page FILE.pdf PAGE DPI [ROUNDS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "graphics/image_readers.h"
#include "graphics/pdf_document.h"

namespace {

double Ms(std::chrono::steady_clock::time_point from) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - from)
        .count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_pdf_page FILE.pdf PAGE DPI [ROUNDS]\n");
        return 2;
    }
    const int page = std::atoi(argv[2]) - 1;
    const double dpi = std::atof(argv[3]);
    const int rounds = argc > 4 ? std::atoi(argv[4]) : 5;
    auto t = std::chrono::steady_clock::now();
    std::string error;
    auto doc = quirn::PdfDocument::Open(argv[1], &error);
    if (!doc) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("open %.1f ms\n", Ms(t));
    quirn::RgbImage image;
    for (bool grey : {false, true}) {
        double best = 1e9;
        for (int i = 0; i < rounds; ++i) {
            quirn::PdfRenderOptions options;
            options.dpi = dpi;
            options.grey = grey;
            t = std::chrono::steady_clock::now();
            doc->Render(page, options, image);
            best = std::min(best, Ms(t));
        }
        std::printf("draw %s %dx%d: %.1f ms (best of %d)\n", grey ? "grey" : "colour", image.width,
                    image.height, best, rounds);
    }
    t = std::chrono::steady_clock::now();
    quirn::WritePng("/dev/null", image, &error);
    std::printf("png %.1f ms\n", Ms(t));
    return 0;
}

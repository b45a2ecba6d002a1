// Test helpers around the real PostScript interpreter: make pictures with its output
// devices and render PostScript to pixels, so readers and writers are checked against
// an independent implementation.
#pragma once

#include <string>

#include "graphics/image_readers.h"
#include "support/test_support.h"

namespace quirn::test {

// Runs gs quietly on `input` with the given device, resolution and extra options.
// Returns gs's exit status; `messages` receives what it printed.
inline int RunGhostscript(const std::string& device, int dpi, const std::string& extra,
                          const std::string& input, const std::string& output,
                          std::string* messages = nullptr) {
    std::string command = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=" + device + " -r" +
                          std::to_string(dpi) + " " + extra + " -sOutputFile='" + output + "' '" +
                          input + "' 2>&1";
    std::string out;
    int rc = RunCommand(command, &out);
    if (messages)
        *messages = out;
    return rc;
}

// Renders PostScript (or EPS with -dEPSCrop in `extra`) to an RGB picture.
inline bool RenderWithGhostscript(const std::string& input, int dpi, const std::string& extra,
                                  RgbImage* image, std::string* messages) {
    TempDir dir;
    std::string ppm = dir.File("page.ppm");
    if (RunGhostscript("ppmraw", dpi, extra, input, ppm, messages) != 0)
        return false;
    std::string error;
    std::vector<uint8_t> bytes;
    return ReadFileBytes(ppm, &bytes, &error) && ReadPnm(bytes, image, &error);
}

// A page that is red on the left half and blue on the right half, 40 x 30 points.
inline std::string RedBluePage(const TempDir& dir) {
    return dir.Write("redblue.ps",
                     "%!PS\n<< /PageSize [40 30] >> setpagedevice\n"
                     "1 0 0 setrgbcolor 0 0 20 30 rectfill\n"
                     "0 0 1 setrgbcolor 20 0 20 30 rectfill showpage\n");
}

struct Rgb {
    int r, g, b;
};

inline Rgb PixelAt(const RgbImage& image, int x, int y) {
    const uint8_t* p = image.Pixel(x, y);
    return {p[0], p[1], p[2]};
}

// Within a tolerance that covers JPEG and anti-aliasing noise.
inline bool Near(Rgb a, Rgb b, int tolerance = 12) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kWhite{255, 255, 255};

}  // namespace quirn::test

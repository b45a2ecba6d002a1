// The graphics special library: PostScript for graphics specials that dvips left out of
// its output, and the size and a preview picture of graphics files. Callers hold it
// through the SpecialLibrary interface so that tests can put a fake behind it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "graphics/rgb_image.h"
#include "platform/temp_folder.h"

namespace quirn {

class OutputSink;

constexpr int32_t kSpecialRequestSize = 28;

// Receives PostScript text: `length` bytes, or up to the terminating NUL when -1.
// Answers nonzero on success.
using SpecialOutputFunction = std::function<int(const char* text, int length)>;

// One request to DoTLVSpecial; the fields keep the order of the library's record.
struct SpecialRequest {
    int32_t size = kSpecialRequestSize;  // record size in bytes, always 28
    const char* text = nullptr;          // the special text, NUL-terminated
    uintptr_t deviceContext = 0;         // 0 when PostScript is produced
    SpecialOutputFunction output;        // where the PostScript for the graphic goes
    int32_t resolution = 0;              // dots per inch
    int32_t reserved = 0;                // always 0
    int32_t magnification = 1000;        // the DVI magnification, 1000 = unscaled
};

// Filled by GetInfo: pixels for bitmaps, PostScript points for EPS, PostScript and PDF.
struct GraphicSize {
    int32_t width = 0;
    int32_t height = 0;
};

class SpecialLibrary {
  public:
    virtual ~SpecialLibrary() = default;
    // Where messages go ("\n"-terminated lines); null discards them.
    virtual void SetConsole(OutputSink* console) = 0;
    // Writes the PostScript for one graphics special through the request's output
    // function. Answers nonzero when PostScript was written (callers may ignore it).
    virtual int DoTLVSpecial(const SpecialRequest* request) = 0;
    // 1 immediately before the page copier copies one page, 0 right after it.
    virtual void SetInsertionMode(int mode) = 0;
    // Fills the size and answers true when the file's format is known and it could be
    // measured; answers false otherwise.
    virtual bool GetInfo(const std::string& path, GraphicSize* size) = 0;
    // A preview picture that fits within maxSide x maxSide, or null when none can be made.
    virtual std::unique_ptr<RgbImage> GetBitmap(const std::string& path, int maxSide) = 0;
};

// The implementation: PNG, JPEG, GIF, BMP and TIFF read directly; EPS and PostScript
// embedded; PDF (and previews of vector graphics) through the PostScript interpreter,
// found as "gs" by the program resolver.
class GraphicsSpecialLibrary : public SpecialLibrary {
  public:
    // Scratch files go into `temporary` (borrowed), or into a folder of the library's
    // own when none is given.
    explicit GraphicsSpecialLibrary(std::string installDir = {}, TempFolder* temporary = nullptr);
    ~GraphicsSpecialLibrary() override;

    void SetConsole(OutputSink* console) override { console_ = console; }
    int DoTLVSpecial(const SpecialRequest* request) override;
    void SetInsertionMode(int mode) override;
    bool GetInfo(const std::string& path, GraphicSize* size) override;
    std::unique_ptr<RgbImage> GetBitmap(const std::string& path, int maxSide = 256) override;

    // A graphic ready to be placed, kept between specials (see graphics_special.cpp).
    struct Graphic;

  private:
    void Message(const std::string& text);
    std::shared_ptr<const Graphic> Load(const std::string& path, std::string* error);
    bool ConvertPdf(const std::string& path, std::string* eps, std::string* error);
    std::unique_ptr<RgbImage> RenderPreview(const std::string& path, bool pdf, double widthPt,
                                            double heightPt, int maxSide);
    std::string Interpreter();

    std::string installDir_;
    TempFolder ownTemporary_;
    TempFolder& temporary_;
    OutputSink* console_ = nullptr;
    bool insertionMode_ = false;
    std::map<std::string, std::shared_ptr<const Graphic>> cache_;  // by path, size and time
    size_t cacheBytes_ = 0;
    std::map<std::string, bool> reportedThisPage_;  // files whose failure was reported
};

}  // namespace quirn

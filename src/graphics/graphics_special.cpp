#include "graphics/graphics_special.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <filesystem>

#include "graphics/graphics_special_text.h"
#include "graphics/image_readers.h"
#include "graphics/postscript_image.h"
#include "graphics/vector_graphic_info.h"
#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/program_resolver.h"
#include "platform/quiet_run.h"

namespace quirn {

// A graphic file read and turned into PostScript once, kept for later specials.
struct GraphicsSpecialLibrary::Graphic {
    bool picture = false;  // a bitmap painted into its box; otherwise a PostScript program
    bool hasBox = false;
    BoundingBox box;   // pictures: 0 0 and their size in points; programs: their bounding box
    std::string body;  // pictures: paints the unit square; programs: the program text
};

namespace {

constexpr size_t kCacheLimit = size_t{64} << 20;
constexpr int kPreviewTimeoutMs = 20000;
constexpr int kConvertTimeoutMs = 60000;

// Identifies a file's contents well enough to reuse what was made from it.
std::string FileKey(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return path + '\n' + std::to_string(st.st_size) + '\n' + std::to_string(st.st_mtim.tv_sec) +
           '.' + std::to_string(st.st_mtim.tv_nsec);
}

// Saves the graphics state, moves the origin to the current point and makes one unit a
// PostScript point (times the magnification) with y going up, whatever the page's own
// coordinates are: dvips pages run in pixels of Resolution dpi with y going down.
std::string Prologue(const SpecialRequest& request) {
    std::string res = std::to_string(request.resolution > 0 ? request.resolution : 72);
    double mag = request.magnification > 0 ? request.magnification / 1000.0 : 1.0;
    std::string m = PsNumber(mag);
    std::string ps;
    ps += "userdict /QuirnIncState save put\n";
    ps += "userdict /QuirnDictCount countdictstack put\n";
    ps += "userdict /QuirnOpCount count 2 sub put\n";
    ps += "{currentpoint} stopped {0 0} if translate\n";
    ps += "/Resolution where {pop Resolution} {" + res + "} ifelse 72 div " + m + " mul\n";
    ps += "/VResolution where {pop VResolution} {" + res + "} ifelse 72 div " + m + " mul\n";
    ps += "1 0 dtransform matrix defaultmatrix idtransform\n";
    ps += "0 1 dtransform matrix defaultmatrix idtransform\n";
    ps += "4 -1 roll mul 3 1 roll mul sub 0 lt {neg} if scale\n";
    ps += "userdict begin\n";
    ps += "/showpage {} def /erasepage {} def /copypage {} def\n";
    ps += "0 setgray 0 setlinecap 1 setlinewidth 0 setlinejoin 10 setmiterlimit [] 0 setdash\n";
    ps += "newpath /languagelevel where {pop languagelevel 1 ne\n";
    ps += "  {false setstrokeadjust false setoverprint} if} if\n";
    return ps;
}

std::string Epilogue() {
    return "count userdict /QuirnOpCount get sub {pop} repeat\n"
           "countdictstack userdict /QuirnDictCount get sub {end} repeat\n"
           "userdict /QuirnIncState get restore\n";
}

std::string Translate(double x, double y) {
    if (x == 0 && y == 0)
        return {};
    return PsNumber(x) + " " + PsNumber(y) + " translate\n";
}

std::string Scale(double x, double y) {
    if (x == 1 && y == 1)
        return {};
    return PsNumber(x) + " " + PsNumber(y) + " scale\n";
}

std::string ClipTo(double llx, double lly, double urx, double ury) {
    return "newpath " + PsNumber(llx) + " " + PsNumber(lly) + " moveto " + PsNumber(urx) + " " +
           PsNumber(lly) + " lineto " + PsNumber(urx) + " " + PsNumber(ury) + " lineto " +
           PsNumber(llx) + " " + PsNumber(ury) + " lineto closepath clip newpath\n";
}

// Where the graphic goes: the operators that map its own coordinates onto the page
// (origin at the reference point, points, y up), and the box a picture fills.
bool Placement(const GraphicsSpecial& s, const GraphicsSpecialLibrary::Graphic& g, std::string* ops,
               BoundingBox* pictureBox, std::string* error) {
    *pictureBox = g.box;
    if (s.kind == GraphicsSpecialKind::PsFile) {
        // dvips conventions: offsets, percentage scales, rotation, then the box given by
        // llx..ury scaled to rwi/rhi (tenths of a point), its lower left corner at the
        // reference point.
        BoundingBox given{s.llx.value_or(0), s.lly.value_or(0), s.urx.value_or(0),
                          s.ury.value_or(0)};
        bool haveGiven = s.HasBoundingBox();
        if (g.picture && haveGiven)
            *pictureBox = given;
        const BoundingBox& sizing = haveGiven ? given : g.box;
        *ops += Translate(s.hoffset, s.voffset);
        *ops += Scale(s.hscale / 100.0, s.vscale / 100.0);
        if (s.angle != 0)
            *ops += PsNumber(s.angle) + " rotate\n";
        if ((s.rwi || s.rhi) && (haveGiven || g.hasBox)) {
            double sx = s.rwi ? *s.rwi / 10.0 / sizing.Width() : 0;
            double sy = s.rhi ? *s.rhi / 10.0 / sizing.Height() : 0;
            if (!s.rwi)
                sx = sy;
            if (!s.rhi)
                sy = sx;
            *ops += Scale(sx, sy);
        }
        if (haveGiven)
            *ops += Translate(-given.llx, -given.lly);
        if (s.clip && haveGiven) {
            *ops += ClipTo(given.llx, given.lly, given.urx, given.ury);
        } else if (s.clip && s.hsize && s.vsize) {
            *ops += ClipTo(0, 0, *s.hsize, *s.vsize);
        }
        return true;
    }
    if (!g.hasBox) {
        *error = "Could not find valid bounding box";
        return false;
    }
    double w = g.box.Width(), h = g.box.Height();
    double targetW = w, targetH = h;
    if (s.width && s.height) {
        targetW = *s.width, targetH = *s.height;
    } else if (s.width) {
        targetW = *s.width, targetH = h * *s.width / w;
    }
    // em:graph hangs the graphic from the reference point; the others stand on it.
    if (s.kind == GraphicsSpecialKind::EmGraph)
        *ops += Translate(0, -targetH);
    *ops += Scale(targetW / w, targetH / h);
    *ops += Translate(-g.box.llx, -g.box.lly);
    return true;
}

}  // namespace

GraphicsSpecialLibrary::GraphicsSpecialLibrary(std::string installDir, TempFolder* temporary)
    : installDir_(std::move(installDir)), temporary_(temporary ? *temporary : ownTemporary_) {}

GraphicsSpecialLibrary::~GraphicsSpecialLibrary() = default;

void GraphicsSpecialLibrary::Message(const std::string& text) {
    if (console_)
        console_->AppendOutput(text);
}

void GraphicsSpecialLibrary::SetInsertionMode(int mode) {
    // While one page is copied each failing file is reported once; the next page
    // reports it again.
    insertionMode_ = mode != 0;
    reportedThisPage_.clear();
}

std::string GraphicsSpecialLibrary::Interpreter() {
    return ResolveProgram(installDir_, "gs");
}

int GraphicsSpecialLibrary::DoTLVSpecial(const SpecialRequest* request) {
    if (!request || !request->text)
        return 0;
    const std::string text = request->text;
    if (request->size != kSpecialRequestSize) {
        Message("Graphics special request of unknown layout ignored\n");
        return 0;
    }
    if (request->deviceContext != 0 || !request->output) {
        Message("Graphics special can only be converted to PostScript: " + text + "\n");
        return 0;
    }
    GraphicsSpecial special;
    std::string error;
    if (!ParseGraphicsSpecial(text, &special, &error)) {
        Message("Graphics special not understood: " + text + "\n");
        return 0;
    }
    auto reportOnce = [&](const std::string& message) {
        if (insertionMode_ && !reportedThisPage_.emplace(special.file, true).second)
            return;
        Message(message);
    };
    if (special.kind == GraphicsSpecialKind::Metafile) {
        reportOnce("Cannot convert Windows metafile: " + special.file + "\n");
        return 0;
    }
    std::shared_ptr<const Graphic> graphic = Load(special.file, &error);
    if (!graphic) {
        reportOnce("Cannot read graphics file " + special.file + ": " + error + "\n");
        return 0;
    }
    std::string placement;
    BoundingBox pictureBox;
    if (!Placement(special, *graphic, &placement, &pictureBox, &error)) {
        reportOnce(error + " in " + special.file + "\n");
        return 0;
    }

    std::string ps = "\n" + Prologue(*request) + placement;
    if (graphic->picture) {
        ps += Translate(pictureBox.llx, pictureBox.lly);
        ps += Scale(pictureBox.Width(), pictureBox.Height());
        ps += graphic->body;
    } else {
        // The program runs from a sub-file inside `stopped`, so that an error in it ends
        // only the graphic and not the page; the sub-file is then read to its end.
        ps += "/QuirnGraphicFile currentfile << /EODCount 0 /EODString (%QuirnEndOfGraphic) >>\n";
        ps += "  /SubFileDecode filter def\n";
        ps += "{QuirnGraphicFile cvx stopped {" +
              PsString("Error in included graphic " + special.file + "\n") +
              " print flush} if\n QuirnGraphicFile flushfile}\n";
        ps += "exec\n%%BeginDocument: " + FileNameOf(special.file) + "\n";
        ps += graphic->body;
        if (!graphic->body.empty() && graphic->body.back() != '\n')
            ps += '\n';
        ps += "%QuirnEndOfGraphic\n%%EndDocument\n";
    }
    ps += Epilogue();

    for (size_t pos = 0; pos < ps.size();) {
        size_t n = std::min<size_t>(ps.size() - pos, 1 << 20);
        if (!request->output(ps.data() + pos, static_cast<int>(n))) {
            Message("Could not write PostScript for " + special.file + "\n");
            return 0;
        }
        pos += n;
    }
    return 1;
}

std::shared_ptr<const GraphicsSpecialLibrary::Graphic> GraphicsSpecialLibrary::Load(
    const std::string& path, std::string* error) {
    std::string key = FileKey(path);
    if (key.empty()) {
        *error = "file not found";
        return nullptr;
    }
    if (auto it = cache_.find(key); it != cache_.end())
        return it->second;

    std::vector<uint8_t> bytes;
    if (!ReadFileBytes(path, &bytes, error))
        return nullptr;
    auto graphic = std::make_shared<Graphic>();
    GraphicFormat format = DetectGraphicFormat(bytes);
    if (IsBitmapFormat(format)) {
        graphic->picture = true;
        graphic->hasBox = true;
        JpegInfo jpeg;
        int width = 0, height = 0;
        double dpiX = 0, dpiY = 0;
        std::string ignored;
        if (format == GraphicFormat::Jpeg && ReadJpegInfo(bytes, &jpeg, &ignored) &&
            !jpeg.progressive) {
            graphic->body = PostScriptJpegImage(bytes, jpeg);
            width = jpeg.width, height = jpeg.height, dpiX = jpeg.dpiX, dpiY = jpeg.dpiY;
        } else {
            RgbImage image;
            if (!ReadBitmap(bytes, ImageReadMode::Full, &image, error))
                return nullptr;
            graphic->body = PostScriptImage(image);
            width = image.width, height = image.height, dpiX = image.dpiX, dpiY = image.dpiY;
        }
        if (dpiX <= 0 || dpiY <= 0)
            dpiX = dpiY = 0;
        graphic->box =
            BoundingBox{0, 0, PointsFromPixels(width, dpiX), PointsFromPixels(height, dpiY)};
    } else if (format == GraphicFormat::Eps || format == GraphicFormat::PostScript) {
        std::span<const uint8_t> section = EpsPostScriptSection(bytes);
        if (section.empty()) {
            *error = "damaged EPS file: the PostScript section is missing";
            return nullptr;
        }
        graphic->hasBox = FindEpsBoundingBox(section, &graphic->box);
        graphic->body.assign(reinterpret_cast<const char*>(section.data()), section.size());
    } else if (format == GraphicFormat::Pdf) {
        BoundingBox media;
        if (!FindPdfMediaBox(bytes, &media)) {
            *error = "damaged PDF file: no page size found";
            return nullptr;
        }
        if (!ConvertPdf(path, &graphic->body, error))
            return nullptr;
        // The converted page keeps the media box's size with its corner moved to 0 0.
        graphic->hasBox = true;
        graphic->box = BoundingBox{0, 0, media.Width(), media.Height()};
    } else {
        *error = "unknown graphics format";
        return nullptr;
    }
    if (graphic->body.size() <= kCacheLimit / 4) {
        if (cacheBytes_ + graphic->body.size() > kCacheLimit) {
            cache_.clear();
            cacheBytes_ = 0;
        }
        cacheBytes_ += graphic->body.size();
        cache_[key] = graphic;
    }
    return graphic;
}

bool GraphicsSpecialLibrary::ConvertPdf(const std::string& path, std::string* eps,
                                        std::string* error) {
    std::string gs = Interpreter();
    if (gs.empty()) {
        *error = "the PostScript interpreter (gs) was not found";
        return false;
    }
    ScratchDir scratch(temporary_);
    if (!scratch.Ok()) {
        *error = "cannot create a temporary directory";
        return false;
    }
    std::string out = scratch.File("page.eps");
    QuietRunResult run =
        RunQuietly(gs,
                   {"-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=eps2write", "-dFirstPage=1",
                    "-dLastPage=1", "-sOutputFile=" + out, "-f", AbsolutePath(path, StartFolder())},
                   kConvertTimeoutMs);
    std::vector<uint8_t> bytes;
    std::string ignored;
    if (!run.started || run.timedOut || run.exitStatus != 0 ||
        !ReadFileBytes(out, &bytes, &ignored) || bytes.empty()) {
        *error = run.timedOut ? "the PostScript interpreter took too long"
                              : "the PostScript interpreter could not convert it";
        return false;
    }
    eps->assign(bytes.begin(), bytes.end());
    return true;
}

bool GraphicsSpecialLibrary::GetInfo(const std::string& path, GraphicSize* size) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!size || !ReadFileBytes(path, &bytes, &error))
        return false;
    GraphicFormat format = DetectGraphicFormat(bytes);
    if (IsBitmapFormat(format)) {
        RgbImage header;
        if (!ReadBitmap(bytes, ImageReadMode::HeaderOnly, &header, &error))
            return false;
        size->width = header.width;
        size->height = header.height;
        return true;
    }
    BoundingBox box;
    bool found = false;
    if (format == GraphicFormat::Eps || format == GraphicFormat::PostScript) {
        found = FindEpsBoundingBox(EpsPostScriptSection(bytes), &box);
    } else if (format == GraphicFormat::Pdf) {
        found = FindPdfMediaBox(bytes, &box);
    }
    if (!found || box.Width() > INT32_MAX || box.Height() > INT32_MAX)
        return false;
    size->width = std::max<int32_t>(1, static_cast<int32_t>(std::lround(box.Width())));
    size->height = std::max<int32_t>(1, static_cast<int32_t>(std::lround(box.Height())));
    return true;
}

std::unique_ptr<RgbImage> GraphicsSpecialLibrary::GetBitmap(const std::string& path, int maxSide) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (maxSide <= 0 || !ReadFileBytes(path, &bytes, &error))
        return nullptr;
    GraphicFormat format = DetectGraphicFormat(bytes);
    if (IsBitmapFormat(format)) {
        RgbImage image;
        if (!ReadBitmap(bytes, ImageReadMode::Full, &image, &error))
            return nullptr;
        return std::make_unique<RgbImage>(ScaleToFit(image, maxSide, maxSide));
    }
    BoundingBox box;
    if (format == GraphicFormat::Eps || format == GraphicFormat::PostScript) {
        if (!FindEpsBoundingBox(EpsPostScriptSection(bytes), &box))
            return nullptr;
        return RenderPreview(path, false, box.Width(), box.Height(), maxSide);
    }
    if (format == GraphicFormat::Pdf && FindPdfMediaBox(bytes, &box)) {
        return RenderPreview(path, true, box.Width(), box.Height(), maxSide);
    }
    return nullptr;
}

std::unique_ptr<RgbImage> GraphicsSpecialLibrary::RenderPreview(const std::string& path, bool pdf,
                                                                double widthPt, double heightPt,
                                                                int maxSide) {
    std::string gs = Interpreter();
    ScratchDir scratch(temporary_);
    if (gs.empty() || !scratch.Ok())
        return nullptr;
    double dpi = std::clamp(72.0 * maxSide / std::max(widthPt, heightPt), 1.0, 1200.0);
    std::string out = scratch.File("preview.ppm");
    std::vector<std::string> args = {"-q",
                                     "-dSAFER",
                                     "-dBATCH",
                                     "-dNOPAUSE",
                                     "-sDEVICE=ppmraw",
                                     "-r" + PsNumber(dpi),
                                     "-dTextAlphaBits=4",
                                     "-dGraphicsAlphaBits=4",
                                     "-sOutputFile=" + out};
    if (pdf) {
        args.insert(args.end(), {"-dFirstPage=1", "-dLastPage=1"});
    } else {
        args.push_back("-dEPSCrop");
    }
    args.insert(args.end(), {"-f", AbsolutePath(path, StartFolder())});
    QuietRunResult run = RunQuietly(gs, args, kPreviewTimeoutMs);
    std::vector<uint8_t> bytes;
    std::string error;
    if (!run.started || run.timedOut || !ReadFileBytes(out, &bytes, &error))
        return nullptr;
    auto image = std::make_unique<RgbImage>();
    if (!ReadPnm(bytes, image.get(), &error))
        return nullptr;
    *image = ScaleToFit(*image, maxSide, maxSide);
    return image;
}

}  // namespace quirn

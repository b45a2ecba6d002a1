// Insert Graphic: an \includegraphics command (alone, aligned, or in a figure) put into
// the TeX source at the caret, after making the graphic's file name usable by TeX,
// loading graphicx, listing the graphic's folder in \graphicspath and, when the
// typesetting mode cannot read the graphic's format, converting it into the
// "converted_graphics" folder beside the document. Pasting a bitmap and the migration
// backup use the same pieces.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "editor/text_buffer.h"
#include "graphics/graphic_description.h"

namespace quirn {

class OutputSink;
class UserPrompt;

// The characters that make a graphic's path unusable in \includegraphics.
constexpr std::string_view kTexUnsafeGraphicCharacters = " {}#%~";
bool HasTexUnsafeCharacter(std::string_view path);
// The name made safe: blank and '_' become "-", and \ { } $ & # ^ % ~ become "-BKS-",
// "-LBR-", "-RBR-", "-DOL-", "-AND-", "-PND-", "-HAT-", "-PCT-", "-TIL-".
std::string SafeGraphicName(std::string_view name);
std::string UnsafeGraphicNameQuestion(const std::string& path, const std::string& suggestion);

// Asks about an unsafe path until the graphic has a usable one or the user keeps it.
// `chooseName` stands for the save dialog: it gets the suggested path (the safe file
// name in the graphic's folder) and answers the chosen path, or nothing when cancelled.
// The graphic is copied to the chosen path. Answers the path to use, or nothing when
// the copy failed (reported to `output`).
using ChooseGraphicName = std::function<std::optional<std::string>(const std::string& suggested)>;
std::optional<std::string> MakeGraphicNameUsable(const std::string& path, UserPrompt& prompt,
                                                 const ChooseGraphicName& chooseName,
                                                 OutputSink& output);

enum class GraphicAlignment { None, Left, Center, Right };

struct GraphicRequest {
    std::string path;  // the graphic (absolute)
    double width = 0;
    double height = 0;
    std::string unit = "in";  // "cm" when the setting CMunits is on
    bool keepAspectRatio = false;
    std::optional<std::array<int, 4>> boundingBox;  // bb= override
    GraphicAlignment alignment = GraphicAlignment::None;
    bool figure = false;
    std::string placement = "htbp";
    std::optional<std::string> caption;  // default "Caption for NAME"
    std::optional<std::string> label;    // default "fig:" + the safe name
};

// "Caption for " + the file name with TeX's special characters escaped.
std::string DefaultGraphicCaption(const std::string& fileName);
// "fig:" + the file name made safe.
std::string DefaultGraphicLabel(const std::string& fileName);
// The \includegraphics command for `fileName`.
std::string IncludeGraphicsCommand(const GraphicRequest& request, const std::string& fileName);
// The whole inserted text: the command, aligned, or in a figure environment.
std::string GraphicInsertionText(const GraphicRequest& request, const std::string& fileName);

// Conversions through the PostScript interpreter and the bitmap converter; each writes
// `output` and answers whether it is there.
class GraphicConverter {
  public:
    virtual ~GraphicConverter() = default;
    virtual bool ConvertToEPS(const std::string& input, const std::string& output) = 0;
    virtual bool ConvertToPDF(const std::string& input, const std::string& output) = 0;
    // A bitmap to EPS.
    virtual bool ConvertImage(const std::string& input, const std::string& output) = 0;
};

enum class TypesetOutput { Dvi, Pdf };

// The copy a typesetting mode needs: empty `path` when the graphic can be used as it is.
struct GraphicConversion {
    enum class Step { None, EpsToPdf, PdfToEps, BitmapToPdf } step = Step::None;
    std::string path;   // DOCFOLDER/converted_graphics/NAME.pdf or .eps
    std::string trace;  // the output-window line that reports the conversion
};
GraphicConversion PlanGraphicConversion(const std::string& graphic, GraphicKind kind,
                                        TypesetOutput mode, const std::string& documentPath);

struct GraphicInsertionContext {
    UserPrompt& prompt;
    OutputSink& output;
    GraphicConverter* converter = nullptr;
    TypesetOutput mode = TypesetOutput::Dvi;
    std::string documentPath;  // the document (its own main file)
    GraphicKind kind = GraphicKind::Unknown;
    // Called between the preamble steps and the conversion (the dialog's size line).
    std::function<void()> beforeConversion;
};

// Algorithms of the insertion after the name check: graphicx, \graphicspath, the
// conversion, the command at `caret`. On a failed conversion every edit is taken back
// and nothing is answered; otherwise the range of the inserted text.
std::optional<TextRange> InsertGraphic(TextBuffer& text, TextPos caret,
                                       const GraphicRequest& request,
                                       GraphicInsertionContext& context);

// Where the migration wizard keeps its copy of PATH.EXT: PATH.migrategraphics.EXT, or
// PATH.migrategraphics.N.EXT with the first N = 1, 2, ... not taken.
std::string MigrationBackupPath(const std::string& documentPath);
std::string MigrationQuestion();
std::string PasteBitmapQuestion();

}  // namespace quirn

#include "editor/graphic_insertion.h"

#include <sys/stat.h>

#include <cstdio>
#include <fstream>

#include "editor/preamble.h"
#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/temp_folder.h"
#include "platform/user_prompt.h"

namespace quirn {

bool HasTexUnsafeCharacter(std::string_view path) {
    return path.find_first_of(kTexUnsafeGraphicCharacters) != std::string_view::npos;
}

std::string SafeGraphicName(std::string_view name) {
    std::string safe;
    for (char c : name) {
        switch (c) {
            case ' ':
            case '_':
                safe += "-";
                break;
            case '\\':
                safe += "-BKS-";
                break;
            case '{':
                safe += "-LBR-";
                break;
            case '}':
                safe += "-RBR-";
                break;
            case '$':
                safe += "-DOL-";
                break;
            case '&':
                safe += "-AND-";
                break;
            case '#':
                safe += "-PND-";
                break;
            case '^':
                safe += "-HAT-";
                break;
            case '%':
                safe += "-PCT-";
                break;
            case '~':
                safe += "-TIL-";
                break;
            default:
                safe += c;
        }
    }
    return safe;
}

std::string UnsafeGraphicNameQuestion(const std::string& path, const std::string& suggestion) {
    return "The graphics file name will not work with TeX\n\n   " + path +
           "\n\n(the file name contains a space or another character that will confuse "
           "TeX).\n\nChoose Yes to copy the file to a new directory or rename the file.\n"
           "Suggested name: " +
           suggestion;
}

namespace {

bool CopyFile(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ofstream out(to, std::ios::binary | std::ios::trunc);
    if (!out) {
        return false;
    }
    out << in.rdbuf();
    out.flush();
    return static_cast<bool>(out);
}

}  // namespace

std::optional<std::string> MakeGraphicNameUsable(const std::string& path, UserPrompt& prompt,
                                                 const ChooseGraphicName& chooseName,
                                                 OutputSink& output) {
    std::string current = path;
    while (HasTexUnsafeCharacter(current)) {
        const std::string suggestion = SafeGraphicName(FileNameOf(current));
        if (!prompt.AskYesNo(UnsafeGraphicNameQuestion(current, suggestion))) {
            break;
        }
        const std::optional<std::string> chosen =
            chooseName(JoinPath(DirectoryOf(current), suggestion));
        // A cancelled dialog keeps the name; so does choosing the same unsafe path
        // again (an unsafe folder cannot be fixed by renaming the file).
        if (!chosen || chosen->empty() || *chosen == current) {
            break;
        }
        if (!CopyFile(current, *chosen)) {
            output.AppendOutput("Could not copy " + current + " to " + *chosen + "\n");
            return std::nullopt;
        }
        current = *chosen;
    }
    return current;
}

std::string DefaultGraphicCaption(const std::string& fileName) {
    std::string caption = "Caption for ";
    for (char c : fileName) {
        switch (c) {
            case '\\':
                caption += "$\\backslash$";
                break;
            case '{':
            case '}':
            case '$':
            case '&':
            case '#':
            case '_':
            case '%':
                caption += '\\';
                caption += c;
                break;
            case '^':
                caption += "\\^{}";
                break;
            case '~':
                caption += "\\~{}";
                break;
            default:
                caption += c;
        }
    }
    return caption;
}

std::string DefaultGraphicLabel(const std::string& fileName) {
    return "fig:" + SafeGraphicName(fileName);
}

std::string IncludeGraphicsCommand(const GraphicRequest& request, const std::string& fileName) {
    char bb[80] = "";
    if (request.boundingBox) {
        const auto& b = *request.boundingBox;
        std::snprintf(bb, sizeof bb, "bb=%i %i %i %i,", b[0], b[1], b[2], b[3]);
    }
    char sizes[160];
    std::snprintf(sizes, sizeof sizes, "width=%.3g%s,height=%.3g%s", request.width,
                  request.unit.c_str(), request.height, request.unit.c_str());
    return std::string("\\includegraphics[") + bb + sizes +
           (request.keepAspectRatio ? ",keepaspectratio" : "") + "]{" + fileName + "}";
}

std::string GraphicInsertionText(const GraphicRequest& request, const std::string& fileName) {
    const std::string command = IncludeGraphicsCommand(request, fileName);
    if (request.figure) {
        return "\n\\begin{figure}[" + request.placement +
               "] % float placement: (h)ere, page (t)op, page (b)ottom, other (p)age\n"
               "  \\centering\n" +
               command + "\n  \\caption{" +
               request.caption.value_or(DefaultGraphicCaption(fileName)) + "}\n  \\label{" +
               request.label.value_or(DefaultGraphicLabel(fileName)) + "}\n\\end{figure}\n\n";
    }
    switch (request.alignment) {
        case GraphicAlignment::Left:
            return "\\leftline{" + command + "}";
        case GraphicAlignment::Center:
            return "\\centerline{" + command + "}";
        case GraphicAlignment::Right:
            return "\\rightline{" + command + "}";
        case GraphicAlignment::None:
            break;
    }
    return command;
}

GraphicConversion PlanGraphicConversion(const std::string& graphic, GraphicKind kind,
                                        TypesetOutput mode, const std::string& documentPath) {
    GraphicConversion conversion;
    const std::string folder = JoinPath(DirectoryOf(documentPath), "converted_graphics");
    const std::string base = StripExtension(FileNameOf(graphic));
    const std::string ext = ExtensionOf(graphic);
    if (mode == TypesetOutput::Dvi && kind == GraphicKind::Pdf) {
        conversion.step = GraphicConversion::Step::PdfToEps;
        conversion.path = JoinPath(folder, base + ".eps");
        conversion.trace = "Converted PDF to EPS for DVI/PDF compatibility\n";
    } else if (mode == TypesetOutput::Pdf && kind == GraphicKind::PostScript) {
        conversion.step = GraphicConversion::Step::EpsToPdf;
        conversion.path = JoinPath(folder, base + ".pdf");
        conversion.trace = "Converted EPS to PDF for DVI/PDF compatibility\n";
    } else if (mode == TypesetOutput::Pdf && kind == GraphicKind::Bitmap) {
        // pdfTeX reads PNG and JPEG itself; the other bitmaps go through EPS to PDF.
        std::string lower;
        for (char c : ext) {
            lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
        if (lower != "png" && lower != "jpg" && lower != "jpeg") {
            conversion.step = GraphicConversion::Step::BitmapToPdf;
            conversion.path = JoinPath(folder, base + ".pdf");
            conversion.trace = "Converted graphic to PDF for DVI/PDF compatibility\n";
        }
    }
    return conversion;
}

namespace {

bool Convert(const GraphicConversion& conversion, const std::string& graphic,
             GraphicConverter& converter) {
    const std::string folder = DirectoryOf(conversion.path);
    if (!DirectoryExists(folder) && ::mkdir(folder.c_str(), 0777) != 0) {
        return false;
    }
    switch (conversion.step) {
        case GraphicConversion::Step::PdfToEps:
            return converter.ConvertToEPS(graphic, conversion.path);
        case GraphicConversion::Step::EpsToPdf:
            return converter.ConvertToPDF(graphic, conversion.path);
        case GraphicConversion::Step::BitmapToPdf: {
            // The EPS between the two steps is a scratch file, gone with its folder.
            TempFolder scratch;
            const std::string eps = scratch.MakeFile("quirn", ".eps");
            return !eps.empty() && converter.ConvertImage(graphic, eps) &&
                   converter.ConvertToPDF(eps, conversion.path);
        }
        case GraphicConversion::Step::None:
            break;
    }
    return true;
}

}  // namespace

std::optional<TextRange> InsertGraphic(TextBuffer& text, TextPos caret,
                                       const GraphicRequest& request,
                                       GraphicInsertionContext& context) {
    const GraphicConversion conversion =
        PlanGraphicConversion(request.path, context.kind, context.mode, context.documentPath);
    const std::string graphic = conversion.path.empty() ? request.path : conversion.path;
    std::vector<TextEdit> edits;
    bool preamble = true;
    if (!FindUsePackage(text, "graphicx")) {
        preamble = InsertBeforeBeginDocument(text, "\\usepackage{graphicx}", &edits, &caret);
    }
    if (preamble) {
        const std::string folder = WithTrailingSeparator(ToForwardSlashes(DirectoryOf(graphic)));
        switch (AddToGraphicsPath(text, folder, &edits, &caret)) {
            case GraphicsPathResult::Unterminated:
                context.prompt.ShowMessage(
                    "Unable to edit \\graphicspath in preamble.\nCheck this and try again.");
                break;
            case GraphicsPathResult::NoPreamble:
                preamble = false;
                break;
            default:
                break;
        }
    }
    if (!preamble) {
        context.prompt.ShowMessage("Could not access LaTeX preamble in main file.");
    }
    if (context.beforeConversion) {
        context.beforeConversion();
    }
    if (conversion.step != GraphicConversion::Step::None) {
        if (!context.converter || !Convert(conversion, request.path, *context.converter) ||
            !RegularFileExists(conversion.path)) {
            RevertEdits(text, &edits);
            return std::nullopt;
        }
        context.output.AppendOutput(conversion.trace);
    }
    const std::string inserted = GraphicInsertionText(request, FileNameOf(graphic));
    caret = std::min(std::max<TextPos>(caret, 0), text.Length());
    text.Insert(caret, inserted);
    return TextRange{caret, caret + static_cast<TextPos>(inserted.size())};
}

std::string MigrationBackupPath(const std::string& documentPath) {
    const std::string ext = ExtensionOf(FileNameOf(documentPath));
    const std::string stem = StripExtension(documentPath);
    const std::string tail = ext.empty() ? "" : "." + ext;
    std::string candidate = stem + ".migrategraphics" + tail;
    for (int n = 1; FileExists(candidate); ++n) {
        candidate = stem + ".migrategraphics." + std::to_string(n) + tail;
    }
    return candidate;
}

std::string MigrationQuestion() {
    return "This Wizard will replace older style graphics inclusions ( such as \\setbmp, "
           "\\centereps, \\special) with \\includegraphics commands.\n\nA backup copy of the "
           "document is saved first.\n\nDo you want to continue?";
}

std::string PasteBitmapQuestion() {
    return "You are trying to paste a graphics object directly into your TeX File.\nThis "
           "cannot be done without some additional information\nWould you like to use the "
           "Graphics Wizard to assist you?";
}

}  // namespace quirn

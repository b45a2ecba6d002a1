#include "cli/edit_graphics.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "app/data_roots.h"
#include "cli/commands.h"
#include "cli/preview_document.h"
#include "editor/graphic_command.h"
#include "editor/graphic_insertion.h"
#include "editor/preamble.h"
#include "editor/string_text_buffer.h"
#include "editor/tex_document.h"
#include "export/graphic_conversion.h"
#include "graphics/graphic_description.h"
#include "graphics/graphics_special.h"
#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/user_prompt.h"

namespace quirn::cli {

namespace {

std::string Escaped(const std::string& text) {
    std::string line;
    for (char c : text) {
        line += c == '\n' ? std::string("\\n") : std::string(1, c);
    }
    return line;
}

// Questions and messages as lines on standard output, answered from the command line.
class PrintingPrompt : public UserPrompt {
  public:
    explicit PrintingPrompt(bool yes) : yes_(yes) {}
    void ShowMessage(const std::string& text) override {
        std::printf("message: %s\n", Escaped(text).c_str());
        std::fflush(stdout);
    }
    int Ask(const std::string& text, const std::vector<std::string>&, int affirmative,
            int negative) override {
        std::printf("question: %s\n", Escaped(text).c_str());
        std::fflush(stdout);
        return yes_ ? affirmative : negative;
    }

  private:
    bool yes_;
};

bool ParsePosition(const std::string& text, TextPos* pos) {
    char* end = nullptr;
    const long long n = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || n < 0) {
        return false;
    }
    *pos = n;
    return true;
}

bool ParseLength(const std::string& text, double* value) {
    char* end = nullptr;
    *value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && *value >= 0;
}

struct InsertOptions {
    GraphicRequest request;
    bool haveWidth = false;
    bool haveHeight = false;
    TypesetOutput mode = TypesetOutput::Dvi;
    std::optional<TextPos> at;
    bool answerYes = true;
    std::optional<std::string> rename;
    std::optional<std::string> saveAs;  // paste-bitmap only
};

// Reads the insert-graphic options from args[from...]; false on anything else.
bool ParseInsertOptions(const std::vector<std::string>& args, size_t from, InsertOptions* o) {
    bool figureOnly = false;  // --placement, --caption or --label given
    for (size_t i = from; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--keep-aspect") {
            o->request.keepAspectRatio = true;
        } else if (a == "--figure") {
            o->request.figure = true;
        } else if (!hasValue) {
            return false;
        } else if (a == "--width") {
            o->haveWidth = ParseLength(args[++i], &o->request.width);
            if (!o->haveWidth) {
                return false;
            }
        } else if (a == "--height") {
            o->haveHeight = ParseLength(args[++i], &o->request.height);
            if (!o->haveHeight) {
                return false;
            }
        } else if (a == "--bb") {
            std::istringstream in(args[++i]);
            std::array<int, 4> box{};
            std::string rest;
            if (!(in >> box[0] >> box[1] >> box[2] >> box[3]) || (in >> rest)) {
                return false;
            }
            o->request.boundingBox = box;
        } else if (a == "--align") {
            const std::string& v = args[++i];
            if (v == "left") {
                o->request.alignment = GraphicAlignment::Left;
            } else if (v == "center" || v == "centre") {
                o->request.alignment = GraphicAlignment::Center;
            } else if (v == "right") {
                o->request.alignment = GraphicAlignment::Right;
            } else {
                return false;
            }
        } else if (a == "--placement") {
            o->request.placement = args[++i];
            figureOnly = true;
        } else if (a == "--caption") {
            o->request.caption = args[++i];
            figureOnly = true;
        } else if (a == "--label") {
            o->request.label = args[++i];
            figureOnly = true;
        } else if (a == "--mode") {
            const std::string& v = args[++i];
            if (v == "DVI" || v == "dvi") {
                o->mode = TypesetOutput::Dvi;
            } else if (v == "PDF" || v == "pdf") {
                o->mode = TypesetOutput::Pdf;
            } else {
                return false;
            }
        } else if (a == "--at") {
            TextPos pos = 0;
            if (!ParsePosition(args[++i], &pos)) {
                return false;
            }
            o->at = pos;
        } else if (a == "--answer") {
            const std::string& v = args[++i];
            if (v != "yes" && v != "no") {
                return false;
            }
            o->answerYes = v == "yes";
        } else if (a == "--rename") {
            o->rename = AbsolutePath(args[++i], StartFolder());
        } else if (a == "--save-as") {
            o->saveAs = AbsolutePath(args[++i], StartFolder());
        } else {
            return false;
        }
    }
    return o->haveWidth && o->haveHeight && (o->request.figure || !figureOnly);
}

bool LoadDocument(TexDocument& doc, const std::string& path, UserPrompt& prompt) {
    std::string error;
    if (!RegularFileExists(path) || !doc.Open(path, &prompt, &error)) {
        std::fprintf(stderr, "Cannot open file: %s\n", path.c_str());
        return false;
    }
    return true;
}

int InsertGraphicFile(const std::string& file, const std::string& graphicPath,
                      InsertOptions& options, PrintingPrompt& prompt) {
    StreamSink output(stderr);
    if (!RegularFileExists(graphicPath)) {
        std::fprintf(stderr, "Cannot open file: %s\n", graphicPath.c_str());
        return 1;
    }
    StringTextBuffer buffer;
    TexDocument doc(buffer);
    if (!LoadDocument(doc, file, prompt)) {
        return 1;
    }
    const std::string installDir = FindInstallDir();
    const Settings settings = LoadUserSettings(installDir, output);
    options.request.unit = settings.cmUnits != 0 ? "cm" : "in";

    const auto chooseName = [&options](const std::string& suggested) {
        return std::optional<std::string>(options.rename.value_or(suggested));
    };
    const std::optional<std::string> graphic =
        MakeGraphicNameUsable(graphicPath, prompt, chooseName, output);
    if (!graphic) {
        return 1;
    }
    options.request.path = *graphic;

    GraphicsSpecialLibrary library(installDir);
    const TextPos caret = options.at.value_or(EndDocumentLine(buffer).value_or(buffer.Length()));
    GraphicConversionSetup setup;
    setup.installDir = installDir;
    setup.settings = &settings;
    setup.prompt = &prompt;
    setup.output = &output;
    PostScriptGraphicConverter converter(setup);
    GraphicInsertionContext context{
        prompt, output, &converter, options.mode, file, GraphicKindOfName(*graphic), [&] {
            const GraphicDescription description = DescribeGraphic(*graphic, library, output);
            std::printf("size: %s\n", GraphicSizeText(description, options.request.width,
                                                      options.request.height, options.request.unit)
                                          .c_str());
            std::fflush(stdout);
        }};
    if (!InsertGraphic(buffer, caret, options.request, context)) {
        return 1;
    }
    std::string error;
    if (!doc.Save(file, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}

int EditGraphic(const std::string& file, TextPos pos) {
    ScriptedPrompt quiet;
    StringTextBuffer buffer;
    TexDocument doc(buffer);
    if (!LoadDocument(doc, file, quiet)) {
        return 1;
    }
    const std::optional<IncludeGraphicsMatch> match = MatchIncludeGraphicsAt(buffer, pos);
    if (!match) {
        std::printf("message: %s\n", Escaped(kUnrecognizedIncludeGraphics).c_str());
        return 1;
    }
    std::printf("graphic: width=%s%s height=%s%s keepaspectratio=%s file=%s\n",
                match->width.c_str(), match->widthUnit.c_str(), match->height.c_str(),
                match->heightUnit.c_str(), match->keepAspectRatio ? "yes" : "no",
                match->file.c_str());
    return 0;
}

int MigrateGraphics(const std::string& file, bool yes) {
    PrintingPrompt prompt(yes);
    StringTextBuffer buffer;
    TexDocument doc(buffer);
    if (!LoadDocument(doc, file, prompt)) {
        return 1;
    }
    if (!prompt.AskYesNo(MigrationQuestion())) {
        return 0;
    }
    const std::string backup = MigrationBackupPath(file);
    std::string error;
    if (!doc.SaveCopy(backup, &error)) {
        std::fprintf(stderr, "writing backup %s failed\n", backup.c_str());
        return 1;
    }
    std::fprintf(stderr, "wrote backup file %s\n", backup.c_str());
    return 0;
}

int PasteBitmap(const std::string& file, const std::string& dibPath, InsertOptions& options) {
    PrintingPrompt prompt(options.answerYes);
    std::ifstream in(dibPath, std::ios::binary);
    if (!in || !RegularFileExists(dibPath)) {
        std::fprintf(stderr, "Cannot open file: %s\n", dibPath.c_str());
        return 1;
    }
    if (!RegularFileExists(file)) {
        std::fprintf(stderr, "Cannot open file: %s\n", file.c_str());
        return 1;
    }
    const std::string dib((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!prompt.AskYesNo(PasteBitmapQuestion())) {
        return 0;
    }
    const std::string bmp = BmpFileFromDib(dib);
    if (bmp.empty()) {
        std::fprintf(stderr, "%s: not a device-independent bitmap\n", dibPath.c_str());
        return 1;
    }
    {
        std::ofstream out(*options.saveAs, std::ios::binary | std::ios::trunc);
        out.write(bmp.data(), static_cast<std::streamsize>(bmp.size()));
        out.flush();
        if (!out) {
            prompt.ShowMessage("Couldn't write to that location");
            return 1;
        }
    }
    return InsertGraphicFile(file, *options.saveAs, options, prompt);
}

// The files a verb reads, checked first so that a missing one is named as given.
bool InputsExist(const std::vector<std::string>& args, size_t count) {
    for (size_t i = 1; i <= count && i < args.size(); ++i) {
        if (!RegularFileExists(AbsolutePath(args[i], StartFolder()))) {
            std::fprintf(stderr, "Cannot open file: %s\n", args[i].c_str());
            return false;
        }
    }
    return true;
}

}  // namespace

int EditGraphicsVerb(const std::vector<std::string>& args, bool* handled) {
    *handled = true;
    const std::string& verb = args[0];
    if (verb == "insert-graphic" && args.size() >= 3) {
        InsertOptions options;
        if (!ParseInsertOptions(args, 3, &options) || options.saveAs) {
            return WrongUsage("edit");
        }
        if (!InputsExist(args, 2)) {
            return 1;
        }
        PrintingPrompt prompt(options.answerYes);
        return InsertGraphicFile(AbsolutePath(args[1], StartFolder()),
                                 AbsolutePath(args[2], StartFolder()), options, prompt);
    }
    if (verb == "edit-graphic") {
        TextPos pos = 0;
        if (args.size() != 3 || !ParsePosition(args[2], &pos)) {
            return WrongUsage("edit");
        }
        return InputsExist(args, 1) ? EditGraphic(AbsolutePath(args[1], StartFolder()), pos) : 1;
    }
    if (verb == "migrate-graphics") {
        bool yes = true;
        if (args.size() == 4 && args[2] == "--answer" && (args[3] == "yes" || args[3] == "no")) {
            yes = args[3] == "yes";
        } else if (args.size() != 2) {
            return WrongUsage("edit");
        }
        return InputsExist(args, 1) ? MigrateGraphics(AbsolutePath(args[1], StartFolder()), yes)
                                    : 1;
    }
    if (verb == "paste-bitmap" && args.size() >= 3) {
        InsertOptions options;
        if (!ParseInsertOptions(args, 3, &options) || !options.saveAs) {
            return WrongUsage("edit");
        }
        if (!InputsExist(args, 2)) {
            return 1;
        }
        return PasteBitmap(AbsolutePath(args[1], StartFolder()),
                           AbsolutePath(args[2], StartFolder()), options);
    }
    if (verb == "insert-graphic" || verb == "paste-bitmap") {
        return WrongUsage("edit");
    }
    *handled = false;
    return 0;
}

}  // namespace quirn::cli

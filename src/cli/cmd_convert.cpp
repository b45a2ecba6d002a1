// quirn-cli convert FILE --to eps|pdf -o OUT: ConvertToEPS, ConvertToPDF and
// ConvertImage, as Insert Graphic and the exports run them.
#include <cstdio>
#include <string>
#include <vector>

#include "app/data_roots.h"
#include "cli/commands.h"
#include "cli/page_documents.h"
#include "cli/preview_document.h"
#include "export/graphic_conversion.h"
#include "graphics/graphic_description.h"
#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/temp_folder.h"
#include "platform/user_prompt.h"
#include "postscript/temp_file.h"

namespace quirn::cli {
namespace {

void Announce(const ConversionRun& run) {
    std::printf("command: %s\nfolder: %s\n", run.command.c_str(), run.folder.c_str());
    std::fflush(stdout);
}

int Convert(const std::vector<std::string>& args) {
    std::string file, fileAsGiven, to, out, outAsGiven;
    bool ok = true;
    for (size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--to" && hasValue) {
            to = args[++i];
            ok = ok && (to == "eps" || to == "pdf");
        } else if (args[i] == "-o" && hasValue) {
            outAsGiven = args[++i];
            out = AbsolutePath(outAsGiven, StartFolder());
        } else if (file.empty() && !args[i].starts_with("-")) {
            fileAsGiven = args[i];
            file = AbsolutePath(args[i], StartFolder());
        } else {
            ok = false;
        }
    }
    if (!ok || file.empty() || to.empty() || out.empty()) {
        return WrongUsage("convert");
    }
    if (!RegularFileExists(file)) {
        std::fprintf(stderr, "Cannot open file: %s\n", fileAsGiven.c_str());
        return 1;
    }
    StreamSink output(stderr);
    StderrPrompt prompt;
    const std::string installDir = FindInstallDir();
    const Settings settings = LoadUserSettings(installDir, output);
    GraphicConversionSetup setup;
    setup.installDir = installDir;
    setup.settings = &settings;
    setup.prompt = &prompt;
    setup.output = &output;

    ConversionRun run;
    if (GraphicKindOfName(file) == GraphicKind::Bitmap) {
        if (to == "eps") {
            run = ConvertImageToEps(setup, file, out, Announce);
        } else {
            // A bitmap reaches PDF as an EPS first.
            TempFile eps = TempFile::Make(".eps");
            run = ConvertImageToEps(setup, file, eps.Path(), Announce);
            if (run.wrote) {
                run =
                    ConvertWithInterpreter(setup, eps.Path(), out, ConversionDevice::Pdf, Announce);
            }
        }
    } else {
        run = ConvertWithInterpreter(setup, file, out,
                                     to == "eps" ? ConversionDevice::Eps : ConversionDevice::Pdf,
                                     Announce);
    }
    if (!run.wrote) {
        std::fprintf(stderr, "Conversion failed: no output file %s\n", outAsGiven.c_str());
        return 1;
    }
    std::printf("wrote %s\n", outAsGiven.c_str());
    return 0;
}

}  // namespace

QUIRN_CLI_COMMAND(
    "convert", "FILE --to eps|pdf -o OUT", "convert a PostScript, EPS, PDF or bitmap file",
    "Converts FILE to EPS or PDF as Insert Graphic does. PostScript, EPS and PDF\n"
    "files go through the PostScript interpreter of the settings (PSRender6): its\n"
    "command without the resolution and page size, the device eps2write or\n"
    "pdfwrite, OUT as the output file and the input's bare name, run in the input's\n"
    "folder with standard input closed; an EPS made into a PDF keeps its bounding\n"
    "box as the page (-dEPSCrop). A bitmap (png, jpg, jpeg, gif, bmp, tif, tiff) is\n"
    "made into EPS by img2eps (and from that into PDF by the interpreter).\n"
    "Prints \"command: TEXT\" and \"folder: PATH\" before each child starts, then\n"
    "\"wrote OUT\". When OUT is missing or empty afterwards: \"Conversion failed: no\n"
    "output file OUT\" on standard error and exit status 1; \"PostScript interpreter\n"
    "not found: NAME\" when the interpreter cannot be started.\n",
    Convert);

}  // namespace quirn::cli

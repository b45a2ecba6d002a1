// quirn-cli export FILE.dvi --page P --as eps|ai [-o OUT]: a DVI page as EPS or as an
// Adobe Illustrator file.
#include <cstdio>
#include <string>
#include <vector>

#include "app/data_roots.h"
#include "cli/commands.h"
#include "cli/page_documents.h"
#include "cli/preview_document.h"
#include "export/page_export.h"
#include "platform/paths.h"

namespace quirn::cli {
namespace {

int Export(const std::vector<std::string>& args) {
    std::string file, fileAsGiven, as, out, outAsGiven;
    int page = 0;
    bool ok = true;
    for (size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == "--page" && hasValue) {
            ok = ok && ParseCount(args[++i], page);
        } else if (args[i] == "--as" && hasValue) {
            as = args[++i];
            ok = ok && (as == "eps" || as == "ai");
        } else if (args[i] == "-o" && hasValue) {
            outAsGiven = args[++i];
            out = AbsolutePath(outAsGiven, StartFolder());
        } else if (file.empty() && !args[i].starts_with("-")) {
            fileAsGiven = args[i];
            file = AbsolutePath(fileAsGiven, StartFolder());
        } else {
            ok = false;
        }
    }
    if (!ok || file.empty() || as.empty() || page < 1) {
        return WrongUsage("export");
    }
    if (!RegularFileExists(file)) {
        std::fprintf(stderr, "Cannot open file: %s\n", fileAsGiven.c_str());
        return 1;
    }
    auto dvi = OpenPreviewDocument(file, false);
    if (!dvi) {
        return 1;
    }
    const int pages = dvi->doc->GetPageCount();
    if (page > pages) {
        std::fprintf(stderr, "page %d is not in the document (%d pages)\n", page, pages);
        return 1;
    }
    if (out.empty()) {
        outAsGiven = DefaultPageExportName(fileAsGiven, page, as);
        out = AbsolutePath(outAsGiven, StartFolder());
    }
    StreamSink output(stderr);
    StderrPrompt prompt;
    std::string error;
    bool done = false;
    if (as == "eps") {
        done = ExportPageAsEps(*dvi->doc, page, out, &error);
    } else {
        GraphicConversionSetup setup;
        setup.installDir = FindInstallDir();
        setup.settings = &dvi->settings;
        setup.prompt = &prompt;
        setup.output = &output;
        done = ExportPageAsIllustrator(*dvi->doc, page, out, setup, &error);
    }
    if (!done) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("wrote %s\n", outAsGiven.c_str());
    return 0;
}

}  // namespace

QUIRN_CLI_COMMAND(
    "export", "FILE.dvi --page P --as eps|ai [-o OUT]", "a DVI page as EPS or Illustrator file",
    "Exports page P of FILE.dvi. eps: dvips makes the page as EPS (-E -n1 -p =P) and\n"
    "it is copied to OUT. ai: that EPS goes through the PostScript interpreter with\n"
    "a program that prints the page's filled paths and character outlines as Adobe\n"
    "Illustrator paths into OUT; \"Adobe Illustrator Export complete\" follows on\n"
    "standard error. OUT defaults to FILE without its extension + \"_pageP.eps\" (or\n"
    "\".ai\"). Prints \"wrote OUT\". A page outside gives \"page P is not in the\n"
    "document (N pages)\"; that and a failed export exit 1.\n",
    Export);

}  // namespace quirn::cli

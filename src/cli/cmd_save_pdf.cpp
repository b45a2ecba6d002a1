// quirn-cli save-pdf FILE [--title T] [--subject S] [--keywords K] [--author A]
//   [--creator C] [--subset] -o OUT.pdf: Save as PDF of a DVI, PostScript or EPS file.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "app/data_roots.h"
#include "cli/commands.h"
#include "cli/page_documents.h"
#include "export/save_pdf.h"
#include "platform/paths.h"
#include "postscript/dvi_postscript.h"
#include "postscript/ps_document.h"

namespace quirn::cli {
namespace {

bool CanWrite(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

int SavePdf(const std::vector<std::string>& args) {
    std::string file, fileAsGiven, out, outAsGiven;
    std::optional<std::string> title, creator;
    PdfInformation info;
    bool ok = true;
    for (size_t i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        const std::string& a = args[i];
        if (a == "--subset") {
            info.subsetFonts = true;
        } else if (a == "--title" && hasValue) {
            title = args[++i];
        } else if (a == "--subject" && hasValue) {
            info.subject = args[++i];
        } else if (a == "--keywords" && hasValue) {
            info.keywords = args[++i];
        } else if (a == "--author" && hasValue) {
            info.author = args[++i];
        } else if (a == "--creator" && hasValue) {
            creator = args[++i];
        } else if (a == "-o" && hasValue) {
            outAsGiven = args[++i];
            out = AbsolutePath(outAsGiven, StartFolder());
        } else if (file.empty() && !a.starts_with("-")) {
            fileAsGiven = a;
            file = AbsolutePath(a, StartFolder());
        } else {
            ok = false;
        }
    }
    if (!ok || file.empty() || out.empty()) {
        return WrongUsage("save-pdf");
    }
    std::unique_ptr<PageDocument> page = OpenPageDocument(fileAsGiven, false);
    if (!page) {
        return 1;
    }
    CBaseDoc& doc = *page->doc;
    if (auto* dvi = dynamic_cast<DviPostScriptDoc*>(&doc)) {
        dvi->MakePostScript();  // its header gives the title and creator
    }
    info.title = title.value_or(DscHeaderValue(doc.PostScript(), "Title"));
    info.creator = creator.value_or(DscHeaderValue(doc.PostScript(), "Creator"));
    info.creationDate = PdfCreationDate(std::time(nullptr));
    if (!CanWrite(out)) {
        std::fprintf(stderr, "Could not open file for writing: %s\n", outAsGiven.c_str());
        return 1;
    }
    GraphicConversionSetup setup;
    setup.installDir = page->installDir;
    setup.settings = &page->settings;
    setup.prompt = &page->prompt;
    setup.output = &page->messages;
    const SavePdfResult result = SaveAsPDF(doc, info, QUIRN_VERSION, out, setup);
    if (!result.wrote) {
        std::fprintf(stderr, "Save as PDF failed: no output file %s\n", outAsGiven.c_str());
        return 1;
    }
    std::printf("wrote %s\n", outAsGiven.c_str());
    std::fprintf(stderr, "view: %s\n", outAsGiven.c_str());
    return 0;
}

}  // namespace

QUIRN_CLI_COMMAND(
    "save-pdf",
    "FILE [--title T] [--subject S] [--keywords K] [--author A] [--creator C] [--subset] "
    "-o OUT.pdf",
    "Save as PDF of a DVI, PostScript or EPS file",
    "Writes FILE (.dvi, .ps or .eps) as a PDF through the PostScript interpreter of\n"
    "the settings: its command at 300 dpi with the page size at 300 dpi, the device\n"
    "pdfwrite and OUT, reading standard input in OUT's folder. Standard input gets\n"
    "the DOCINFO pdfmark with the fields, then the distiller parameters (--subset:\n"
    "subset fonts), then every page. A DVI file reaches PostScript through dvips.\n"
    "Title and Creator default to the \"%%Title:\" and \"%%Creator:\" comments of the\n"
    "PostScript; the fields given always end up in the PDF. Prints \"wrote OUT\" and,\n"
    "on standard error, \"view: OUT\". Exit status 1 with \"Cannot open file: PATH\",\n"
    "\"Could not open file for writing: OUT\", or when no PDF came.\n",
    SavePdf);

}  // namespace quirn::cli

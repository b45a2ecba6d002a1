// quirn-cli wordcount FILE.dvi [--page P --area X0,Y0,X1,Y1 [--dpi D]] [--project PATH]:
// the Tools menu's Word Count on a DVI file, of every page or of a selection.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/preview_document.h"
#include "cli/project_session.h"
#include "dvi/fonts/dvi_math.h"
#include "dvi/interpret_page.h"
#include "dvi/text_search.h"
#include "platform/paths.h"

namespace quirn::cli {
namespace {

bool ParseArea(const std::string& text, std::vector<long>& values) {
    size_t start = 0;
    while (values.size() < 4) {
        size_t comma = text.find(',', start);
        std::string part = text.substr(start, comma == std::string::npos ? comma : comma - start);
        char* end = nullptr;
        long v = std::strtol(part.c_str(), &end, 10);
        if (part.empty() || *end != '\0')
            return false;
        values.push_back(v);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return values.size() == 4 && text.find(',', start) == std::string::npos;
}

int WordCountCommand(const std::vector<std::string>& args) {
    std::string file, projectPath;
    int page = 0, dpi = 96;
    bool hasPage = false, hasArea = false, hasDpi = false, hasProject = false;
    std::vector<long> area;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool hasValue = i + 1 < args.size();
        if (a == "--page" && hasValue) {
            if (!ParseCount(args[++i], page) || page < 1)
                return WrongUsage("wordcount");
            hasPage = true;
        } else if (a == "--area" && hasValue) {
            if (!ParseArea(args[++i], area))
                return WrongUsage("wordcount");
            hasArea = true;
        } else if (a == "--dpi" && hasValue) {
            if (!ParseCount(args[++i], dpi) || dpi < 1)
                return WrongUsage("wordcount");
            hasDpi = true;
        } else if (a == "--project" && hasValue) {
            projectPath = args[++i];
            hasProject = true;
        } else if (a.starts_with("--") || !file.empty()) {
            return WrongUsage("wordcount");
        } else {
            file = a;
        }
    }
    if (file.empty() || hasPage != hasArea || (hasDpi && !hasArea))
        return WrongUsage("wordcount");

    std::unique_ptr<ProjectSession> session;
    if (hasProject) {
        std::string path = AbsoluteArgument(projectPath);
        if (!FileExists(path)) {
            std::fprintf(stderr, "quirn-cli: cannot find %s\n", path.c_str());
            return 1;
        }
        session = std::make_unique<ProjectSession>();
        if (!session->OpenAll({path}))
            return 1;
    }
    auto preview = OpenPreviewDocument(AbsoluteArgument(file), false);
    if (!preview)
        return 1;
    CDVIDoc& doc = *preview->doc;
    if (hasPage && page > doc.GetPageCount()) {
        std::fprintf(stderr, "page %d is not in the document (%d pages)\n", page,
                     doc.GetPageCount());
        return 1;
    }
    WordSelection selection;
    if (hasArea) {
        const double s = PixelsPerDviUnit(doc, dpi);
        auto dvi = [&](long pixels) { return TruncToInt32(static_cast<double>(pixels) / s); };
        selection.left = dvi(std::min(area[0], area[2]));
        selection.right = dvi(std::max(area[0], area[2]));
        selection.top = dvi(std::min(area[1], area[3]));
        selection.bottom = dvi(std::max(area[1], area[3]));
    }
    WordCountResult result =
        CountWords(doc, hasArea ? &selection : nullptr, page - 1, LocaleDateTime());
    for (const auto& [p, words] : result.pages)
        std::printf("page=%d texpage=%d words=%d\n", p + 1, doc.GetPageCount0(p), words);
    std::printf("total=%d\nlog=%s\n", result.total,
                result.logWritten ? result.logPath.c_str() : "");
    std::fflush(stdout);
    PrintedPrompt prompt(true);
    if (!result.logWritten)
        prompt.ShowMessage("Cannot create word count log file.");
    if (session) {
        ProjectList& list = session->List();
        if (Project* project = list.Find(doc.Path())) {
            list.AddFile(*project, result.logPath);
            if (!session->Save(*project))
                return 1;
        }
    }
    prompt.ShowMessage(result.message);
    return 0;
}

}  // namespace

QUIRN_CLI_COMMAND("wordcount", "FILE.dvi [--page P --area X0,Y0,X1,Y1 [--dpi D]] [--project PATH]",
                  "count the words of the typeset pages as Word Count does",
                  "Counts the words of every page of FILE.dvi, or, with --page and --area, those\n"
                  "of a selection on page P: the rectangle with corners (X0, Y0) and (X1, Y1) in\n"
                  "pixels at D dots per inch (default 96) from the paper's top-left corner.\n"
                  "Prints\n"
                  "  page=PAGE texpage=COUNT0 words=N   per counted page\n"
                  "  total=N\n"
                  "  log=LOG                            the log FILE.wcl (empty when not written)\n"
                  "and on standard error the result message box as a \"message: \" line.\n"
                  "--project PATH opens that project first; when it holds the DVI file the log is\n"
                  "added to it and its project file is written.\n"
                  "Exit status 1 when the file cannot be loaded or has no page P.\n",
                  WordCountCommand);

}  // namespace quirn::cli

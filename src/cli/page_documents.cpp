#include "cli/page_documents.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "app/data_roots.h"
#include "platform/paths.h"
#include "postscript/dvi_postscript.h"

namespace quirn::cli {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

std::string EscapeLineFeeds(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        escaped += c == '\n' ? std::string("\\n") : std::string(1, c);
    }
    return escaped;
}

void StderrPrompt::ShowMessage(const std::string& text) {
    std::fprintf(stderr, "message: %s\n", EscapeLineFeeds(text).c_str());
    std::fflush(stderr);
}

int StderrPrompt::Ask(const std::string& text, const std::vector<std::string>&, int affirmative,
                      int) {
    std::fprintf(stderr, "question: %s\n", EscapeLineFeeds(text).c_str());
    std::fflush(stderr);
    return affirmative;
}

InterpreterSetup PageDocument::Interpreter() {
    InterpreterSetup setup;
    setup.installDir = installDir;
    setup.out = &messages;
    setup.prompt = &prompt;
    return setup;
}

std::unique_ptr<PageDocument> OpenPageDocument(const std::string& given, bool outlines) {
    const std::string path = AbsolutePath(given, StartFolder());
    if (!RegularFileExists(path) || ::access(path.c_str(), R_OK) != 0) {
        std::fprintf(stderr, "Cannot open file: %s\n", given.c_str());
        return nullptr;
    }
    auto page = std::make_unique<PageDocument>();
    page->installDir = FindInstallDir();
    if (Lower(ExtensionOf(path)) == "dvi") {
        page->preview = OpenPreviewDocument(path, outlines);
        if (!page->preview) {
            return nullptr;
        }
        page->settings = page->preview->settings;
        auto doc = std::make_unique<DviPostScriptDoc>(*page->preview->doc, &page->messages);
        doc->Open(path);
        page->doc = std::move(doc);
        return page;
    }
    page->settings = LoadUserSettings(page->installDir, page->messages);
    std::unique_ptr<CBaseDoc> doc;
    if (Lower(ExtensionOf(path)) == "eps") {
        doc = std::make_unique<CEPSDoc>(page->settings, &page->messages);
    } else {
        doc = std::make_unique<CPostscriptDoc>(page->settings, &page->messages);
    }
    doc->SetDisplayName(given);
    if (!doc->Open(path)) {
        std::fprintf(stderr, "Cannot open file: %s\n", given.c_str());
        return nullptr;
    }
    page->doc = std::move(doc);
    return page;
}

bool ParsePageList(const std::string& text, std::vector<int>& pages) {
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t comma = text.find(',', pos);
        if (comma == std::string::npos) {
            comma = text.size();
        }
        const std::string item = text.substr(pos, comma - pos);
        const std::size_t dash = item.find('-');
        int first = 0;
        int last = 0;
        if (dash == std::string::npos) {
            if (!ParseCount(item, first)) {
                return false;
            }
            last = first;
        } else if (!ParseCount(item.substr(0, dash), first) ||
                   !ParseCount(item.substr(dash + 1), last) || last < first) {
            return false;
        }
        for (int p = first; p <= last; ++p) {
            pages.push_back(p);
        }
        pos = comma + 1;
    }
    return !pages.empty();
}

}  // namespace quirn::cli

// The documents of the PostScript sub-commands (ps-info, ps-render, render, save-ps),
// opened as the viewer opens them, by extension: .dvi as a DVI document (whose
// PostScript dvips makes when it is needed), .eps as an EPS document, anything else
// as PostScript. Messages go to standard error, message boxes as "message: TEXT".
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cli/preview_document.h"
#include "platform/output_sink.h"
#include "platform/user_prompt.h"
#include "postscript/interpreter.h"
#include "postscript/ps_document.h"

namespace quirn::cli {

// Message boxes on standard error, a line feed inside the text written as "\n".
class StderrPrompt : public UserPrompt {
  public:
    void ShowMessage(const std::string& text) override;
    int Ask(const std::string& text, const std::vector<std::string>& buttons, int affirmative,
            int negative) override;
};

// `text` with every line feed written as the two characters "\n".
std::string EscapeLineFeeds(const std::string& text);

struct PageDocument {
    StreamSink messages{stderr};
    StderrPrompt prompt;
    std::string installDir;
    Settings settings;
    std::unique_ptr<PreviewDocument> preview;  // DVI documents only
    std::unique_ptr<CBaseDoc> doc;
    InterpreterSetup Interpreter();
};

// Opens `given` (resolved against the start folder). A missing or unreadable file
// gives "Cannot open file: GIVEN" and null; so does a DVI file that cannot be loaded.
// `outlines` loads the font map (DVI pages that are drawn need it).
std::unique_ptr<PageDocument> OpenPageDocument(const std::string& given, bool outlines);

// "3,1", "2-3", "1,3-4": page numbers from 1 in the order given.
bool ParsePageList(const std::string& text, std::vector<int>& pages);

}  // namespace quirn::cli

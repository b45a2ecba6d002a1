// A DVI document opened the way the previewer opens it, for the sub-commands that
// interpret and draw pages: the user's settings, the font map of the dvips set, and
// a document loaded with all its fonts. Messages go to standard error.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/settings.h"
#include "dvi/dvi_context.h"
#include "dvi/dvi_doc.h"
#include "platform/output_sink.h"

namespace quirn::cli {

struct PreviewDocument {
    StreamSink messages{stderr};
    Settings settings;
    std::unique_ptr<DviContext> context;
    std::unique_ptr<CDVIDoc> doc;
};

// Opens `path`; null when the file cannot be loaded ("Bad/missing DVI file" has
// then been written). Without `withOutlines` no font map is read, so fonts get their
// metrics but no outline fonts (enough for positions and texts).
std::unique_ptr<PreviewDocument> OpenPreviewDocument(const std::string& path, bool withOutlines);

// The user's settings from the settings store, as the window reads them.
Settings LoadUserSettings(const std::string& installDir, OutputSink& sink);

// Parses a non-negative decimal number; false for anything else.
bool ParseCount(const std::string& text, int& value);

}  // namespace quirn::cli

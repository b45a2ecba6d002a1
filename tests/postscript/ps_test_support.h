// Helpers for the PostScript tests: LaTeX documents typeset with the real engine, a
// figure, DVI documents opened the previewer's way, and stand-in programs.
#pragma once

#include <memory>
#include <string>

#include "app/settings.h"
#include "dvi/dvi_context.h"
#include "dvi/dvi_doc.h"
#include "platform/output_sink.h"
#include "support/test_support.h"

namespace quirn::test {

// A small EPS figure: a filled black box of 100 x 50 points, box 10 20 110 70.
std::string BoxFigure();

// Runs latex on `source` saved as dir/name.tex; the DVI path, or empty without one.
std::string LatexDvi(const TempDir& dir, const std::string& name, const std::string& source);

// A DVI document with its own context; messages collect in `messages`.
struct OpenDvi {
    StringSink messages;
    Settings settings;
    std::unique_ptr<DviContext> context;
    std::unique_ptr<CDVIDoc> doc;
};
std::unique_ptr<OpenDvi> OpenDviDocument(const std::string& path, Settings settings = {});

// Writes an executable shell script `name` into installDir/bin.
std::string WriteProgram(const std::string& installDir, const std::string& name,
                         const std::string& script);

// The "quirn*" files of the temporary root, instance folders left aside.
int CountQuirnTempFiles();

}  // namespace quirn::test

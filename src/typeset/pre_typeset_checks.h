// The checks before a run: a stale auxiliary file is removed, the languages a
// document asks babel for are enabled in the hyphenation table (the caller then
// rebuilds the LaTeX format), and converted graphics are brought up to date so that
// DVI runs find an EPS and PDF runs a PDF version of every picture the graphics
// insertion converted.
#pragma once

#include <string>
#include <vector>

#include "platform/environment_block.h"

namespace quirn {

class OutputSink;
class Formats;
struct AppContext;

// The hyphenation language table (language.dat): "NAME FILE ..." lines are enabled
// languages, "=NAME" lines synonyms of the language above, and the same lines behind
// "%!" are known but disabled. Other lines starting with "%" are comments.
class LanguageTable {
  public:
    enum class State { Unknown, Enabled, Disabled };

    bool Load(const std::string& path);
    bool Save(const std::string& path) const;
    State StateOf(const std::string& name) const;
    // Removes the mark from the language's line and from its synonym lines.
    void Enable(const std::string& name);

  private:
    struct Line {
        std::string text;
        bool disabled = false;  // behind "%!"
        std::string name;       // the language or synonym; empty for other lines
        bool synonym = false;
        int group = -1;  // index of the language line this line belongs to
    };
    int Find(const std::string& name) const;
    std::vector<Line> lines_;
};

// Removes the auxiliary file of `file` when the file is newer. True when it did.
bool RemoveStaleAuxFile(const std::string& file);

// The option list of the document's babel package ("english,french"), or empty.
std::string BabelOptions(const std::string& documentText);

// Enables the languages of `babelOptions` in the table at `languageDat`, saying which
// are unknown and which are prepared for first use. Returns how many were enabled
// (the table is written back when any was).
int EnableBabelLanguages(const std::string& babelOptions, const std::string& languageDat,
                         OutputSink& output);

// The stale auxiliary file and the babel languages of the TeX document `file`; when
// a language was enabled the LaTeX format is built again (its output to `output`).
// False when that build failed.
bool PreTypesetChecks(const std::string& file, AppContext& context, Formats& formats,
                      OutputSink& output);

// What graphics conversion needs: the program folder (for img2eps and gs), the
// children's environment, and where messages go.
struct GraphicsConversion {
    std::string installDir;
    EnvironmentBlock environment;
    OutputSink* output = nullptr;
};

// Brings the converted graphics in `folder` ("converted_graphics" beside the
// document) up to date: for every record "NAME.src" holding a source graphic's path,
// "NAME.eps" (not for EPS or PostScript sources) and "NAME.pdf" (not for JPEG or PNG
// sources) are made again when missing or older. A failed conversion keeps the
// earlier file.
void ConvertGraphicsFolder(const std::string& folder, const GraphicsConversion& conversion);

}  // namespace quirn

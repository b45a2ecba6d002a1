// Making METAFONT bitmap fonts (PK files) without blocking the window. A font that has
// no outline and no PK file yet is made by a helper of its own (the file-search
// helper asked for "pk NAME DPI", which runs METAFONT and stores the result in the
// user's font cache); meanwhile its characters are left out of the pages, and once
// the helper has ended the documents attach the new file and draw again.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dvi/fonts/dvi_font.h"
#include "platform/environment_block.h"

namespace quirn {

class ChildProcess;
struct FontContext;

class BackgroundPkMaker {
  public:
    // The helper is resolved against `installDir` and runs with `environment` (empty:
    // Quirn's own).
    BackgroundPkMaker(std::string installDir, EnvironmentBlock environment);
    ~BackgroundPkMaker();  // helpers still making a font are stopped
    BackgroundPkMaker(const BackgroundPkMaker&) = delete;
    BackgroundPkMaker& operator=(const BackgroundPkMaker&) = delete;

    // Starts making font `name` at `dpi` unless the same font and resolution is being
    // made already. False when no helper could be started.
    bool Start(const std::string& name, int dpi);
    // Forgets the helpers that have ended; true when at least one had, so documents
    // with fonts waiting should look for their files again.
    bool Collect();
    // True while a helper is still making a font.
    bool Busy() const;
    // The PK file a finished helper made for `name` at `dpi`: its path, an empty text
    // when making it failed, nothing when no helper has finished that font.
    std::optional<std::string> Result(const std::string& name, int dpi) const;

  private:
    struct Job {
        std::string name;
        int dpi = 0;
        std::unique_ptr<ChildProcess> child;
        std::string output;
    };
    static std::string Key(const std::string& name, int dpi) {
        return name + " " + std::to_string(dpi);
    }
    std::string installDir_;
    EnvironmentBlock environment_;
    std::vector<Job> jobs_;
    std::map<std::string, std::string> results_;  // by Key
};

// Looks again for the PK files of the fonts in `fonts` that were waiting for one and
// attaches those that are there now. True when a font was attached (the pages that
// use it must be drawn again).
bool AttachMadePkFonts(FontContext& context, DviFontList& fonts);

}  // namespace quirn

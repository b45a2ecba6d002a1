// The process-wide state of the DVI previewer, made once by the application (or a
// test) and passed to every DVI document: the font machinery (file search, font
// messages, debug mode, virtual-font nesting), the settings the previewer reads, and
// the movement scale of page interpretation.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "app/settings.h"
#include "dvi/fonts/font_context.h"
#include "platform/temp_folder.h"

namespace quirn {

struct DviContext : FontContext {
    // `settings` is borrowed and read at each load (paper size, landscape); null means
    // the built-in defaults.
    DviContext(std::string installDir, OutputSink* outputSink, const Settings* appSettings)
        : FontContext(std::move(installDir), outputSink), settings(appSettings) {}

    // The settings to read: the application's, or the built-in defaults.
    const Settings& CurrentSettings() const { return settings ? *settings : defaults_; }
    // Where temporary files go: the application's folder, or one of the context's own.
    TempFolder& Temporary() { return temporary ? *temporary : ownTemporary_; }

    const Settings* settings = nullptr;
    // 1.0 except while a virtual-font packet is interpreted (its scale then).
    double movementScale = 1.0;
    // The directory of the current project's main file, which graphics specials name
    // their files relative to; unset or empty when there is no current project.
    std::function<std::string()> projectDirectory;
    // The application's temporary folder (borrowed); null: the context's own.
    TempFolder* temporary = nullptr;

  private:
    Settings defaults_;
    TempFolder ownTemporary_;
};

}  // namespace quirn

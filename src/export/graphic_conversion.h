// Converting files through the PostScript interpreter (PostScript, EPS and PDF to EPS or
// PDF) and bitmaps through img2eps, as the convert command, Insert Graphic and the
// exports do. The interpreter command comes from the settings' interpreter choice; its
// page-size and resolution part is left out, the device and the output file filled in,
// and the input named by its bare file name in its own folder, with standard input
// closed. The output wait applies and a child still running after it is killed.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "app/settings.h"
#include "editor/graphic_insertion.h"
#include "platform/environment_block.h"
#include "postscript/output_wait.h"

namespace quirn {

class OutputSink;
class UserPrompt;

struct GraphicConversionSetup {
    std::string installDir;
    const Settings* settings = nullptr;
    UserPrompt* prompt = nullptr;  // the choice-2 message boxes
    OutputSink* output = nullptr;  // "PostScript interpreter not found: NAME"
    EnvironmentBlock environment;  // the child's; empty: this process's
    OutputWaitLimits wait;
};

// One conversion's command text and working folder, as run.
struct ConversionRun {
    std::string command;
    std::string folder;
    bool started = false;
    bool wrote = false;  // the output exists and is not empty
};

enum class ConversionDevice { Eps, Pdf };

// ConvertToEPS / ConvertToPDF. `announce`, when given, sees the command and folder
// before the child starts.
ConversionRun ConvertWithInterpreter(const GraphicConversionSetup& setup, const std::string& input,
                                     const std::string& output, ConversionDevice device,
                                     const std::function<void(const ConversionRun&)>& announce);

// ConvertImage: `img2eps "IN" "OUT"`, found by the program resolver.
ConversionRun ConvertImageToEps(const GraphicConversionSetup& setup, const std::string& input,
                                const std::string& output,
                                const std::function<void(const ConversionRun&)>& announce);

// The converter Insert Graphic uses.
class PostScriptGraphicConverter : public GraphicConverter {
  public:
    explicit PostScriptGraphicConverter(GraphicConversionSetup setup) : setup_(std::move(setup)) {}
    bool ConvertToEPS(const std::string& input, const std::string& output) override;
    bool ConvertToPDF(const std::string& input, const std::string& output) override;
    bool ConvertImage(const std::string& input, const std::string& output) override;

  private:
    GraphicConversionSetup setup_;
};

}  // namespace quirn

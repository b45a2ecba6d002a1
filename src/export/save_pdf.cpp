#include "export/save_pdf.h"

#include <sys/stat.h>

#include "platform/output_sink.h"
#include "platform/paths.h"
#include "postscript/interpreter.h"
#include "postscript/ps_document.h"
#include "process/child_process.h"
#include "process/command_line.h"

namespace quirn {

std::string DscHeaderValue(std::string_view postscript, std::string_view key) {
    const std::string prefix = "%%" + std::string(key) + ": ";
    size_t at = 0;
    while (at < postscript.size()) {
        size_t end = postscript.find_first_of("\r\n", at);
        if (end == std::string_view::npos) {
            end = postscript.size();
        }
        const std::string_view line = postscript.substr(at, end - at);
        if (line.starts_with("%%EndComments") || line.starts_with("%%Page:")) {
            break;
        }
        if (line.starts_with(prefix)) {
            return std::string(line.substr(prefix.size()));
        }
        at = end + 1;
    }
    return {};
}

std::string PdfCreationDate(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    const int hour = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
    char text[64];
    std::snprintf(text, sizeof text, "%d/%d/%d %d:%02d:%02d %s", local.tm_mon + 1, local.tm_mday,
                  local.tm_year + 1900, hour, local.tm_min, local.tm_sec,
                  local.tm_hour < 12 ? "AM" : "PM");
    return text;
}

std::string PostScriptStringText(std::string_view text) {
    std::string safe;
    for (char c : text) {
        if (c == '\\' || c == '(' || c == ')') {
            safe += '\\';
        }
        safe += c;
    }
    return safe;
}

std::string DocInfoLine(const PdfInformation& info, std::string_view version) {
    return " [  /Title (" + PostScriptStringText(info.title) + ")  /Subject (" +
           PostScriptStringText(info.subject) + ")  /Keywords (" +
           PostScriptStringText(info.keywords) + ")  /Author (" +
           PostScriptStringText(info.author) + ")  /Creator (" +
           PostScriptStringText(info.creator) + ")  /CreationDate (" +
           PostScriptStringText(info.creationDate) + ")  /Producer (Quirn " +
           PostScriptStringText(version) + ")  /DOCINFO pdfmark";
}

std::string DistillerParameters(bool subsetFonts) {
    return std::string("<< ") + (subsetFonts ? "/SubsetFonts true " : "") +
           " /UseFlateCompression true /EmbedAllFonts true /AutoRotatePages /PageByPage "
           "/CompressPages true >> setdistillerparams ";
}

SavePdfResult SaveAsPDF(CBaseDoc& doc, const PdfInformation& info, std::string_view version,
                        const std::string& output, const GraphicConversionSetup& setup) {
    SavePdfResult result;
    const Settings defaults;
    const Settings& settings = setup.settings ? *setup.settings : defaults;
    std::string program;
    std::string text = InterpreterTemplate(settings, setup.installDir, setup.prompt, &program);
    if (text.empty()) {
        if (setup.output && settings.psRender != 2) {
            setup.output->AppendOutput("PostScript interpreter not found: " + program + "\n");
        }
        return result;
    }
    const PixelSize size = doc.PageSizePixels(0, 300);
    text = ReplaceAll(std::move(text), "%DPI", "300");
    text = ReplaceAll(std::move(text), "%WIDTH", std::to_string(size.width));
    text = ReplaceAll(std::move(text), "%HEIGHT", std::to_string(size.height));
    text = ReplaceAll(std::move(text), "%DEVICE", "pdfwrite");
    text = ReplaceAll(std::move(text), "%OUTPUT", output);
    result.command = text + " -";
    result.folder = DirectoryOf(output);

    ChildProcess child;
    child.SetInstallDir(setup.installDir);
    if (!setup.environment.empty()) {
        child.SetEnvironmentBlock(setup.environment);
    }
    std::remove(output.c_str());
    if (!child.Start(SplitCommandLine(result.command), result.folder)) {
        if (setup.output) {
            setup.output->AppendOutput("PostScript interpreter not found: " + program + "\n");
        }
        return result;
    }
    const std::string docInfo = DocInfoLine(info, version);
    const PageWriter writer = [&child](std::string_view bytes) { return child.Write(bytes); };
    std::vector<int> pages(static_cast<size_t>(std::max(0, doc.PageCount())));
    for (size_t i = 0; i < pages.size(); ++i) {
        pages[i] = static_cast<int>(i);
    }
    if (writer(docInfo) && writer(DistillerParameters(info.subsetFonts))) {
        doc.WritePages(pages, 300, writer, false);
        writer("\n" + docInfo + "\n");
    }
    child.CloseInput();
    const OutputWaitResult waited = WaitForOutputFile(child, output, setup.wait);
    result.wrote = waited.size > 0;
    return result;
}

}  // namespace quirn

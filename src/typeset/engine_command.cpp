#include "typeset/engine_command.h"

#include "platform/paths.h"
#include "platform/program_resolver.h"

namespace quirn {

std::string ExpectedOutputName(const std::string& source) {
    return ReplaceExtension(source, "dvi");
}

std::string PdfOutputName(const std::string& source) {
    return ReplaceExtension(source, "pdf");
}

std::string ResolveEngineProgram(const std::string& installDir, const std::string& engine) {
    if (engine.empty())
        return {};
    std::string program = ResolveProgram(installDir, engine);
    if (program.empty() && engine == "pdfetex")
        program = ResolveProgram(installDir, "pdftex");
    return program;
}

std::vector<std::string> PdfRunOptions() {
    return {"-kpathsea-debug=255", "--output-format=pdf"};
}

std::string TexQuotedFileName(const std::string& name) {
    return "\"" + name + "\"";
}

std::vector<std::string> BuildEngineArguments(const EngineCommand& c) {
    std::vector<std::string> args{c.program};
    if (c.engine != "tex" && c.eightBit)
        args.push_back("-8bit");
    args.insert(args.end(), c.extraOptions.begin(), c.extraOptions.end());
    const bool etex = c.engine != "tex";
    const std::string file = TexQuotedFileName(c.fileArgument);
    if (c.iniTeX) {
        args.push_back("-ini");
        if (etex)
            args.push_back("-etex");
        if (c.dumpScheme) {
            args.insert(args.end(), {"-progname=latex", "&latex", file});
        } else {
            args.insert(args.end(), {file, "\\dump"});
        }
    } else if (c.dumpScheme) {
        args.insert(args.end(), {"-src-specials", "-progname=latex", "-fmt",
                                 StripExtension(c.fileArgument) + "-pre", file});
    } else {
        args.insert(args.end(), {"-src-specials", "-progname=" + c.format, "&" + c.format, file});
    }
    return args;
}

}  // namespace quirn

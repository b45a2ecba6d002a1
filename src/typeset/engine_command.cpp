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

bool EngineWritesPdf(const std::string& engine) {
    return engine == "xetex" || engine == "luatex";
}

std::vector<std::string> PdfRunOptions(const std::string& engine) {
    if (engine == "xetex")
        return {"-kpathsea-debug=255", "-synctex=1"};
    return {"-kpathsea-debug=255", "--output-format=pdf", "-synctex=1"};
}

std::string TexQuotedFileName(const std::string& name) {
    return "\"" + name + "\"";
}

std::vector<std::string> BuildEngineArguments(const EngineCommand& c) {
    std::vector<std::string> args{c.program};
    const bool pdfEngine = EngineWritesPdf(c.engine);
    if (c.engine != "tex" && !pdfEngine && c.eightBit)
        args.push_back("-8bit");
    args.insert(args.end(), c.extraOptions.begin(), c.extraOptions.end());
    const bool etex = c.engine != "tex";
    // XeTeX quotes a first argument with blanks itself (and wraps one with quotes in
    // apostrophes): the name goes as it is when it comes first, without a "&FORMAT".
    const bool nameFirst = (c.iniTeX && !c.dumpScheme) || (!c.iniTeX && c.dumpScheme);
    const std::string file =
        c.engine == "xetex" && nameFirst ? c.fileArgument : TexQuotedFileName(c.fileArgument);
    const std::vector<std::string> specials =
        pdfEngine ? std::vector<std::string>{} : std::vector<std::string>{"-src-specials"};
    if (c.iniTeX) {
        args.push_back("-ini");
        if (etex)
            args.push_back("-etex");
        if (c.dumpScheme) {
            args.insert(args.end(), {"-progname=latex", "&latex", file});
        } else if (pdfEngine && c.fileArgument == "latex.ltx") {
            // XeLaTeX and LuaLaTeX are LaTeX with TeX Live's set-up for the engine
            // (LuaTeX's quoting of job names with blanks among it) read first; the
            // format keeps LaTeX's name, so the format choice holds for every engine.
            const std::string ini = c.engine == "xetex" ? "xelatex.ini" : "lualatex.ini";
            args.insert(args.end(), {"-jobname=latex", ini, "\\dump"});
        } else {
            args.insert(args.end(), {file, "\\dump"});
        }
    } else if (c.dumpScheme) {
        args.insert(args.end(), specials.begin(), specials.end());
        args.insert(args.end(),
                    {"-progname=latex", "-fmt", StripExtension(c.fileArgument) + "-pre", file});
    } else {
        args.insert(args.end(), specials.begin(), specials.end());
        args.insert(args.end(), {"-progname=" + c.format, "&" + c.format, file});
    }
    return args;
}

}  // namespace quirn

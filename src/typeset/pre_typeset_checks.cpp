#include "typeset/pre_typeset_checks.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "app/app_context.h"
#include "app/tex_environment.h"
#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/program_resolver.h"
#include "platform/quiet_run.h"
#include "typeset/formats.h"

namespace quirn {
namespace fs = std::filesystem;
namespace {

constexpr int kConversionTimeoutMs = 120000;

std::string Trimmed(const std::string& text) {
    const char* blanks = " \t\n\r\v\f";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Modification time in nanoseconds; -1 for a missing file (older than any file).
long long ModifiedAt(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return -1;
    return static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

std::string WithoutComments(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            out += text[i];
            out += text[++i];
        } else if (text[i] == '%') {
            while (i < text.size() && text[i] != '\n')
                ++i;
            out += '\n';
        } else {
            out += text[i];
        }
    }
    return out;
}

bool Convert(const GraphicsConversion& conversion, const std::string& program,
             std::vector<std::string> args, const std::string& target) {
    const std::string path = ResolveProgram(conversion.installDir, program);
    if (path.empty())
        return false;
    // Into a file beside the target first, so that a failure keeps the earlier one.
    const std::string partial = target + ".part";
    for (std::string& arg : args) {
        if (arg == "@OUT@")
            arg = partial;
        else if (arg == "-sOutputFile=@OUT@")
            arg = "-sOutputFile=" + partial;
    }
    QuietRunResult run =
        RunQuietly(path, args, kConversionTimeoutMs, {},
                   conversion.environment.empty() ? nullptr : &conversion.environment);
    struct stat st {};
    if (!run.started || run.exitStatus != 0 || ::stat(partial.c_str(), &st) != 0 ||
        st.st_size == 0 || ::rename(partial.c_str(), target.c_str()) != 0) {
        ::unlink(partial.c_str());
        return false;
    }
    return true;
}

}  // namespace

bool LanguageTable::Load(const std::string& path) {
    lines_.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    int group = -1;
    for (std::string text; std::getline(in, text);) {
        Line line;
        line.text = text;
        std::string body = text;
        if (body.starts_with("%!")) {
            line.disabled = true;
            body = body.substr(2);
            body.erase(0, body.find_first_not_of(" \t"));
        } else if (body.starts_with("%")) {
            lines_.push_back(line);
            continue;
        }
        body = Trimmed(body);
        if (body.starts_with("=")) {
            line.synonym = true;
            line.name = Trimmed(body.substr(1));
            line.group = group;
        } else if (!body.empty()) {
            line.name = body.substr(0, body.find_first_of(" \t"));
            group = static_cast<int>(lines_.size());
            line.group = group;
        }
        lines_.push_back(line);
    }
    return true;
}

bool LanguageTable::Save(const std::string& path) const {
    std::string text;
    for (const Line& line : lines_)
        text += line.text + "\n";
    const std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush())
            return false;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

int LanguageTable::Find(const std::string& name) const {
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (!lines_[i].name.empty() && lines_[i].name == name)
            return static_cast<int>(i);
    }
    return -1;
}

LanguageTable::State LanguageTable::StateOf(const std::string& name) const {
    int at = Find(name);
    if (at < 0)
        return State::Unknown;
    int group = lines_[at].group >= 0 ? lines_[at].group : at;
    return lines_[group].disabled ? State::Disabled : State::Enabled;
}

void LanguageTable::Enable(const std::string& name) {
    int at = Find(name);
    if (at < 0)
        return;
    int group = lines_[at].group >= 0 ? lines_[at].group : at;
    for (Line& line : lines_) {
        if (line.group != group || !line.disabled)
            continue;
        std::string body = line.text.substr(2);
        body.erase(0, body.find_first_not_of(" \t"));
        line.text = body;
        line.disabled = false;
    }
}

bool RemoveStaleAuxFile(const std::string& file) {
    const std::string aux = ReplaceExtension(file, "aux");
    long long source = ModifiedAt(file), auxiliary = ModifiedAt(aux);
    if (source < 0 || auxiliary < 0 || source <= auxiliary)
        return false;
    return ::unlink(aux.c_str()) == 0;
}

std::string BabelOptions(const std::string& documentText) {
    static const std::regex usepackage(R"(\\usepackage\s*\[([^\]]*)\]\s*\{([^}]*)\})");
    const std::string text = WithoutComments(documentText);
    for (std::sregex_iterator it(text.begin(), text.end(), usepackage), end; it != end; ++it) {
        std::stringstream packages((*it)[2].str());
        for (std::string package; std::getline(packages, package, ',');) {
            if (Trimmed(package) == "babel")
                return (*it)[1].str();
        }
    }
    return {};
}

int EnableBabelLanguages(const std::string& babelOptions, const std::string& languageDat,
                         OutputSink& output) {
    if (Trimmed(babelOptions).empty())
        return 0;
    LanguageTable table;
    table.Load(languageDat);
    int enabled = 0;
    std::stringstream options(babelOptions);
    for (std::string option; std::getline(options, option, ',');) {
        const std::string name = Trimmed(option);
        if (name.empty())
            continue;
        switch (table.StateOf(name)) {
            case LanguageTable::State::Unknown:
                output.AppendOutput("Skipping unknown language '" + name +
                                    "' during pretypesettingcheck:babel\n");
                break;
            case LanguageTable::State::Disabled:
                output.AppendOutput("Prepping LaTeX for first use of language '" + name + "'\n");
                table.Enable(name);
                ++enabled;
                break;
            case LanguageTable::State::Enabled:
                break;
        }
    }
    if (enabled > 0 && !table.Save(languageDat))
        output.AppendOutput("Cannot write " + languageDat + "\n");
    return enabled;
}

bool PreTypesetChecks(const std::string& file, AppContext& context, Formats& formats,
                      OutputSink& output) {
    RemoveStaleAuxFile(file);
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    const std::string languageDat =
        JoinPath(UserTree(context.roots), "tex/generic/config/language.dat");
    if (EnableBabelLanguages(BabelOptions(text.str()), languageDat, output) == 0)
        return true;
    ProcessIniTexRunner runner(formats, context.roots, *context.settings, output,
                               context.childEnvironment);
    if (formats.IniTeX(runner, "latex.ltx") != 1)
        return false;
    while (runner.IniTexRunning()) {
        ::usleep(50000);
        runner.Poll();
    }
    return runner.LastExitCode() == 0;
}

void ConvertGraphicsFolder(const std::string& folder, const GraphicsConversion& conversion) {
    std::vector<std::string> records;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().extension() == ".src" && it->is_regular_file(ec))
            records.push_back(it->path().string());
    }
    std::sort(records.begin(), records.end());
    auto say = [&](const std::string& text) {
        if (conversion.output != nullptr)
            conversion.output->AppendOutput(text);
    };
    for (const std::string& record : records) {
        std::ifstream in(record, std::ios::binary);
        std::string source;
        std::getline(in, source);
        if (!source.empty() && source.back() == '\r')
            source.pop_back();
        if (source.empty())
            continue;
        const std::string path = AbsolutePath(source, folder);
        std::string ext = ExtensionOf(source);
        std::transform(ext.begin(), ext.end(), ext.begin(),
                       [](unsigned char c) { return std::tolower(c); });
        const std::string eps = ReplaceExtension(record, "eps");
        const std::string pdf = ReplaceExtension(record, "pdf");
        const bool sourceIsEps = ext == "eps" || ext == "ps";
        if (!sourceIsEps && ModifiedAt(eps) < ModifiedAt(path)) {
            bool ok = ext == "pdf" ? Convert(conversion, "gs",
                                             {"-q", "-dNOPAUSE", "-dBATCH", "-dSAFER",
                                              "-sDEVICE=eps2write", "-sOutputFile=@OUT@", path},
                                             eps)
                                   : Convert(conversion, "img2eps", {path, "@OUT@"}, eps);
            if (ok)
                say("Converted " + source + " to EPS for DVI/PDF compatibility\n");
        }
        const std::string theEps = sourceIsEps ? path : eps;
        if (ext != "jpg" && ext != "png" && ModifiedAt(pdf) < ModifiedAt(theEps)) {
            if (Convert(conversion, "gs",
                        {"-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-dEPSCrop", "-sDEVICE=pdfwrite",
                         "-sOutputFile=@OUT@", theEps},
                        pdf))
                say("Converted EPS to PDF for DVI/PDF compatibility\n");
        }
    }
}

}  // namespace quirn

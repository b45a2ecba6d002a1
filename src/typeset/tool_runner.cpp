#include "typeset/tool_runner.h"

#include "app/profile.h"
#include "app/settings.h"
#include "platform/paths.h"
#include "platform/program_resolver.h"
#include "process/command_line.h"

namespace quirn {

namespace {

const char* const kToolsSection = "Tools";

const char* FilenamePrefix(int code) {
    switch (code) {
        case 1:
            return " %t ";
        case 2:
            return " %p ";
        case 3:
            return " %v ";
        default:
            return "";
    }
}

bool UsesFile(const std::string& pattern) {
    for (std::size_t i = 0; i + 1 < pattern.size(); ++i) {
        if (pattern[i] != '%')
            continue;
        const char c = pattern[i + 1];
        if (c == 'd' || c == 'f' || c == 't' || c == 'v')
            return true;
        ++i;  // "%%" and the others take their second character with them
    }
    return false;
}

std::string WithoutTrailingSeparator(std::string dir) {
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir;
}

std::string ResolvedOrName(const std::string& installDir, const std::string& name) {
    std::string path = ResolveProgram(installDir, name);
    return path.empty() ? name : path;
}

}  // namespace

std::vector<ToolRecord> LoadTools(const Profile& profile) {
    std::vector<ToolRecord> tools;
    const int count = profile.GetInt(kToolsSection, "Count", 0);
    for (int i = 0; i < count && i < 1000; ++i) {
        const std::string n = std::to_string(i);
        ToolRecord t;
        t.menuText = profile.GetText(kToolsSection, "MenuText" + n, "");
        t.commandLine = profile.GetText(kToolsSection, "CommandLine" + n, "");
        t.parameters = profile.GetText(kToolsSection, "Parameters" + n, "");
        t.workingDirectory = profile.GetText(kToolsSection, "WorkingDirectory" + n, "");
        t.filenameParameter = profile.GetInt(kToolsSection, "FilenameParameter" + n, 0);
        tools.push_back(std::move(t));
    }
    return tools;
}

bool SaveTools(Profile& profile, const std::vector<ToolRecord>& tools) {
    bool ok = true;
    for (std::size_t i = 0; i < tools.size(); ++i) {
        const std::string n = std::to_string(i);
        const ToolRecord& t = tools[i];
        ok = profile.WriteText(kToolsSection, "MenuText" + n, t.menuText) && ok;
        ok = profile.WriteText(kToolsSection, "CommandLine" + n, t.commandLine) && ok;
        ok = profile.WriteText(kToolsSection, "Parameters" + n, t.parameters) && ok;
        ok = profile.WriteText(kToolsSection, "WorkingDirectory" + n, t.workingDirectory) && ok;
        ok = profile.WriteInt(kToolsSection, "FilenameParameter" + n, t.filenameParameter) && ok;
    }
    return profile.WriteInt(kToolsSection, "Count", static_cast<int>(tools.size())) && ok;
}

int AddTool(Profile& profile, const std::string& program) {
    std::vector<ToolRecord> tools = LoadTools(profile);
    ToolRecord t;
    t.menuText = "&" + FileNameOf(program);
    t.commandLine = program;
    t.workingDirectory = "%w";
    tools.push_back(t);
    if (!SaveTools(profile, tools))
        return -1;
    return static_cast<int>(tools.size()) - 1;
}

ToolRecord BibTeXTool(const Settings& settings) {
    ToolRecord t;
    t.commandLine = "bibtex";
    std::string options = settings.bibtexOptions;
    for (std::size_t at; (at = options.find("-8")) != std::string::npos;)
        options.erase(at, 2);
    t.parameters = options + " %f";
    t.workingDirectory = "%d";
    t.capture = true;
    t.project = true;
    const std::pair<const char*, const std::string*> variables[] = {
        {"BIBINPUT", &settings.bibInput},
        {"BSTINPUT", &settings.bstInput},
        {"CSFINPUT", &settings.csfInput},
        {"BIBTEX_CSFILE", &settings.csFile}};
    for (const auto& [name, value] : variables) {
        if (!value->empty())
            t.environment.push_back(std::string(name) + "=" + *value);
    }
    return t;
}

ToolRecord MakeIndexTool(const Settings& settings) {
    ToolRecord t;
    t.commandLine = "makeindex";
    t.parameters = settings.makeIndexOptions.empty() ? "%f" : settings.makeIndexOptions + " %f";
    t.workingDirectory = "%d";
    t.capture = true;
    t.project = true;
    return t;
}

bool ExpandToolParameters(const std::string& pattern, const std::string& file, ToolSeams& seams,
                          std::string& out, ToolStop& why) {
    const std::size_t slash = file.rfind('/');
    const std::string directory = slash == std::string::npos ? "" : file.substr(0, slash);
    std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    std::string dvi;
    if (!file.empty()) {
        dvi = directory + "/" + name + ".DVI";
        if (!RegularFileExists(dvi))
            dvi = directory + "/" + name + ".dvi";
    }

    out.clear();
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%' || i + 1 >= pattern.size()) {
            out += pattern[i];
            continue;
        }
        const char code = pattern[++i];
        const std::string* value = nullptr;
        switch (code) {
            case '%':
                out += '%';
                continue;
            case 'd':
                value = &directory;
                break;
            case 'f':
                value = &name;
                break;
            case 't':
                value = &file;
                break;
            case 'v':
                value = &dvi;
                break;
            case 'p': {
                std::string chosen = seams.ChooseFile(kChooseParameterTitle, kToolFileFilter, "");
                if (chosen.empty()) {
                    why = ToolStop::Cancelled;
                    return false;
                }
                out += chosen;
                continue;
            }
            default:
                out += '%';
                out += code;
                continue;
        }
        if (value->empty()) {
            seams.Beep();
            why = ToolStop::Beep;
            return false;
        }
        out += *value;
    }
    return true;
}

std::optional<ToolLaunch> PrepareTool(const ToolRecord& tool, const DataRoots& roots,
                                      ToolSeams& seams, ToolStop* why) {
    ToolStop stop = ToolStop::Nothing;
    auto fail = [&](ToolStop s) {
        if (why)
            *why = s;
        return std::nullopt;
    };
    const std::string pattern = FilenamePrefix(tool.filenameParameter) + tool.parameters;

    std::string file;
    if (tool.project) {
        file = seams.MainFileOfCurrentProject();
    } else {
        ToolDocument doc = seams.ActiveDocument();
        if (doc.kind == ToolDocument::TeX || doc.kind == ToolDocument::Dvi) {
            if (doc.path.empty())
                return fail(ToolStop::Nothing);
            file = doc.kind == ToolDocument::Dvi ? ReplaceExtension(doc.path, "dvi") : doc.path;
        }
    }
    if (file.empty() && UsesFile(pattern)) {
        const std::string folder = !tool.workingDirectory.empty() && tool.workingDirectory[0] == '%'
                                       ? roots.installDir
                                       : tool.workingDirectory;
        file = seams.ChooseFile(kSelectFileForTool, kToolFileFilter, folder);
        if (file.empty())
            return fail(ToolStop::Cancelled);
    }

    ToolLaunch launch;
    std::string parameters;
    if (!ExpandToolParameters(pattern, file, seams, parameters, stop))
        return fail(stop);

    launch.workingDirectory = tool.workingDirectory;
    if (launch.workingDirectory == "%d" || launch.workingDirectory == "%w")
        launch.workingDirectory = file.empty() ? std::string() : DirectoryOf(file);
    launch.workingDirectory = WithoutTrailingSeparator(launch.workingDirectory);

    std::string command = tool.commandLine;
    if (command.rfind("%i", 0) == 0)
        command = WithoutTrailingSeparator(roots.installDir) + command.substr(2);
    if (tool.capture)
        command = ResolvedOrName(roots.installDir, command);
    launch.commandLine = command + " " + parameters;
    // A program named by its path is one argument even with blanks in it; anything
    // else is split like a typed command line.
    if (RegularFileExists(command))
        launch.arguments.push_back(command);
    else
        launch.arguments = SplitCommandLine(command);
    if (launch.arguments.empty())
        launch.arguments.push_back(command);
    for (std::string& a : SplitCommandLine(parameters))
        launch.arguments.push_back(std::move(a));
    launch.capture = tool.capture;
    launch.environment = tool.environment;
    return launch;
}

}  // namespace quirn

#include "app/tex_environment.h"

#include "app/profile.h"
#include "app/settings.h"
#include "platform/output_sink.h"
#include "platform/paths.h"

namespace quirn {

std::string UserTree(const DataRoots& roots) {
    return JoinPath(roots.userDataPath, kUserTreeName);
}

std::string OwnTree(const DataRoots& roots) {
    return JoinPath(roots.installDir, "texmf-tlv");
}

std::string VarTree(const DataRoots& roots) {
    return JoinPath(roots.varDataPath, "texmf-var");
}

std::string ConfigurationDir(const DataRoots& roots) {
    return JoinPath(OwnTree(roots), "web2c");
}

std::string UserTexInput(const DataRoots& roots, const Profile& profile) {
    std::string path;
    for (const char* key : {"ExtraTexInputPath", "TFMPath", "FigurePath"}) {
        for (const auto& entry : SplitPathList(profile.GetText("Directories", key, "."))) {
            path += entry + ";";
        }
    }
    path += UserTree(roots) + "/";
    return ToForwardSlashes(path);
}

std::string UserTexInputEntry(const DataRoots& roots, const Profile& profile) {
    return "QUIRN_USERTEXINPUT=" + UserTexInput(roots, profile);
}

bool IsTexVariable(std::string_view entry) {
    return entry.size() >= 3 && (entry[0] == 'T' || entry[0] == 't') &&
           (entry[1] == 'E' || entry[1] == 'e') && (entry[2] == 'X' || entry[2] == 'x');
}

EnvironmentBlock WithoutTexVariables(const EnvironmentBlock& inherited) {
    EnvironmentBlock block;
    for (const std::string& entry : inherited) {
        if (!IsTexVariable(entry))
            block.push_back(entry);
    }
    return block;
}

EnvironmentBlock TexVariables(const DataRoots& roots, const Profile& profile) {
    auto entry = [](const char* name, const std::string& value) {
        return std::string(name) + "=" + ToForwardSlashes(value);
    };
    // The empty element after the ":" stands for kpathsea's own list of configuration
    // directories, so the installation's texmf.cnf is still read, after ours.
    // TEXMFMAIN and TEXMFDIST are left to TeX Live (they name its own trees): the
    // system data root's trees, even when it moved, are reached beside VARTEXMF.
    return {entry("TEXMFCNF", ConfigurationDir(roots) + ":"), UserTexInputEntry(roots, profile),
            entry("TEXMFLOCAL", OwnTree(roots)), entry("MYTEXMF", UserTree(roots)),
            entry("VARTEXMF", VarTree(roots))};
}

EnvironmentBlock BuildTexEnvironment(const EnvironmentBlock& inherited, const DataRoots& roots,
                                     const Profile& profile) {
    return EnvironmentWith(WithoutTexVariables(inherited), TexVariables(roots, profile));
}

void PrintEnvironment(const DataRoots& roots, const EnvironmentBlock& environment,
                      OutputSink& output) {
    output.AppendOutput("\nSystem values:\n");
    output.AppendOutput("Path: TDSPath = " + roots.tdsPath + "\n");
    output.AppendOutput("Path: VarDataPath = " + roots.varDataPath + "\n");
    for (const char* name :
         {"TEXMFMAIN", "TEXMFDIST", "VARTEXMF", "TEXMFLOCAL", "MYTEXMF", "QUIRN_USERTEXINPUT"}) {
        // Values longer than the 8192-character buffer they were read with are cut.
        std::string text = EnvironmentValue(environment, name).value_or("").substr(0, 8191);
        output.AppendOutput(std::string("EVar: ") + name + " = " + text + "\n");
    }
}

}  // namespace quirn

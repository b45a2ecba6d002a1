#include "app/tex_environment.h"

#include <cstdlib>

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

static void SetVariable(const char* name, const std::string& value) {
    ::setenv(name, ToForwardSlashes(value).c_str(), 1);
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

void SetUserTexInput(const DataRoots& roots, const Profile& profile) {
    SetVariable("QUIRN_USERTEXINPUT", UserTexInput(roots, profile));
}

void SetTreeVariables(const DataRoots& roots) {
    SetVariable("TEXMFLOCAL", OwnTree(roots));
    SetVariable("MYTEXMF", UserTree(roots));
}

void SetConfigurationPath(const DataRoots& roots) {
    // The empty element after the ":" stands for kpathsea's own list of configuration
    // directories, so the installation's texmf.cnf is still read, after ours.
    SetVariable("TEXMFCNF", ConfigurationDir(roots) + ":");
}

void SetTexVariables(const DataRoots& roots, const Profile& profile) {
    SetConfigurationPath(roots);
    SetUserTexInput(roots, profile);
    SetTreeVariables(roots);
}

void PrintEnvironment(const DataRoots& roots, OutputSink& output) {
    output.AppendOutput("\nSystem values:\n");
    output.AppendOutput("Path: TDSPath = " + roots.tdsPath + "\n");
    output.AppendOutput("Path: VarDataPath = " + roots.varDataPath + "\n");
    for (const char* name :
         {"TEXMFMAIN", "TEXMFDIST", "VARTEXMF", "TEXMFLOCAL", "MYTEXMF", "QUIRN_USERTEXINPUT"}) {
        const char* value = std::getenv(name);
        // Values longer than the 8192-character buffer they were read with are cut.
        std::string text = value ? std::string(value).substr(0, 8191) : std::string();
        output.AppendOutput(std::string("EVar: ") + name + " = " + text + "\n");
    }
}

}  // namespace quirn

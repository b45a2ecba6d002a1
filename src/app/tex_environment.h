// The TeX environment: where Quirn's data lives (the data roots and their texmf trees)
// and the environment variables through which every external TeX program finds those
// trees. Built once at start-up as the children's environment (AppContext); the user
// input path is given anew to every engine run, so directory settings changed since
// start-up count.
//
// The TeX programs read the variables through Quirn's own configuration overlay,
// "texmf-tlv/web2c/texmf.cnf", named first in TEXMFCNF: it puts the user's tree
// (MYTEXMF), Quirn's own tree (TEXMFLOCAL), the writable trees of the system data root
// and the variable-data tree (VARTEXMF) ahead of the TeX installation's trees, and
// appends QUIRN_USERTEXINPUT to the input paths.
//
// Quirn's own environment is never changed: the variables live in the environment
// block each child is started with.
#pragma once

#include <string>

#include "app/data_roots.h"
#include "platform/environment_block.h"

namespace quirn {

class OutputSink;
class Profile;
class UserPrompt;

// The user's tree below the user data root (MYTEXMF).
inline constexpr const char* kUserTreeName = "texmf";

std::string UserTree(const DataRoots& roots);          // UserDataPath + kUserTreeName
std::string OwnTree(const DataRoots& roots);           // InstallDir + "texmf-tlv"
std::string VarTree(const DataRoots& roots);           // VarDataPath + "texmf-var"
std::string ConfigurationDir(const DataRoots& roots);  // OwnTree + "/web2c"

// Start-up: fills the user data root, the system data root and the variable-data root
// (InstallDir must be set; the other roots are overwritten) and copies the user's
// starting files on first use. Returns whether the variable-data root is usable; a
// failed user-root set-up only leaves the user root at InstallDir for this run. Copy
// failures are shown through `prompt` (when given), warnings go to `output`.
bool EstablishRoots(DataRoots& roots, Profile& profile, OutputSink& output, UserPrompt* prompt);

// The user input path: the entries of "Directories" ExtraTexInputPath, TFMPath and
// FigurePath, each followed by ";", then the user's tree with a final "/"; "\" becomes
// "/".
std::string UserTexInput(const DataRoots& roots, const Profile& profile);
// "QUIRN_USERTEXINPUT=" + UserTexInput.
std::string UserTexInputEntry(const DataRoots& roots, const Profile& profile);

// True for a variable whose name begins with "TEX" (any case): such settings inherited
// from Quirn's parent must not reach a TeX program.
bool IsTexVariable(std::string_view entry);
// `inherited` without its TeX variables.
EnvironmentBlock WithoutTexVariables(const EnvironmentBlock& inherited);

// The variables of the data roots, each "NAME=value" with "/" separators:
// TEXMFCNF (Quirn's configuration directory followed by the TeX installation's own,
// which kpathsea fills in for the empty element at the end), QUIRN_USERTEXINPUT,
// TEXMFLOCAL (Quirn's own tree), MYTEXMF (the user's tree) and VARTEXMF (the
// variable-data tree, beside which the overlay finds the system data root's trees).
// TEXMFMAIN and TEXMFDIST are not set: they name TeX Live's own trees.
EnvironmentBlock TexVariables(const DataRoots& roots, const Profile& profile);

// The environment of every child: `inherited` without its TeX variables, with the
// variables of the data roots.
EnvironmentBlock BuildTexEnvironment(const EnvironmentBlock& inherited, const DataRoots& roots,
                                     const Profile& profile);

// The diagnostic block: "\nSystem values:\n", the two roots and the TeX variables of
// `environment`.
void PrintEnvironment(const DataRoots& roots, const EnvironmentBlock& environment,
                      OutputSink& output);

}  // namespace quirn

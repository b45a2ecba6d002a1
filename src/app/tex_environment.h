// The TeX environment: where Quirn's data lives (the data roots and their texmf trees)
// and the environment variables through which every external TeX program finds those
// trees. Established once at start-up; the user input path is refreshed before every
// typeset run and whenever the directory settings change.
//
// The TeX programs read the variables through Quirn's own configuration overlay,
// "texmf-tlv/web2c/texmf.cnf", named first in TEXMFCNF: it puts the user's tree
// (MYTEXMF), Quirn's own tree (TEXMFLOCAL), the writable trees of the system data root
// and the variable-data tree (VARTEXMF) ahead of the TeX installation's trees, and
// appends QUIRN_USERTEXINPUT to the input paths.
//
// The variables are set in Quirn's own environment, so every child inherits them; the
// application object snapshots the environment at start and restores it at exit.
#pragma once

#include <string>

#include "app/data_roots.h"

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
// (InstallDir must be set; the other roots are overwritten), copies the user's
// starting files on first use, and sets VARTEXMF (and TEXMFMAIN and TEXMFDIST when the
// system data root moved). Returns whether the variable-data root is usable; a failed
// user-root set-up only leaves the user root at InstallDir for this run. Copy failures
// are shown through `prompt` (when given), warnings go to `output`.
bool EstablishRoots(DataRoots& roots, Profile& profile, OutputSink& output, UserPrompt* prompt);

// The user input path: the entries of "Directories" ExtraTexInputPath, TFMPath and
// FigurePath, each followed by ";", then the user's tree with a final "/"; "\" becomes
// "/".
std::string UserTexInput(const DataRoots& roots, const Profile& profile);
// Sets QUIRN_USERTEXINPUT to UserTexInput.
void SetUserTexInput(const DataRoots& roots, const Profile& profile);

// Sets TEXMFLOCAL (Quirn's own tree) and MYTEXMF (the user's tree).
void SetTreeVariables(const DataRoots& roots);

// Sets TEXMFCNF to Quirn's configuration directory followed by the TeX installation's
// own configuration directories (kpathsea fills in its built-in list for the empty
// element at the end). Must follow the removal of the inherited TEX* variables.
void SetConfigurationPath(const DataRoots& roots);

// Start-up step after the inherited TEX* variables are gone: the configuration path,
// the user input path and the tree variables.
void SetTexVariables(const DataRoots& roots, const Profile& profile);

// The diagnostic block: "\nSystem values:\n", the two roots and the TeX variables.
void PrintEnvironment(const DataRoots& roots, OutputSink& output);

}  // namespace quirn

// EstablishRoots: the data roots and the user's starting files.
#include <glob.h>

#include <filesystem>
#include <system_error>

#include "app/profile.h"
#include "app/registry.h"
#include "app/tex_environment.h"
#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/user_prompt.h"

namespace quirn {

namespace fs = std::filesystem;

namespace {

// Copies one file into `destDir` (created when missing), replacing an older copy.
std::error_code CopyFileInto(const std::string& source, const std::string& destDir) {
    std::error_code ec;
    fs::create_directories(destDir, ec);
    if (ec)
        return ec;
    fs::copy_file(source, JoinPath(destDir, FileNameOf(source)),
                  fs::copy_options::overwrite_existing, ec);
    return ec;
}

// Copies the contents of `source` into `dest`, recursively; the first failure ends the
// walk and names the entry it failed on.
std::error_code CopyTree(const std::string& source, const std::string& dest, std::string& failed) {
    std::error_code ec;
    fs::create_directories(dest, ec);
    if (ec) {
        failed = dest;
        return ec;
    }
    for (fs::directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec)) {
        std::string from = it->path().string();
        std::string to = JoinPath(dest, it->path().filename().string());
        if (it->is_directory(ec)) {
            if (auto sub = CopyTree(from, to, failed))
                return sub;
        } else if (!ec) {
            fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
            if (ec)
                failed = from;
        }
    }
    if (ec && failed.empty())
        failed = source;
    return ec;
}

// True when `inner` is `outer` or lies below it.
bool IsWithin(const std::string& inner, const std::string& outer) {
    std::error_code ec;
    std::string a = WithTrailingSeparator(fs::weakly_canonical(inner, ec).string());
    std::string b = WithTrailingSeparator(fs::weakly_canonical(outer, ec).string());
    return a.compare(0, b.size(), b) == 0;
}

class StartingFiles {
  public:
    explicit StartingFiles(UserPrompt* prompt) : prompt_(prompt) {}

    // A starting file that the installation does not ship is skipped: only a copy
    // that was tried and failed stops the set-up.
    bool File(const std::string& source, const std::string& destDir) {
        if (!FileExists(source))
            return true;
        return Report(source, CopyFileInto(source, destDir));
    }

    bool Tree(const std::string& source, const std::string& dest) {
        if (!DirectoryExists(source))
            return true;
        // A source that holds the destination (the common data folder is the user's
        // own on a single-user installation) would copy itself for ever.
        if (IsWithin(dest, source))
            return true;
        std::string failed;
        std::error_code ec = CopyTree(source, dest, failed);
        return Report(failed.empty() ? source : failed, ec);
    }

  private:
    bool Report(const std::string& path, std::error_code ec) {
        if (!ec)
            return true;
        if (prompt_) {
            prompt_->ShowMessage("Cannot migrate " + path +
                                 ", error: " + std::to_string(ec.value()));
        }
        return false;
    }

    UserPrompt* prompt_;
};

// The user's folders under the names earlier layouts gave them, and their names now.
struct EarlierFolder {
    const char* earlier;
    const char* now;
};
constexpr EarlierFolder kEarlierFolders[] = {{"My Templates", kTemplatesFolderName},
                                             {"My TeXMF", kUserTreeName}};
constexpr const char* kEarlierDataFolderName = "Quirn";

// The older layout kept the user's folders under the documents folder.
void MigrateOlderLayout(Profile& profile, Registry& registry, const DataRoots& roots,
                        const std::string& root) {
    if (profile.GetInt("Migration", "NewAppData", 0) != 0) {
        // The previous application-data location and the machine-wide one are the same
        // folder on a single-user installation: nothing to move.
        return;
    }
    std::string documents = DocumentsFolder(registry, roots.installDir);
    for (const EarlierFolder& folder : kEarlierFolders) {
        std::string old = JoinPath(documents, folder.earlier);
        if (!DirectoryExists(old))
            continue;
        std::string failed;
        CopyTree(old, JoinPath(root, folder.now), failed);
    }
    profile.WriteInt("Migration", "NewAppData", 1);
}

// A user data root made under the earlier folder names is renamed in place, so that
// the user's tree and templates stay theirs; a stored root that named it follows.
void RenameEarlierDataRoot(Profile& profile, const std::string& appData, const std::string& root) {
    const std::string earlier = JoinPath(appData, kEarlierDataFolderName);
    std::error_code ec;
    if (DirectoryExists(earlier) && !FileExists(root)) {
        fs::rename(earlier, root, ec);
        if (!ec && SameDirectory(profile.GetText("Directories", "LocalDataPath", ""), earlier))
            profile.WriteText("Directories", "LocalDataPath", root);
    }
    for (const EarlierFolder& folder : kEarlierFolders) {
        const std::string old = JoinPath(root, folder.earlier);
        const std::string now = JoinPath(root, folder.now);
        if (DirectoryExists(old) && !FileExists(now))
            fs::rename(old, now, ec);
    }
}

// Step 2: the user data root. False when set-up failed and the root stays InstallDir.
bool EstablishUserRoot(DataRoots& roots, Profile& profile, UserPrompt* prompt) {
    Registry registry(profile.Store());
    const std::string appData = AppDataFolder(registry, roots.installDir);
    std::string root = JoinPath(appData, kDataFolderName);
    RenameEarlierDataRoot(profile, appData, root);

    std::string stored = profile.GetText("Directories", "LocalDataPath", "");
    if (profile.GetText("Migration", "LocalDataPath", "") == "1" && SameDirectory(stored, root)) {
        roots.userDataPath = WithTrailingSeparator(stored);
        return true;
    }

    MigrateOlderLayout(profile, registry, roots, root);

    std::error_code ec;
    if (!DirectoryExists(root))
        fs::create_directories(root, ec);
    if (!DirectoryExists(root) || !IsWritable(root))
        root = roots.installDir;

    const std::string own = OwnTree(roots);
    const std::string userTree = JoinPath(root, kUserTreeName);
    StartingFiles copy(prompt);
    bool ok = copy.File(JoinPath(own, "dvips/base/user.map"), JoinPath(userTree, "dvips/base")) &&
              copy.Tree(JoinPath(own, "fonts/pfb/Quirn"), JoinPath(userTree, "fonts/pfb/Quirn")) &&
              copy.File(JoinPath(roots.installDir, "texmf-var/tex/generic/config/language.dat"),
                        JoinPath(userTree, "tex/generic/config")) &&
              // The samples land in "Samples", where the first run opens the introduction.
              copy.Tree(JoinPath(roots.installDir, "samples"), JoinPath(userTree, "Samples")) &&
              copy.Tree(JoinPath(CommonAppDataFolder(registry, roots.installDir), kDataFolderName),
                        userTree);
    if (!ok)
        return false;

    if (profile.WriteText("Migration", "LocalDataPath", "1") &&
        profile.WriteText("Directories", "LocalDataPath", root)) {
        roots.userDataPath = WithTrailingSeparator(root);
    }
    return true;
}

// Step 3: the system data root moves to the common data folder when the installation
// holds no TeX tree of its own or cannot be written (TexVariables then names the moved
// trees).
void EstablishSystemRoot(DataRoots& roots, Profile& profile) {
    const std::string old = roots.tdsPath;
    bool hasTrees =
        DirectoryExists(JoinPath(old, "texmf")) || DirectoryExists(JoinPath(old, "texmf-dist"));
    if (hasTrees && IsWritable(old))
        return;

    Registry registry(profile.Store());
    roots.tdsPath = WithTrailingSeparator(
        JoinPath(CommonAppDataFolder(registry, roots.installDir), kDataFolderName));
}

// Step 5: the user's spelling dictionaries.
void CopyDictionaries(const DataRoots& roots, OutputSink& output) {
    const std::string ispell = JoinPath(roots.userDataPath, "ispell");
    const std::string personal = JoinPath(ispell, "ispell_american.dic");
    if (FileExists(personal))
        return;
    std::error_code ec;
    fs::create_directories(ispell, ec);
    const std::string custom = JoinPath(roots.installDir, "CUSTOM.DIC");
    if (FileExists(custom)) {
        fs::copy_file(custom, personal, fs::copy_options::overwrite_existing, ec);
        if (ec)
            output.AppendOutput("Warning: could not copy '" + custom + "' to '" + personal + "'\n");
    }
    glob_t found{};
    std::string pattern = JoinPath(roots.installDir, "ispell/ispell_*.dic");
    if (::glob(pattern.c_str(), 0, nullptr, &found) == 0) {
        for (size_t i = 0; i < found.gl_pathc; ++i) {
            std::string source = found.gl_pathv[i];
            std::string dest = JoinPath(ispell, FileNameOf(source));
            if (FileExists(dest))
                continue;  // never replace the user's own words
            fs::copy_file(source, dest, ec);
            if (ec)
                output.AppendOutput("Warning: could not copy '" + source + "' to '" + dest + "'\n");
        }
    }
    ::globfree(&found);
}

// Step 7: the hyphenation language list of the user's tree.
void EnsureLanguageFile(const DataRoots& roots, OutputSink& output) {
    const std::string configDir = JoinPath(UserTree(roots), "tex/generic/config");
    const std::string user = JoinPath(configDir, "language.dat");
    if (FileExists(user))
        return;
    const std::string shipped =
        JoinPath(roots.installDir, "texmf-var/tex/generic/config/language.dat");
    if (!FileExists(shipped)) {
        output.AppendOutput("Warning: reference file language.dat is missing\n");
        return;
    }
    if (CopyFileInto(shipped, configDir)) {
        output.AppendOutput("Warning: could not copy '" + shipped + "' to '" + user + "'\n");
    }
}

}  // namespace

bool EstablishRoots(DataRoots& roots, Profile& profile, OutputSink& output, UserPrompt* prompt) {
    roots.installDir = WithTrailingSeparator(roots.installDir);
    roots.tdsPath = roots.userDataPath = roots.varDataPath = roots.installDir;

    // A failed set-up leaves the user root at InstallDir for this run; it runs again
    // at the next start.
    EstablishUserRoot(roots, profile, prompt);
    EstablishSystemRoot(roots, profile);

    roots.varDataPath = roots.tdsPath;
    std::error_code ec;
    // The configuration overlay reaches the system root's trees through this folder,
    // and the formats live below it: it must exist.
    fs::create_directories(VarTree(roots), ec);
    if (!DirectoryExists(VarTree(roots))) {
        output.AppendOutput("Cannot create the folder " + VarTree(roots) + "\n");
        return false;
    }

    CopyDictionaries(roots, output);
    for (const char* folder : {kTemplatesFolderName, kUserTreeName}) {
        fs::create_directories(JoinPath(roots.userDataPath, folder), ec);
    }
    EnsureLanguageFile(roots, output);
    return true;
}

}  // namespace quirn

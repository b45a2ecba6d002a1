#include "packages/tpm_package.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/download.h"
#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/zip_archive.h"

namespace quirn {
namespace fs = std::filesystem;
namespace {

bool EndsWithNoCase(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           strcasecmp(text.c_str() + text.size() - suffix.size(), suffix.c_str()) == 0;
}

std::string Trimmed(const std::string& text) {
    const char* blanks = " \t\n\r\v\f";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

// The file's bytes with every carriage return before a line feed dropped.
bool ReadManifestBytes(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    text = bytes.str();
    return true;
}

std::string WithoutCarriageReturns(std::string text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out.push_back(text[i]);
    }
    return out;
}

// The value that runs from `from` to the next blank or double quote.
std::string ValueAt(const std::string& tag, size_t from) {
    size_t end = tag.find_first_of(" \"", from);
    return tag.substr(from, end == std::string::npos ? std::string::npos : end - from);
}

bool HasDotDotComponent(const std::string& path) {
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        size_t end = slash == std::string::npos ? path.size() : slash;
        if (path.compare(start, end - start, "..") == 0 && end - start == 2)
            return true;
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    return false;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

void GiveOwnerWrite(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR))
        ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR);
}

bool CopyFile(const std::string& from, const std::string& to) {
    std::error_code ec;
    if (!fs::is_regular_file(from, ec))
        return false;
    return fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec) && !ec;
}

// The directory files are copied from when the package is not an archive: the
// manifest's folder cut before its first "texmf" (else "tpm") component.
std::string SourceBase(const std::string& path) {
    std::string dir = DirectoryOf(path);
    size_t cut = dir.find("texmf");
    if (cut == std::string::npos)
        cut = dir.find("tpm");
    if (cut != std::string::npos) {
        dir.resize(cut);
        while (dir.size() > 1 && dir.back() == '/')
            dir.pop_back();
        if (dir.empty())
            dir = "/";
    }
    return dir;
}

// What an install changed, so that a failure can put everything back.
class InstallJournal {
  public:
    ~InstallJournal() {
        if (!committed_)
            RollBack();
    }
    void Commit() { committed_ = true; }

    // Makes `dir` and its missing parents, remembering the ones it made.
    bool MakeDirectories(const std::string& dir) {
        std::vector<std::string> missing;
        std::string at = dir;
        std::error_code ec;
        while (!at.empty() && at != "/" && !fs::exists(at, ec)) {
            missing.push_back(at);
            at = DirectoryOf(at);
        }
        for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
            if (::mkdir(it->c_str(), 0755) != 0 && errno != EEXIST)
                return false;
            createdDirs_.push_back(*it);
        }
        return fs::is_directory(dir, ec);
    }

    // Keeps the earlier content of a file about to be replaced, or notes that it is new.
    void BeforeWrite(const std::string& target) {
        for (const Change& change : changes_) {
            if (change.target == target)
                return;  // listed twice: the first state is the one to restore
        }
        Change change{target, false, {}, 0};
        struct stat st {};
        if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            std::ifstream in(target, std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            change.existed = true;
            change.content = bytes.str();
            change.mode = st.st_mode & 07777;
        }
        changes_.push_back(std::move(change));
    }

  private:
    struct Change {
        std::string target;
        bool existed;
        std::string content;
        mode_t mode;
    };

    void RollBack() {
        for (auto it = changes_.rbegin(); it != changes_.rend(); ++it) {
            if (!it->existed) {
                ::unlink(it->target.c_str());
                continue;
            }
            GiveOwnerWrite(it->target);
            std::ofstream out(it->target, std::ios::binary | std::ios::trunc);
            out.write(it->content.data(), static_cast<std::streamsize>(it->content.size()));
            out.close();
            ::chmod(it->target.c_str(), it->mode | S_IWUSR);
        }
        for (auto it = createdDirs_.rbegin(); it != createdDirs_.rend(); ++it)
            ::rmdir(it->c_str());
    }

    std::vector<Change> changes_;
    std::vector<std::string> createdDirs_;
    bool committed_ = false;
};

void Report(const TpmInstallContext& context, TpmFileOutcome::What what,
            const std::string& relativePath, const std::string& target) {
    if (context.report)
        context.report({what, relativePath, target});
}

void Say(const TpmInstallContext& context, const std::string& text) {
    if (context.output != nullptr)
        context.output->AppendOutput(text);
}

// The data root that `target` lies in.
std::string RootOf(const std::string& target, const DataRoots& roots) {
    for (const std::string* root : {&roots.userDataPath, &roots.tdsPath}) {
        std::string withSlash = WithTrailingSeparator(*root);
        if (!root->empty() && target.starts_with(withSlash))
            return withSlash;
    }
    return {};
}

}  // namespace

bool IsPackageArchivePath(const std::string& path) {
    if (EndsWithNoCase(path, ".zip.tpm") || EndsWithNoCase(path, ".zip"))
        return true;
    if (EndsWithNoCase(path, ".tpm"))
        return false;
    std::ifstream in(path, std::ios::binary);
    char magic[2] = {0, 0};
    if (!in.read(magic, 2))
        return false;
    return magic[0] == 'P' && magic[1] == 'K';
}

std::string WithoutPackageMarkers(std::string name) {
    for (char digit = '0'; digit <= '9'; ++digit) {
        for (std::string marker :
             {std::string("[") + digit + "]", std::string("(") + digit + ")"}) {
            ReplaceAll(name, marker, "");
        }
    }
    return name;
}

std::string TpmTargetOf(const std::string& relativePath, const DataRoots& roots) {
    std::string rel = ToForwardSlashes(relativePath);
    if (HasDotDotComponent(rel))
        return {};
    std::string root;
    if (rel.starts_with("templates/")) {
        root = roots.userDataPath;
    } else if (rel.starts_with("texmf/") || rel.starts_with("texmf-dist/") ||
               rel.starts_with("texmf-doc/")) {
        root = roots.tdsPath;
    } else {
        return {};
    }
    if (root.empty())
        return {};
    std::string target = JoinPath(root, rel);
    ReplaceAll(target, "tpm/packages", "tpm/package");
    ReplaceAll(target, "tpm/collections", "tpm/collection");
    return target;
}

bool TpmPackage::IsArchive() const {
    return IsPackageArchivePath(path_);
}

std::string TpmPackage::Property(const std::string& name) const {
    auto it = properties_.find(name);
    return it == properties_.end() ? std::string() : it->second;
}

bool TpmPackage::IsWebPackage() const {
    return IsDownloadAddress(path_);
}

std::string TpmPackage::DisplayName() const {
    return IsWebPackage() ? GetName() + " (WEB)" : GetName();
}

bool TpmPackage::Read(const std::string& path) {
    path_ = path;
    std::string text;
    if (IsPackageArchivePath(path)) {
        ZipReader archive;
        if (!archive.Open(path))
            return false;
        std::string manifest = archive.FirstNameEndingWith(".tpm");
        if (manifest.empty() || !archive.ExtractToMemory(manifest, text))
            return false;
        return ReadText(std::move(text));
    }
    ReadManifestBytes(path, text);  // an unreadable file reads as empty text
    if (!ReadText(std::move(text)))
        return false;
    if (EndsWithNoCase(path, ".tpm")) {
        std::string sibling = path.substr(0, path.size() - 4) + ".zip";
        if (RegularFileExists(sibling))
            path_ = sibling;
    }
    return true;
}

bool TpmPackage::ReadText(std::string raw) {
    properties_.clear();
    requires_.clear();
    addMapParameters_.clear();
    const std::string text = WithoutCarriageReturns(std::move(raw));
    if (text.find("tpm.dtd") == std::string::npos)
        return false;

    static const std::string kRequiresTag = "<TPM:Package name=\"";
    static const std::string kAddMapTag = "<TPM:Execute function=\"addMap\"";
    std::string element;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t close = text[pos] == '<' ? text.find('>', pos) : std::string::npos;
        if (close != std::string::npos) {
            std::string tag = text.substr(pos, close - pos + 1);
            pos = close + 1;
            if (element == "Requires" && tag.starts_with(kRequiresTag)) {
                requires_.push_back(ValueAt(tag, kRequiresTag.size()));
            } else if (element == "Installation" && tag.starts_with(kAddMapTag)) {
                size_t at = tag.find_first_not_of(" \t\v\n\r", kAddMapTag.size());
                if (at != std::string::npos && tag.compare(at, 12, "mode=\"mixed\"") == 0)
                    at = tag.find_first_not_of(" \t\v\n\r", at + 12);
                if (at != std::string::npos && tag.compare(at, 11, "parameter=\"") == 0)
                    addMapParameters_.push_back(ValueAt(tag, at + 11));
            } else if (tag.starts_with("<TPM:")) {
                size_t end = tag.find_first_of(" >", 5);
                element = tag.substr(5, end == std::string::npos ? std::string::npos : end - 5);
            } else if (tag.starts_with("</")) {
                element.clear();
            }
            continue;
        }
        size_t next = text.find('<', pos + 1);
        if (next == std::string::npos)
            break;
        properties_[element] = Trimmed(text.substr(pos, next - pos));
        pos = next;
    }
    return true;
}

std::vector<TpmFileEntry> TpmPackage::FileList() const {
    std::vector<TpmFileEntry> entries;
    const struct {
        const char* property;
        TpmFileEntry::Kind kind;
    } lists[] = {{"RunFiles", TpmFileEntry::Kind::Run},
                 {"DocFiles", TpmFileEntry::Kind::Doc},
                 {"SourceFiles", TpmFileEntry::Kind::Source}};
    for (const auto& list : lists) {
        std::string text = Property(list.property);
        size_t start = 0;
        while (start <= text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos)
                end = text.size();
            if (end > start) {
                entries.push_back({text.substr(start, end - start), list.kind,
                                   list.kind != TpmFileEntry::Kind::Run});
            }
            start = end + 1;
        }
    }
    return entries;
}

bool TpmPackage::Install(const TpmInstallContext& context) const {
    const bool archive = IsArchive();
    ZipReader zip;
    if (archive && !zip.Open(path_)) {
        Say(context, "Cannot open package archive " + zip.Error() + "\n");
        return false;
    }
    const std::string base = SourceBase(path_);
    const std::string folder = DirectoryOf(path_);
    InstallJournal journal;
    for (const TpmFileEntry& entry : FileList()) {
        const std::string target = TpmTargetOf(entry.relativePath, context.roots);
        if (target.empty()) {
            Report(context, TpmFileOutcome::What::Skipped, entry.relativePath, {});
            continue;
        }
        journal.BeforeWrite(target);
        GiveOwnerWrite(target);
        bool placed = journal.MakeDirectories(DirectoryOf(target));
        std::string source;
        if (placed && archive) {
            source = path_ + ":" + entry.relativePath;
            placed = zip.Has(entry.relativePath) && zip.ExtractToFile(entry.relativePath, target);
            if (placed && context.verbose)
                Say(context, " " + entry.relativePath + " -> " + target + "\n");
            if (!placed) {
                source = JoinPath(folder, FileNameOf(entry.relativePath));
                placed = CopyFile(source, target);
            }
        } else if (placed) {
            source = JoinPath(base, entry.relativePath);
            placed = CopyFile(source, target);
            if (placed && context.verbose)
                Say(context, " " + entry.relativePath + " -> " + target + "\n");
        }
        if (!placed) {
            Say(context, "Warning: could not copy file:\n " +
                             (source.empty() ? entry.relativePath : source) + "\nto\n" + target +
                             "\n");
            Report(context, TpmFileOutcome::What::Failed, entry.relativePath, target);
            if (!entry.optional)
                return false;  // the journal puts everything back
            continue;
        }
        GiveOwnerWrite(target);
        Report(context, TpmFileOutcome::What::Placed, entry.relativePath, target);
    }
    journal.Commit();
    return true;
}

void TpmPackage::Remove(const TpmInstallContext& context) const {
    for (const TpmFileEntry& entry : FileList()) {
        const std::string target = TpmTargetOf(entry.relativePath, context.roots);
        if (target.empty()) {
            Report(context, TpmFileOutcome::What::Skipped, entry.relativePath, {});
            continue;
        }
        struct stat st {};
        if (::lstat(target.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) {
            GiveOwnerWrite(target);
            if (::unlink(target.c_str()) == 0) {
                if (context.verbose)
                    Say(context, " rm " + target + "\n");
                Report(context, TpmFileOutcome::What::Removed, entry.relativePath, target);
            }
        }
        // The folders that became empty, up to (never including) the data root.
        const std::string root = RootOf(target, context.roots);
        std::string dir = DirectoryOf(target);
        while (!root.empty() && dir.size() + 1 > root.size() &&
               WithTrailingSeparator(dir) != root && dir.starts_with(root)) {
            if (::rmdir(dir.c_str()) != 0)
                break;
            dir = DirectoryOf(dir);
        }
    }
}

}  // namespace quirn

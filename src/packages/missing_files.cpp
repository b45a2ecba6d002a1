#include "packages/missing_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/app_context.h"
#include "app/profile.h"
#include "app/settings.h"
#include "packages/package_installer.h"
#include "platform/download.h"
#include "platform/output_sink.h"
#include "platform/paths.h"
#include "platform/user_prompt.h"
#include "platform/zip_archive.h"

namespace quirn {
namespace {

// Lines are read in pieces of this size; a longer line's later pieces are lines of
// their own (and so never a "Files:" line).
constexpr size_t kLineBuffer = 50000;
constexpr size_t kIdLength = 256;

const char* const kDatabaseMembers[] = {"jitdb.txt", "cls.tpi", "popcls.tpi", "pkg.tpi",
                                        "poppkg.tpi"};

std::string Trimmed(const std::string& text) {
    const char* blanks = " \t\n\r\v\f";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// The first blank-separated word after `prefix` ("url: %s").
std::string WordAfter(const char* line, size_t prefix) {
    const char* p = line + prefix;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f')
        ++p;
    const char* end = p;
    while (*end != '\0' && !std::strchr(" \t\n\r\v\f", *end))
        ++end;
    return std::string(p, end);
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

MissingFileResolver::MissingFileResolver(AppContext& context) : context_(context) {}

std::string MissingFileResolver::DatabasePath() const {
    return JoinPath(JoinPath(context_.roots.tdsPath, "tpm"), kMissingFileDatabase);
}

void MissingFileResolver::Say(const std::string& text) const {
    if (context_.output != nullptr)
        context_.output->AppendOutput(text);
}

std::string MissingFileResolver::PackageServer() const {
    std::string server = context_.profile != nullptr
                             ? context_.profile->GetText("Settings", "PackageServer", "")
                             : "";
    while (!server.empty() && server.back() == '/')
        server.pop_back();
    return server;
}

bool MissingFileResolver::NetAccess() const {
    // The settings record holds the value the Settings dialog changed last.
    if (context_.settings != nullptr)
        return context_.settings->netAccess != 0;
    return context_.profile == nullptr || context_.profile->GetInt("Settings", "NetAccess", 1) != 0;
}

bool MissingFileResolver::Download(const std::string& url, std::string& file) {
    const std::string folder = context_.temporary.Path();
    if (folder.empty())
        return false;
    file = JoinPath(folder, DownloadFileName(url));
    std::string error;
    return DownloadFile(url, file, error);
}

bool MissingFileResolver::LoadMissingFileDatabase() {
    const std::string tds = context_.roots.tdsPath;
    const std::string database = DatabasePath();
    const bool hashPresent = RegularFileExists(JoinPath(tds, "ispell/english.hash"));
    struct stat st {};
    const bool databasePresent = ::stat(database.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    const char* archive = nullptr;
    if (!hashPresent && !databasePresent)
        archive = kFirstInstallDatabaseArchive;
    else if (hashPresent && !databasePresent)
        archive = kCurrentDatabaseArchive;
    else if (hashPresent && databasePresent && st.st_size < kCurrentDatabaseSize)
        archive = kCurrentDatabaseArchive;

    const std::string server = PackageServer();
    if (archive != nullptr && NetAccess() && !server.empty()) {
        const std::string url = server + archive;
        std::string file;
        if (!Download(url, file)) {
            if (!file.empty())
                ::unlink(file.c_str());
            Say("Cannot load file " + url + "\n");
            return false;
        }
        ZipReader zip;
        bool ok = zip.Open(file);
        const std::string folder = WithTrailingSeparator(JoinPath(tds, "tpm"));
        std::error_code ec;
        if (ok && !std::filesystem::is_directory(folder, ec) &&
            !std::filesystem::create_directories(folder, ec)) {
            Say("Cannot create jit directory " + folder + "\n");
            ok = false;
        } else if (!ok) {
            Say("Cannot load file " + url + "\n");
        }
        for (const char* member : kDatabaseMembers) {
            if (!ok)
                break;
            if (!zip.ExtractToFile(member, JoinPath(folder, member))) {
                Say(std::string("Can't extract file ") + member + "\n");
                ok = false;
            }
        }
        zip.Close();
        ::unlink(file.c_str());
        if (!ok)
            return false;
    }

    File in(std::fopen(database.c_str(), "rb"));
    if (!in) {
        Say("Can't open jitdb: " + database + "\n");
        return false;
    }
    char first[kIdLength + 1] = "";
    if (std::fgets(first, sizeof first, in.get()) == nullptr)
        first[0] = '\0';
    const std::string line = Trimmed(first);
    if (!line.starts_with("ID: ")) {
        Say("No jitdb ID\n");
        return false;
    }
    idLine_ = line;
    const std::string id = line.substr(4);
    if (context_.profile != nullptr) {
        const std::string old = context_.profile->GetText("Settings", "JitDbId", "");
        if (!old.empty() && old != id)
            Say("Switching archives from: " + old + " to: " + id + "\n");
        context_.profile->WriteText("Settings", "JitDbId", id);
    }
    return true;
}

bool MissingFileResolver::LoadIndex() {
    const std::string database = DatabasePath();
    struct stat st {};
    if (::stat(database.c_str(), &st) != 0) {
        text_.clear();
        indexed_ = false;
        return false;
    }
    if (indexed_ && st.st_mtim.tv_sec == indexTime_.tv_sec &&
        st.st_mtim.tv_nsec == indexTime_.tv_nsec && st.st_size == indexSize_)
        return true;
    File in(std::fopen(database.c_str(), "rb"));
    if (!in)
        return false;
    text_.assign(static_cast<size_t>(std::max<off_t>(st.st_size, 0)), '\0');
    text_.resize(std::fread(text_.data(), 1, text_.size(), in.get()));
    indexTime_ = st.st_mtim;
    indexSize_ = st.st_size;
    indexed_ = true;
    return true;
}

// The value of the last line before `before` that starts with `key` ("url:", "Name:"),
// read as one word.
std::string MissingFileResolver::LastValueBefore(size_t before, const char* key) const {
    const std::string marker = std::string("\n") + key;
    size_t at = before < 1 ? std::string::npos : text_.rfind(marker, before - 1);
    size_t line;
    if (at != std::string::npos)
        line = at + 1;
    else if (text_.compare(0, marker.size() - 1, key) == 0)
        line = 0;
    else
        return {};
    size_t end = text_.find('\n', line);
    std::string value = text_.substr(line, (end == std::string::npos ? text_.size() : end) - line);
    return WordAfter(value.c_str(), marker.size() - 1);
}

PackageForFile MissingFileResolver::FindPackageForFile(const std::string& file) {
    if (!LoadIndex()) {
        Say("Can't open jit db: " + DatabasePath() + "\n");
        return {};
    }
    PackageForFile result;
    if (file.empty() || file.find_first_of(" \n") != std::string::npos)
        return result;  // a name with a blank cannot stand between two blanks as one word
    // The first "Files:" line that holds the name with a blank before and after it; the
    // package and address are the last "Name:" and "url:" lines before that line.
    const std::string needle = " " + file + " ";
    for (size_t at = text_.find(needle); at != std::string::npos; at = text_.find(needle, at + 1)) {
        size_t newline = text_.rfind('\n', at);
        size_t line = newline == std::string::npos ? 0 : newline + 1;
        if (text_.compare(line, 6, "Files:") != 0 || at - line >= kLineBuffer - 1)
            continue;
        result.found = true;
        result.name = LastValueBefore(line, "Name:");
        result.url = LastValueBefore(line, "url:");
        return result;
    }
    return result;
}

std::string MissingFileResolver::FindLocalArchive(const std::string& name,
                                                  bool tryLocalArchives) const {
    for (const std::string* root : {&context_.roots.installDir, &context_.roots.tdsPath}) {
        if (root->empty())
            continue;
        const std::string base = JoinPath(JoinPath(*root, "tpm"), name);
        if (RegularFileExists(base + ".zip"))
            return base + ".zip";
        if (tryLocalArchives && RegularFileExists(base + ".zip.tpm"))
            return base + ".zip.tpm";
    }
    return {};
}

bool MissingFileResolver::InstallArchive(const std::string& archive) {
    PackageInstaller installer(context_);
    installer.SetVerbose(verbose_);
    return installer.InstallFile(archive);
}

bool MissingFileResolver::InstallLocalPackage(const std::string& name) {
    const std::string archive = FindLocalArchive(name, true);
    if (archive.empty() || !InstallArchive(archive))
        return false;
    lastInstalled_ = name;
    if (afterInstall_)
        afterInstall_();
    return true;
}

std::string MissingFileResolver::AddressOf(const std::string& url) const {
    if (url.empty() || IsDownloadAddress(url))
        return url;
    const std::string server = PackageServer();
    if (server.empty())
        return {};
    return server + (url.starts_with("/") ? "" : "/") + url;
}

bool MissingFileResolver::ResolveMissingFile(const std::string& file, bool tryLocalArchives,
                                             bool ask) {
    const PackageForFile package = FindPackageForFile(file);
    UserPrompt* prompt = context_.prompt;
    if (!package.found) {
        if (ask && prompt != nullptr) {
            prompt->ShowMessage("The file " + file +
                                " couldn't be found in any standard TeX packages.\nSee Insert "
                                "Package or Settings..Packages for package names.\n");
        }
        return false;
    }
    if (ask && prompt != nullptr &&
        (context_.profile == nullptr ||
         context_.profile->GetInt("Prompts", "JITinstall", 1) != 0)) {
        if (!prompt->AskYesNo("Found it!\nYou need package: " + package.name +
                              "\nWould you like to install that now?"))
            return false;
    }

    bool installed = false;
    const std::string archive = FindLocalArchive(package.name, tryLocalArchives);
    if (!archive.empty()) {
        installed = InstallArchive(archive);
    } else if (NetAccess() && !AddressOf(package.url).empty()) {
        std::string downloaded;
        if (Download(AddressOf(package.url), downloaded))
            installed = InstallArchive(downloaded);
        if (!downloaded.empty())
            ::unlink(downloaded.c_str());
    }
    if (!installed) {
        if (prompt != nullptr)
            prompt->ShowMessage("Couldn't install the package:" + package.name);
        return false;
    }
    lastInstalled_ = package.name;
    if (afterInstall_)
        afterInstall_();
    return true;
}

}  // namespace quirn

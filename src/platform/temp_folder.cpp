#include "platform/temp_folder.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "platform/paths.h"

namespace quirn {

namespace {

constexpr std::string_view kFolderPrefix = "quirn-";
constexpr std::string_view kRandomPart = "XXXXXX";

bool AllDigits(std::string_view text) {
    if (text.empty())
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

// The process id in an instance folder's name "quirn-PID-XXXXXX", or -1 when the name
// has another form.
long InstancePidOf(std::string_view name) {
    if (!name.starts_with(kFolderPrefix))
        return -1;
    name.remove_prefix(kFolderPrefix.size());
    const std::size_t dash = name.find('-');
    if (dash == std::string_view::npos || name.size() - dash - 1 != kRandomPart.size())
        return -1;
    const std::string_view digits = name.substr(0, dash);
    if (!AllDigits(digits) || digits.size() > 9)
        return -1;
    return std::strtol(std::string(digits).c_str(), nullptr, 10);
}

// A process that exists, whoever owns it: a reused id keeps the folder, which is the
// safe side.
bool ProcessRuns(long pid) {
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

}  // namespace

std::string TemporaryRoot() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && *tmp != '\0' ? std::string(tmp) : std::string("/tmp");
}

TempFolder::TempFolder(std::string parent) : parent_(std::move(parent)) {}

TempFolder::~TempFolder() {
    if (path_.empty() || maker_ != ::getpid())
        return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

const std::string& TempFolder::Path() {
    if (!tried_) {
        tried_ = true;
        std::string pattern =
            JoinPath(parent_, std::string(kFolderPrefix) + std::to_string(::getpid()) + "-" +
                                  std::string(kRandomPart));
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
            maker_ = ::getpid();
        }
    }
    return path_;
}

std::string TempFolder::MakeFile(std::string_view prefix, std::string_view suffix) {
    if (Path().empty())
        return {};
    std::string name =
        JoinPath(path_, std::string(prefix) + std::string(kRandomPart)) + std::string(suffix);
    const int fd = ::mkstemps(name.data(), static_cast<int>(suffix.size()));
    if (fd < 0)
        return {};
    ::close(fd);
    return name;
}

std::string TempFolder::MakeFolder(std::string_view prefix) {
    if (Path().empty())
        return {};
    std::string name = JoinPath(path_, std::string(prefix) + std::string(kRandomPart));
    return ::mkdtemp(name.data()) != nullptr ? name : std::string();
}

int RemoveAbandonedTempFolders(const std::string& parent) {
    DIR* dir = ::opendir(parent.c_str());
    if (dir == nullptr)
        return 0;
    const uid_t me = ::getuid();
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        const long pid = InstancePidOf(name);
        if (pid < 0 || ProcessRuns(pid))
            continue;
        const std::string path = JoinPath(parent, name);
        struct stat st {};
        // Only real folders of this user: the temporary directory is shared.
        if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != me)
            continue;
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
        if (!ec)
            ++removed;
    }
    ::closedir(dir);
    return removed;
}

}  // namespace quirn

#include "dvi/fonts/file_search.h"

#include <sys/stat.h>

#include <cstdlib>
#include <utility>
#include <vector>

#include "platform/paths.h"
#include "process/child_process.h"

namespace quirn {

namespace {

// A lookup blocks until the helper answers. A helper that stays silent this long is
// taken as hung: it is stopped, the lookup finds nothing, and the next one starts a
// fresh helper.
constexpr int kAnswerTimeoutMs = 60000;
// Making a PK file runs METAFONT, which for a large font at a high resolution takes
// much longer than a lookup.
constexpr int kPkTimeoutMs = 300000;

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string TrimTrailingSpace(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                             text.back() == '\n' || text.back() == '\v' || text.back() == '\f')) {
        text.pop_back();
    }
    return text;
}

}  // namespace

FileSearch::FileSearch(std::string installDir) : installDir_(std::move(installDir)) {}

FileSearch::~FileSearch() {
    StopFileSearch();
}

bool FileSearch::Running() const {
    return child_ != nullptr && child_->Started() && !child_->HasEnded();
}

int FileSearch::HelperPid() const {
    return Running() ? static_cast<int>(child_->Pid()) : -1;
}

bool FileSearch::EnsureStarted() {
    // A helper that failed to start counts as ended, so every lookup tries again.
    if (child_ != nullptr && child_->Started() && !child_->HasEnded()) {
        return true;
    }
    child_ = std::make_unique<ChildProcess>();
    child_->SetInstallDir(installDir_);
    ++starts_;
    if (!environment_.empty() || !traceFile_.empty()) {
        EnvironmentBlock trace;
        if (!traceFile_.empty())
            trace = {"KPATHSEA_DEBUG=255", "KPATHSEA_DEBUG_OUTPUT=" + traceFile_};
        child_->SetEnvironmentBlock(
            EnvironmentWith(environment_.empty() ? ProcessEnvironment() : environment_, trace));
    }
    const std::string workingDir = IsDirectory(installDir_) ? installDir_ : std::string();
    return child_->Start({"kpathsearch"}, workingDir);
}

std::string FileSearch::Ask(const std::string& request, int timeoutMs) {
    if (!EnsureStarted()) {
        return {};
    }
    if (!child_->Write(request + "\n")) {
        StopFileSearch();  // it has gone away; the next lookup starts a new one
        return {};
    }
    // A read that fails ends the line; a helper that closed its output or stopped
    // answering is not asked again.
    std::string line;
    if (!child_->ReadLine(line, timeoutMs)) {
        const bool hung = !child_->OutputClosed();
        StopFileSearch();
        if (hung) {
            return {};
        }
    }
    if (line.rfind("OK ", 0) != 0) {
        return {};
    }
    return TrimTrailingSpace(line.substr(3));
}

void FileSearch::SetTraceFile(std::string path) {
    traceFile_ = std::move(path);
    StopFileSearch();
}

std::string FileSearch::FindFile(const std::string& name, bool allowInstall) {
    if (!documentFolder_.empty() && !name.empty() && name.find('/') == std::string::npos) {
        std::string beside = JoinPath(documentFolder_, name);
        if (RegularFileExists(beside)) {
            return beside;
        }
    }
    // A line break inside the name would split the request into two questions.
    if (name.empty() || name.find_first_of("\r\n") != std::string::npos) {
        return {};
    }
    std::string path = Ask("find " + name, kAnswerTimeoutMs);
    if (!path.empty() || !allowInstall || retrying_ || installer_ == nullptr) {
        return path;
    }
    if (!installer_->InstallMissingFile(name)) {
        return {};
    }
    // A restarted helper reads the file-name databases again and sees the new file;
    // the mark keeps the second lookup from offering the install once more.
    StopFileSearch();
    retrying_ = true;
    path = FindFile(name, allowInstall);
    retrying_ = false;
    return path;
}

std::string FileSearch::FindPk(const std::string& name, int dpi, bool make, int& foundDpi) {
    foundDpi = 0;
    if (name.empty() || name.find_first_of(" /\r\n") != std::string::npos || dpi <= 0) {
        return {};
    }
    const std::string answer = Ask((make ? "pk " : "pkfind ") + name + " " + std::to_string(dpi),
                                   make ? kPkTimeoutMs : kAnswerTimeoutMs);
    // "DPI PATH"
    const size_t space = answer.find(' ');
    if (space == std::string::npos || space == 0) {
        return {};
    }
    foundDpi = std::atoi(answer.substr(0, space).c_str());
    return answer.substr(space + 1);
}

void FileSearch::StopFileSearch() {
    if (child_ != nullptr) {
        child_->Kill();
        child_->Close();
        child_.reset();
    }
}

}  // namespace quirn

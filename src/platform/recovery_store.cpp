#include "platform/recovery_store.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/file_replacement.h"
#include "platform/paths.h"

namespace quirn {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kHeader = "Quirn recovery copy 1\n";
constexpr std::string_view kSuffix = ".recovery";

// The path sits on one line: "%" and line ends are written as "%25", "%0A" and "%0D".
std::string EncodePath(std::string_view path) {
    std::string out;
    for (char c : path) {
        if (c == '%') {
            out += "%25";
        } else if (c == '\n') {
            out += "%0A";
        } else if (c == '\r') {
            out += "%0D";
        } else {
            out += c;
        }
    }
    return out;
}

std::string DecodePath(std::string_view line) {
    std::string out;
    for (size_t i = 0; i < line.size(); ++i) {
        std::string_view code = line.substr(i, 3);
        if (code == "%25" || code == "%0A" || code == "%0D") {
            out += code == "%25" ? '%' : (code == "%0A" ? '\n' : '\r');
            i += 2;
        } else {
            out += line[i];
        }
    }
    return out;
}

}  // namespace

std::string DefaultRecoveryDirectory() {
    return JoinPath(XdgBaseDirectory("XDG_STATE_HOME", ".local/state"), "quirn");
}

bool RecoveryStore::Write(const std::string& originalPath, std::string_view text) {
    std::error_code ec;
    fs::create_directories(directory_, ec);
    if (!DirectoryExists(directory_))
        return false;
    ::chmod(directory_.c_str(), 0700);
    // Time first, so that names sort in the order the copies were made; the process
    // and a counter keep copies of one moment apart.
    char stamp[32];
    std::time_t now = std::time(nullptr);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::localtime(&now));
    char name[96];
    std::snprintf(name, sizeof name, "%s-%d-%04d%s", stamp, static_cast<int>(::getpid()),
                  ++written_, std::string(kSuffix).c_str());
    FileReplacement file(JoinPath(directory_, name), 0600);
    if (!file.Opened())
        return false;
    std::string head = std::string(kHeader) + EncodePath(originalPath) + "\n";
    return file.Write(head.data(), head.size()) && file.Write(text.data(), text.size()) &&
           file.Finish() && file.Replace();
}

std::vector<RecoveryCopy> RecoveryStore::List() const {
    std::vector<RecoveryCopy> copies;
    std::error_code ec;
    for (fs::directory_iterator it(directory_, ec), last; !ec && it != last; it.increment(ec)) {
        std::string path = it->path().string();
        if (!it->is_regular_file(ec) || !path.ends_with(kSuffix))
            continue;
        std::ifstream in(path, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (!bytes.starts_with(kHeader))
            continue;
        size_t end = bytes.find('\n', kHeader.size());
        if (end == std::string::npos)
            continue;
        RecoveryCopy copy;
        copy.copyPath = path;
        copy.originalPath =
            DecodePath(std::string_view(bytes).substr(kHeader.size(), end - kHeader.size()));
        copy.text = bytes.substr(end + 1);
        copies.push_back(std::move(copy));
    }
    std::sort(copies.begin(), copies.end(),
              [](const RecoveryCopy& a, const RecoveryCopy& b) { return a.copyPath < b.copyPath; });
    return copies;
}

bool RecoveryStore::Remove(const RecoveryCopy& copy) const {
    return ::unlink(copy.copyPath.c_str()) == 0;
}

}  // namespace quirn

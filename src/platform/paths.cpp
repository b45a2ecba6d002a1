#include "platform/paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace quirn {

namespace fs = std::filesystem;

static bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

std::string ToForwardSlashes(std::string_view path) {
    std::string s(path);
    for (char& c : s) {
        if (c == '\\')
            c = '/';
    }
    return s;
}

std::string JoinPath(std::string_view dir, std::string_view name) {
    std::string rest = ToForwardSlashes(name);
    size_t skip = rest.find_first_not_of('/');
    rest.erase(0, skip == std::string::npos ? rest.size() : skip);
    std::string joined(dir);
    if (!joined.empty() && !IsSeparator(joined.back()))
        joined += '/';
    return joined + rest;
}

static size_t LastSeparator(std::string_view path) {
    return path.find_last_of("/\\");
}

std::string DirectoryOf(std::string_view path) {
    size_t sep = LastSeparator(path);
    if (sep == std::string_view::npos)
        return ".";
    if (sep == 0)
        return "/";
    return std::string(path.substr(0, sep));
}

std::string FileNameOf(std::string_view path) {
    size_t sep = LastSeparator(path);
    return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

static size_t ExtensionDot(std::string_view path) {
    size_t dot = path.find_last_of('.');
    size_t sep = LastSeparator(path);
    if (dot == std::string_view::npos)
        return dot;
    if (sep != std::string_view::npos && dot < sep)
        return std::string_view::npos;
    return dot;
}

std::string StripExtension(std::string_view path) {
    size_t dot = ExtensionDot(path);
    return std::string(dot == std::string_view::npos ? path : path.substr(0, dot));
}

std::string ExtensionOf(std::string_view path) {
    size_t dot = ExtensionDot(path);
    return dot == std::string_view::npos ? std::string() : std::string(path.substr(dot + 1));
}

std::string ReplaceExtension(std::string_view path, std::string_view extension) {
    return StripExtension(path) + "." + std::string(extension);
}

bool IsAbsolute(std::string_view path) {
    return !path.empty() && path[0] == '/';
}

std::string AbsolutePath(std::string_view name, std::string_view folder) {
    if (IsAbsolute(name) || name.empty())
        return std::string(name);
    return JoinPath(folder, name);
}

std::string XdgBaseDirectory(const char* variable, std::string_view homeRelative) {
    if (const char* value = std::getenv(variable); value && *value)
        return value;
    const char* home = std::getenv("HOME");
    return JoinPath(home && *home ? home : "/tmp", homeRelative);
}

const std::string& StartFolder() {
    static const std::string folder = [] {
        std::error_code ec;
        std::string cwd = fs::current_path(ec).string();
        return ec ? std::string("/") : cwd;
    }();
    return folder;
}

std::string WithTrailingSeparator(std::string_view path) {
    std::string s(path);
    while (s.size() > 1 && IsSeparator(s.back()))
        s.pop_back();
    if (s.empty() || !IsSeparator(s.back()))
        s += '/';
    return s;
}

bool FileExists(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool RegularFileExists(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

static bool DirectoryAcceptsFiles(const std::string& dir) {
    std::string probe = JoinPath(dir, ".quirn-write-test-XXXXXX");
    int fd = ::mkstemp(probe.data());
    if (fd < 0)
        return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

bool IsWritable(const std::string& path) {
    if (path.empty())
        return false;
    if (DirectoryExists(path))
        return DirectoryAcceptsFiles(path);
    if (FileExists(path)) {
        int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            return false;
        ::close(fd);
        return true;
    }
    std::string dir = DirectoryOf(path);
    return DirectoryExists(dir) && DirectoryAcceptsFiles(dir);
}

static fs::path FullForm(const std::string& p) {
    std::error_code ec;
    fs::path full = fs::weakly_canonical(fs::path(ToForwardSlashes(p)), ec);
    if (ec)
        full = fs::path(ToForwardSlashes(p)).lexically_normal();
    std::string s = full.string();
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

bool SameDirectory(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty())
        return false;
    return FullForm(a) == FullForm(b);
}

}  // namespace quirn

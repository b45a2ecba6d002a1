#include "support/test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace quirn::test {

ScopedEnvironment::~ScopedEnvironment() {
    for (const auto& [name, value] : saved_) {
        if (value) {
            ::setenv(name.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(name.c_str());
        }
    }
}

void ScopedEnvironment::Set(const std::string& name, const std::string& value) {
    Remember(name);
    ::setenv(name.c_str(), value.c_str(), 1);
}

void ScopedEnvironment::Unset(const std::string& name) {
    Remember(name);
    ::unsetenv(name.c_str());
}

void ScopedEnvironment::Remember(const std::string& name) {
    if (saved_.count(name) != 0)
        return;
    const char* value = std::getenv(name.c_str());
    saved_[name] = value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

TempDir::TempDir() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quirn-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

std::string TempDir::File(const std::string& name) const {
    return path_ + "/" + name;
}

std::string TempDir::Write(const std::string& name, const std::string& content) const {
    std::string p = File(name);
    fs::create_directories(fs::path(p).parent_path());
    std::ofstream(p, std::ios::binary) << content;
    return p;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string SourceDir() {
    const char* e = std::getenv("QUIRN_SOURCE_DIR");
    return e && *e ? e : QUIRN_SOURCE_DIR;
}

std::string BuildDir() {
    const char* e = std::getenv("QUIRN_BUILD_DIR");
    return e && *e ? e : QUIRN_BUILD_DIR;
}

std::string Program(const std::string& name) {
    return BuildDir() + "/bin/" + name;
}

static std::string Slurp(const std::string& path) {
    std::string s = ReadFile(path);
    ::unlink(path.c_str());
    return s;
}

int RunCommand(const std::string& command, std::string* out, std::string* err) {
    TempDir dir;
    std::string o = dir.File("out"), e = dir.File("err");
    std::string full =
        "(" + command + ") >" + o + " 2>" + (err ? e : std::string("/dev/null")) + " </dev/null";
    int rc = std::system(full.c_str());
    if (out)
        *out = Slurp(o);
    if (err)
        *err = Slurp(e);
    if (rc == -1)
        return -1;
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : 128 + WTERMSIG(rc);
}

std::set<std::string> InstalledMapFontNames(const std::string& mapName) {
    std::set<std::string> names;
    std::string path;
    if (RunCommand("kpsewhich " + mapName, &path) != 0)
        return names;
    while (!path.empty() && (path.back() == '\n' || path.back() == '\r'))
        path.pop_back();
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || static_cast<unsigned char>(line[0]) <= ' ' ||
            std::string("*#;%").find(line[0]) != std::string::npos)
            continue;
        names.insert(line.substr(0, line.find_first_of(" \t")));
    }
    return names;
}

}  // namespace quirn::test

#include "app/registry.h"

#include <cstdlib>
#include <filesystem>

#include "platform/paths.h"
#include "platform/store_tree.h"

namespace quirn {

namespace {

constexpr const char* kShellFolders =
    "software/microsoft/windows/currentversion/explorer/shell folders";

struct ParsedPath {
    StoreRoot root;
    std::string key;
    std::string value;
};

// "/HKCU/a/b/Name" -> (user, "a/b", "Name"). Absent without a known prefix or with an
// empty key name inside the path.
std::optional<ParsedPath> ParsePath(const std::string& path) {
    ParsedPath p;
    std::string rest;
    if (path.rfind("/HKCU/", 0) == 0) {
        p.root = StoreRoot::User;
    } else if (path.rfind("/HKLM/", 0) == 0) {
        p.root = StoreRoot::Machine;
    } else if (path.rfind("/HKCR/", 0) == 0) {
        p.root = StoreRoot::Classes;
    } else {
        return std::nullopt;
    }
    rest = path.substr(6);
    size_t slash = rest.find_last_of('/');
    if (slash == std::string::npos) {
        p.value = rest;
    } else {
        p.key = rest.substr(0, slash);
        p.value = rest.substr(slash + 1);
    }
    std::vector<std::string> parts;
    if (!SplitKeyPath(p.key, parts))
        return std::nullopt;
    return p;
}

std::string EnvDir(const char* var) {
    const char* v = std::getenv(var);
    return v && *v ? std::string(v) : std::string();
}

std::string Home() {
    std::string h = EnvDir("HOME");
    return h.empty() ? "/tmp" : h;
}

// The platform's answers for the "Shell Folders" values.
std::optional<std::string> ShellFolder(StoreRoot root, const std::string& name) {
    std::string n = LowerAscii(name);
    const std::string data = XdgBaseDirectory("XDG_DATA_HOME", ".local/share");
    if (root == StoreRoot::User) {
        if (n == "personal") {
            std::string docs = EnvDir("XDG_DOCUMENTS_DIR");
            if (docs.empty()) {
                std::error_code ec;
                docs = Home() + "/Documents";
                if (!std::filesystem::is_directory(docs, ec))
                    docs = Home();
            }
            return docs;
        }
        if (n == "appdata" || n == "local appdata")
            return data;
    } else if (root == StoreRoot::Machine && n == "common appdata") {
        // A single-user installation keeps the common data with the user's.
        return data;
    }
    return std::nullopt;
}

}  // namespace

std::optional<StoreValue> Registry::ReadValue(const std::string& path) const {
    auto p = ParsePath(path);
    if (!p)
        return std::nullopt;
    if (auto v = store_.Read(p->root, p->key, p->value))
        return v;
    if (LowerAscii(p->key) == kShellFolders) {
        if (auto dir = ShellFolder(p->root, p->value))
            return StoreValue::Str(*dir);
    }
    return std::nullopt;
}

std::optional<std::string> Registry::ReadText(const std::string& path) const {
    auto v = ReadValue(path);
    if (!v || v->type != StoreValue::Type::Text)
        return std::nullopt;
    return v->text;
}

std::optional<std::int32_t> Registry::ReadInt(const std::string& path) const {
    auto v = ReadValue(path);
    if (!v || v->type != StoreValue::Type::Integer)
        return std::nullopt;
    return v->integer;
}

static bool WriteValue(SettingsStore& store, const std::string& path, const StoreValue& value) {
    auto p = ParsePath(path);
    if (!p)
        return false;
    if (store.Write(p->root, p->key, p->value, value))
        return true;
    // The key chain is missing: create it and try once more.
    if (!store.CreateKey(p->root, p->key))
        return false;
    return store.Write(p->root, p->key, p->value, value);
}

bool Registry::WriteText(const std::string& path, const std::string& text) {
    return WriteValue(store_, path, StoreValue::Str(text));
}

bool Registry::WriteInt(const std::string& path, std::int32_t value) {
    return WriteValue(store_, path, StoreValue::Int(value));
}

// For key operations the whole text after the prefix names the key.
static std::optional<ParsedPath> ParseKeyPath(const std::string& path) {
    auto p = ParsePath(path);
    if (!p)
        return std::nullopt;
    if (!p->value.empty())
        p->key = p->key.empty() ? p->value : p->key + "/" + p->value;
    p->value.clear();
    return p;
}

bool Registry::CreateKey(const std::string& path) {
    auto p = ParseKeyPath(path);
    return p && !p->key.empty() && store_.CreateKey(p->root, p->key);
}

bool Registry::DeleteKey(const std::string& path) {
    auto p = ParseKeyPath(path);
    return p && !p->key.empty() && store_.DeleteKey(p->root, p->key);
}

std::optional<std::vector<std::string>> Registry::ListSubkeys(const std::string& path) const {
    auto p = ParseKeyPath(path);
    if (!p || !store_.KeyExists(p->root, p->key))
        return std::nullopt;
    return store_.Subkeys(p->root, p->key);
}

std::optional<std::vector<std::string>> Registry::ListValues(const std::string& path) const {
    auto p = ParseKeyPath(path);
    if (!p || !store_.KeyExists(p->root, p->key))
        return std::nullopt;
    return store_.ValueNames(p->root, p->key);
}

static std::string Slashes(std::string s) {
    for (char& c : s) {
        if (c == '\\')
            c = '/';
    }
    return s;
}

std::string UserPath(const std::string& sub) {
    return "/HKCU/Software/Tolvane Inc/Quirn6/" + Slashes(sub);
}

std::string MachinePath(const std::string& sub) {
    return "/HKLM/Software/Tolvane, Inc/Quirn6/" + Slashes(sub);
}

static std::string Folder(const Registry& reg, const std::string& path,
                          const std::string& fallback) {
    auto v = reg.ReadText(path);
    return v && !v->empty() ? *v : fallback;
}

static const std::string kShellKey =
    "Software/Microsoft/Windows/CurrentVersion/Explorer/Shell Folders/";

std::string DocumentsFolder(const Registry& reg, const std::string& installDir) {
    return Folder(reg, "/HKCU/" + kShellKey + "Personal", installDir);
}

std::string AppDataFolder(const Registry& reg, const std::string& installDir) {
    return Folder(reg, "/HKCU/" + kShellKey + "AppData", installDir);
}

std::string LocalAppDataFolder(const Registry& reg, const std::string& installDir) {
    return Folder(reg, "/HKCU/" + kShellKey + "Local AppData", installDir);
}

std::string CommonAppDataFolder(const Registry& reg, const std::string& installDir) {
    return Folder(reg, "/HKLM/" + kShellKey + "Common AppData", installDir);
}

}  // namespace quirn

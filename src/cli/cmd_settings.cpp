// quirn-cli settings read|write|list: the registry path syntax over the settings store.
#include <cstdio>
#include <string>
#include <vector>

#include "app/registry.h"
#include "cli/commands.h"
#include "platform/output_sink.h"
#include "platform/settings_store.h"

namespace quirn::cli {
namespace {

std::string Show(const StoreValue& v) {
    return v.type == StoreValue::Type::Integer ? std::to_string(v.integer) : v.text;
}

int Refused(const char* what, const std::string& path) {
    std::fprintf(stderr, "quirn-cli: cannot %s '%s': %s\n", what, path.c_str(),
                 path.rfind("/HK", 0) == 0 ? "no such key or value"
                                           : "a path must begin with /HKCU/, /HKLM/ or /HKCR/");
    return 1;
}

int Settings(const std::vector<std::string>& args) {
    if (args.size() < 2) {
        return WrongUsage("settings");
    }
    StreamSink err(stderr);
    auto store = OpenFileStore(DefaultStoreDirectory(), &err);
    Registry reg(*store);
    const std::string& verb = args[0];
    const std::string& path = args[1];

    if (verb == "read") {
        auto v = reg.ReadValue(path);
        if (!v)
            return Refused("read", path);
        std::printf("%s\n", Show(*v).c_str());
        return 0;
    }
    if (verb == "write") {
        if (args.size() < 3) {
            return WrongUsage("settings");
        }
        bool asInt = args.size() > 3 && args[3] == "--int";
        bool ok;
        if (asInt) {
            char* end = nullptr;
            long long n = std::strtoll(args[2].c_str(), &end, 0);
            if (args[2].empty() || *end != '\0' || n < INT32_MIN || n > UINT32_MAX) {
                std::fprintf(stderr, "quirn-cli: '%s' is not a 32-bit integer\n", args[2].c_str());
                return 1;
            }
            ok = reg.WriteInt(path, static_cast<std::int32_t>(static_cast<std::uint32_t>(n)));
        } else {
            ok = reg.WriteText(path, args[2]);
        }
        return ok ? 0 : Refused("write", path);
    }
    if (verb == "list") {
        auto keys = reg.ListSubkeys(path);
        auto values = reg.ListValues(path);
        if (!keys || !values)
            return Refused("list", path);
        for (const auto& k : *keys)
            std::printf("%s/\n", k.c_str());
        std::string key = path;
        if (!key.empty() && key.back() != '/')
            key += '/';
        for (const auto& name : *values) {
            auto v = reg.ReadValue(key + name);
            std::printf("%s=%s\n", name.c_str(), v ? Show(*v).c_str() : "");
        }
        return 0;
    }
    std::fprintf(stderr, "quirn-cli: unknown settings operation '%s'\n", verb.c_str());
    return WrongUsage("settings");
}

}  // namespace

QUIRN_CLI_COMMAND(
    "settings", "read PATH | write PATH VALUE [--int] | list PATH",
    "read, write and list the stored settings",
    "Works on the settings store the program itself reads and writes (in\n"
    "$QUIRN_CONFIG_DIR, else $XDG_CONFIG_HOME/quirn or ~/.config/quirn).\n"
    "PATH begins with /HKCU/ (the user's settings), /HKLM/ (the machine's) or /HKCR/\n"
    "(file classes), followed by key names and, for read and write, a value name, all\n"
    "separated by \"/\", e.g. \"/HKCU/Software/Tolvane Inc/Quirn6/Settings/Units\".\n"
    "  read PATH               prints the value\n"
    "  write PATH VALUE        stores VALUE as text (keys are created as needed);\n"
    "                          with --int as a 32-bit integer\n"
    "  list PATH               prints the key's sub-keys as \"NAME/\" lines, then its\n"
    "                          values as \"NAME=VALUE\" lines\n"
    "Exit status 1 for a path that does not exist or cannot be written.\n",
    Settings);

}  // namespace quirn::cli

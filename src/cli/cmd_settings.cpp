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
        std::fprintf(stderr,
                     "usage: quirn-cli settings read|list PATH | write PATH VALUE [--int]\n");
        return 2;
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
            std::fprintf(stderr, "usage: quirn-cli settings write PATH VALUE [--int]\n");
            return 2;
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
    return 2;
}

}  // namespace

QUIRN_CLI_COMMAND("settings", "read PATH | write PATH VALUE [--int] | list PATH", Settings);

}  // namespace quirn::cli

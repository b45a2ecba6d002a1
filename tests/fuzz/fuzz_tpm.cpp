// The package manifest reader over arbitrary text: tags, properties, requires and
// addMap lists, the file lists and their targets.
#include <cstddef>
#include <cstdint>
#include <string>

#include "packages/tpm_package.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    quirn::TpmPackage package;
    if (!package.ReadText(std::string(reinterpret_cast<const char*>(data), size)))
        return 0;
    const quirn::DataRoots roots{"/i/", "/root/", "/root/", "/user/"};
    for (const quirn::TpmFileEntry& entry : package.FileList()) {
        const std::string target = quirn::TpmTargetOf(entry.relativePath, roots);
        if (!target.empty() && target.rfind("/root/", 0) != 0 && target.rfind("/user/", 0) != 0)
            __builtin_trap();  // a target outside the data roots
        if (target.find("/../") != std::string::npos)
            __builtin_trap();
    }
    return 0;
}

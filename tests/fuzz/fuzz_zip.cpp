// The zip reading path of package archives: an archive read as a package (its first
// manifest found and read from memory), every member listed and extracted to memory.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "packages/tpm_package.h"
#include "platform/zip_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/fuzz_zip-" + std::to_string(::getpid()) + ".zip";
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr)
        return 0;
    std::fwrite(data, 1, size, out);
    std::fclose(out);
    quirn::TpmPackage package;
    package.Read(path);
    package.FileList();
    quirn::ZipReader zip;
    if (zip.Open(path)) {
        std::string content;
        for (const std::string& name : zip.Names())
            zip.ExtractToMemory(name, content);
    }
    zip.Close();
    ::unlink(path.c_str());
    return 0;
}

// img2eps INPUT OUTPUT: turns a PNG, JPEG, GIF, BMP or TIFF picture into an EPS file whose
// bounding box is the picture's size at its resolution (72 dpi when it gives none). JPEG
// data is embedded as it is; other pictures are compressed losslessly. A damaged or
// unknown input leaves no output file and ends with a non-zero status.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/image_readers.h"
#include "graphics/postscript_image.h"

namespace {

// Writes next to the destination first, so that a failed write never leaves a partial
// EPS under the requested name.
bool WriteWhole(const std::string& path, const std::string& data, std::string* error) {
    std::string temporary = path + ".part";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) {
        *error = std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(data.data(), 1, data.size(), file) == data.size();
    if (!ok)
        *error = std::strerror(errno);
    if (std::fclose(file) != 0 && ok) {
        *error = std::strerror(errno);
        ok = false;
    }
    if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
        *error = std::strerror(errno);
        ok = false;
    }
    if (!ok)
        ::unlink(temporary.c_str());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: img2eps INPUT OUTPUT\n");
        return 2;
    }
    const std::string input = argv[1], output = argv[2];
    std::vector<uint8_t> bytes;
    std::string error;
    if (!quirn::ReadFileBytes(input, &bytes, &error)) {
        std::fprintf(stderr, "img2eps: cannot read %s: %s\n", input.c_str(), error.c_str());
        return 1;
    }
    std::string eps;
    size_t slash = input.find_last_of('/');
    std::string title = slash == std::string::npos ? input : input.substr(slash + 1);
    if (!quirn::MakeImageEps(bytes, title, &eps, &error)) {
        std::fprintf(stderr, "img2eps: %s: %s\n", input.c_str(), error.c_str());
        return 1;
    }
    if (!WriteWhole(output, eps, &error)) {
        std::fprintf(stderr, "img2eps: cannot write %s: %s\n", output.c_str(), error.c_str());
        return 1;
    }
    return 0;
}

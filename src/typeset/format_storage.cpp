#include "typeset/format_storage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/file_replacement.h"
#include "platform/output_sink.h"

namespace quirn {

namespace {

namespace fs = std::filesystem;

struct GzCloser {
    void operator()(gzFile f) const { gzclose_r(f); }
};
using GzReader = std::unique_ptr<std::remove_pointer_t<gzFile>, GzCloser>;

// What a temporary file beside a format is called: the format's name and this, then
// six characters that make it unique (two builds may end at the same time).
constexpr std::string_view kPendingMark = ".inflating-";

std::string ErrnoText() {
    return std::strerror(errno);
}

}  // namespace

bool IsCompressedFormat(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    unsigned char magic[2] = {0, 0};
    ssize_t n = ::read(fd, magic, sizeof magic);
    ::close(fd);
    return n == 2 && magic[0] == 0x1f && magic[1] == 0x8b;
}

bool InflateFormatFile(const std::string& path, std::string& error) {
    if (!IsCompressedFormat(path))
        return true;
    GzReader in(gzopen(path.c_str(), "rb"));
    if (!in) {
        error = "cannot open it: " + ErrnoText();
        return false;
    }
    gzbuffer(in.get(), 1 << 18);
    struct stat original {};
    if (::stat(path.c_str(), &original) != 0) {
        error = "cannot read it: " + ErrnoText();
        return false;
    }
    FileReplacement out(path, original.st_mode & 07777, kPendingMark);
    if (!out.Opened()) {
        error = "cannot write beside it: " + ErrnoText();
        return false;
    }
    std::vector<char> buffer(1 << 20);
    for (;;) {
        int n = gzread(in.get(), buffer.data(), static_cast<unsigned>(buffer.size()));
        if (n < 0) {
            int code = 0;
            const char* message = gzerror(in.get(), &code);
            error = std::string("it is damaged: ") + (message ? message : "unreadable");
            return false;
        }
        if (n == 0)
            break;
        if (!out.Write(buffer.data(), static_cast<size_t>(n))) {
            error = "cannot write " + out.TemporaryPath() + ": " + ErrnoText();
            return false;
        }
    }
    // A stream cut short reads as a clean end; only closing tells.
    if (gzclose_r(in.release()) != Z_OK) {
        error = "it is damaged: the compressed data ends too early";
        return false;
    }
    if (!out.Finish()) {
        error = "cannot write " + out.TemporaryPath() + ": " + ErrnoText();
        return false;
    }
    if (!out.Replace()) {
        error = "cannot replace it: " + ErrnoText();
        return false;
    }
    return true;
}

void InflateFormatsIn(const std::string& directory, OutputSink& output) {
    std::vector<fs::path> formats;
    std::error_code ec;
    const auto now = fs::file_time_type::clock::now();
    for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& p = it->path();
        std::error_code entryEc;
        // What a run that was killed while inflating left behind; a recent one may
        // belong to a build that is still writing.
        if (p.filename().string().find(kPendingMark) != std::string::npos) {
            auto written = fs::last_write_time(p, entryEc);
            if (!entryEc && now - written > std::chrono::hours(1))
                fs::remove(p, entryEc);
            continue;
        }
        // A linked format belongs to whoever made the link: it is left as it is.
        if (p.extension() == ".fmt" && it->is_regular_file(entryEc) && !it->is_symlink(entryEc))
            formats.push_back(p);
    }
    for (const fs::path& p : formats) {
        std::string error;
        if (!InflateFormatFile(p.string(), error)) {
            output.AppendOutput("The format " + p.string() +
                                " stays compressed and loads more slowly: " + error + "\n");
        }
    }
}

}  // namespace quirn

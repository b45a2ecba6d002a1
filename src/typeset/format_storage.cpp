#include "typeset/format_storage.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <type_traits>
#include <vector>

#include "platform/output_sink.h"

namespace quirn {

namespace {

namespace fs = std::filesystem;

struct GzCloser {
    void operator()(gzFile f) const { gzclose_r(f); }
};
using GzReader = std::unique_ptr<std::remove_pointer_t<gzFile>, GzCloser>;

// The temporary file beside the format until it is complete; removed unless kept.
class PendingFile {
  public:
    explicit PendingFile(std::string path) : path_(std::move(path)) {
        fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    }
    ~PendingFile() {
        if (fd_ >= 0)
            ::close(fd_);
        if (!kept_)
            ::unlink(path_.c_str());
    }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    bool Opened() const { return fd_ >= 0; }

    bool Write(const char* data, size_t length) {
        while (length > 0) {
            ssize_t n = ::write(fd_, data, length);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            data += n;
            length -= static_cast<size_t>(n);
        }
        return true;
    }

    // Makes the bytes durable and closes the file, ready to be moved.
    bool Finish() {
        bool ok = ::fsync(fd_) == 0;
        ok = ::close(fd_) == 0 && ok;
        fd_ = -1;
        return ok;
    }

    void Keep() { kept_ = true; }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
    int fd_ = -1;
    bool kept_ = false;
};

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
    PendingFile out(path + ".inflating");
    if (!out.Opened()) {
        error = "cannot write " + out.Path() + ": " + ErrnoText();
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
            error = "cannot write " + out.Path() + ": " + ErrnoText();
            return false;
        }
    }
    // A stream cut short reads as a clean end; only closing tells.
    if (gzclose_r(in.release()) != Z_OK) {
        error = "it is damaged: the compressed data ends too early";
        return false;
    }
    if (!out.Finish()) {
        error = "cannot write " + out.Path() + ": " + ErrnoText();
        return false;
    }
    if (::rename(out.Path().c_str(), path.c_str()) != 0) {
        error = "cannot replace it: " + ErrnoText();
        return false;
    }
    out.Keep();
    return true;
}

void InflateFormatsIn(const std::string& directory, OutputSink& output) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(directory, ec)) {
        const fs::path& p = entry.path();
        if (p.extension() != ".fmt" || !entry.is_regular_file(ec))
            continue;
        std::string error;
        if (!InflateFormatFile(p.string(), error)) {
            output.AppendOutput("The format " + p.string() +
                                " stays compressed and loads more slowly: " + error + "\n");
        }
    }
}

}  // namespace quirn

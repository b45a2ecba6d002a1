#include "platform/single_instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/paths.h"
#include "platform/temp_folder.h"

namespace quirn {

namespace {

bool FillAddress(const std::string& path, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path)
        return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// Reads or writes exactly `length` bytes within the time left; false otherwise.
bool Exchange(int fd, void* data, size_t length, bool reading, int timeoutMs) {
    auto* bytes = static_cast<unsigned char*>(data);
    size_t done = 0;
    while (done < length) {
        pollfd p{fd, static_cast<short>(reading ? POLLIN : POLLOUT), 0};
        int r = ::poll(&p, 1, timeoutMs);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        ssize_t n = reading ? ::recv(fd, bytes + done, length - done, 0)
                            : ::send(fd, bytes + done, length - done, MSG_NOSIGNAL);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool Exchange(int fd, std::uint32_t* word, bool reading, int timeoutMs) {
    return Exchange(fd, word, sizeof *word, reading, timeoutMs);
}

// Limits on what a second start may hand over, so that a stray writer cannot make the
// first instance allocate without bound.
constexpr std::uint32_t kMaxFiles = 1000;
constexpr std::uint32_t kMaxNameLength = 65536;

// The file list after the identification message: a count, then each name as its
// length and its bytes.
bool SendFiles(int fd, const std::vector<std::string>& files, int timeoutMs) {
    std::uint32_t count = static_cast<std::uint32_t>(std::min<size_t>(files.size(), kMaxFiles));
    if (!Exchange(fd, &count, false, timeoutMs))
        return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t length = static_cast<std::uint32_t>(files[i].size());
        if (length > kMaxNameLength)
            length = 0;
        if (!Exchange(fd, &length, false, timeoutMs) ||
            !Exchange(fd, const_cast<char*>(files[i].data()), length, false, timeoutMs)) {
            return false;
        }
    }
    return true;
}

std::vector<std::string> ReceiveFiles(int fd, int timeoutMs) {
    std::vector<std::string> files;
    std::uint32_t count = 0;
    if (!Exchange(fd, &count, true, timeoutMs) || count > kMaxFiles)
        return files;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t length = 0;
        if (!Exchange(fd, &length, true, timeoutMs) || length > kMaxNameLength)
            return {};
        std::string name(length, '\0');
        if (!Exchange(fd, name.data(), length, true, timeoutMs))
            return {};
        if (!name.empty())
            files.push_back(std::move(name));
    }
    return files;
}

// A 64-bit FNV-1a hash, written as 16 hexadecimal digits.
std::string KeyOf(const std::string& text) {
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
    return hex;
}

// A folder for the socket that nobody else can enter: made with mode 0700 when missing,
// and refused when it is a link, belongs to someone else or is open to others.
bool PrivateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 0077) == 0;
}

}  // namespace

std::string InstanceSocketPath(const std::string& display, const std::string& settingsFolder) {
    const std::string uid = std::to_string(::getuid());
    std::string dir;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        dir = runtime;
    } else {
        dir = JoinPath(TemporaryRoot(), "quirn-" + uid);
        if (!PrivateFolder(dir))
            return {};
    }
    return JoinPath(dir, "quirn-" + uid + "-" + KeyOf(display + '\n' + settingsFolder) + ".sock");
}

bool AskRunningInstance(const std::string& socketPath, const std::vector<std::string>& files,
                        int timeoutMs) {
    sockaddr_un addr;
    if (!FillAddress(socketPath, addr))
        return false;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    bool running = false;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        // Someone listens. An instance that is busy (building a format, say) answers
        // late or not in time; it is running all the same, so a second start still
        // ends, and the files wait in the socket until it reads them. Only a wrong
        // answer means the socket belongs to something else.
        std::uint32_t message = kIdentifyMessage, reply = 0;
        if (Exchange(fd, &message, false, timeoutMs) && SendFiles(fd, files, timeoutMs) &&
            Exchange(fd, &reply, true, timeoutMs)) {
            running = reply == kIdentifyReply;
        } else {
            running = true;
        }
    }
    ::close(fd);
    return running;
}

// True when nothing listens on the socket file any more (its instance died).
static bool SocketIsDead(const sockaddr_un& addr) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    bool dead = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 &&
                errno == ECONNREFUSED;
    ::close(fd);
    return dead;
}

InstanceServer::~InstanceServer() {
    Close();
}

void InstanceServer::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(path_.c_str());
        fd_ = -1;
    }
}

bool InstanceServer::Listen(const std::string& socketPath) {
    sockaddr_un addr;
    if (!FillAddress(socketPath, addr))
        return false;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        // Something is there: a live instance keeps it, a dead one's socket is replaced.
        if (errno != EADDRINUSE || !SocketIsDead(addr)) {
            ::close(fd);
            return false;
        }
        ::unlink(socketPath.c_str());
        if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            ::close(fd);
            return false;
        }
    }
    if (::listen(fd, 8) != 0) {
        ::close(fd);
        ::unlink(socketPath.c_str());
        return false;
    }
    fd_ = fd;
    path_ = socketPath;
    return true;
}

void InstanceServer::Poll(
    const std::function<void(const std::vector<std::string>& files)>& onIdentified) {
    if (fd_ < 0)
        return;
    while (true) {
        int client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            return;  // nobody waiting (EAGAIN) or a transient failure
        std::uint32_t message = 0;
        if (Exchange(client, &message, true, 500) && message == kIdentifyMessage) {
            std::vector<std::string> files = ReceiveFiles(client, 500);
            std::uint32_t reply = kIdentifyReply;
            Exchange(client, &reply, false, 500);
            if (onIdentified)
                onIdentified(files);
        }
        ::close(client);
    }
}

}  // namespace quirn

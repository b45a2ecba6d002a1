#include "platform/single_instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

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

// Reads or writes exactly four bytes within the time left; false otherwise.
bool Exchange(int fd, std::uint32_t* word, bool reading, int timeoutMs) {
    auto* bytes = reinterpret_cast<unsigned char*>(word);
    size_t done = 0;
    while (done < 4) {
        pollfd p{fd, static_cast<short>(reading ? POLLIN : POLLOUT), 0};
        int r = ::poll(&p, 1, timeoutMs);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        ssize_t n = reading ? ::recv(fd, bytes + done, 4 - done, 0)
                            : ::send(fd, bytes + done, 4 - done, MSG_NOSIGNAL);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

std::string DefaultInstanceSocketPath() {
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    if (!dir || !*dir)
        dir = std::getenv("TMPDIR");
    if (!dir || !*dir)
        dir = "/tmp";
    return std::string(dir) + "/quirn-" + std::to_string(::getuid()) + ".sock";
}

bool AskRunningInstance(const std::string& socketPath, int timeoutMs) {
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
        // ends. Only a wrong answer means the socket belongs to something else.
        std::uint32_t message = kIdentifyMessage, reply = 0;
        if (Exchange(fd, &message, false, timeoutMs) && Exchange(fd, &reply, true, timeoutMs)) {
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
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(path_.c_str());
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

void InstanceServer::Poll(const std::function<void()>& onIdentified) {
    if (fd_ < 0)
        return;
    while (true) {
        int client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            return;  // nobody waiting (EAGAIN) or a transient failure
        std::uint32_t message = 0;
        if (Exchange(client, &message, true, 500) && message == kIdentifyMessage) {
            std::uint32_t reply = kIdentifyReply;
            Exchange(client, &reply, false, 500);
            if (onIdentified)
                onIdentified();
        }
        ::close(client);
    }
}

}  // namespace quirn

// Keeps one running Quirn per user. The first instance listens on a local socket in
// $XDG_RUNTIME_DIR; a later start connects, sends the identification message and, when
// the answer is the identification value, hands over to the first instance and ends.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace quirn {

inline constexpr std::uint32_t kIdentifyMessage = 0x405;
inline constexpr std::uint32_t kIdentifyReply = 0x1234ABCD;

// The socket path: $XDG_RUNTIME_DIR (or $TMPDIR, /tmp) + "/quirn-<uid>.sock".
std::string DefaultInstanceSocketPath();

// Asks a running instance to identify itself (it restores and raises its window on the
// way). True when one answered with the identification value within `timeoutMs`.
bool AskRunningInstance(const std::string& socketPath, int timeoutMs = 2000);

class InstanceServer {
  public:
    InstanceServer() = default;
    ~InstanceServer();
    InstanceServer(const InstanceServer&) = delete;
    InstanceServer& operator=(const InstanceServer&) = delete;

    // Starts listening; a socket left behind by an instance that died is replaced.
    bool Listen(const std::string& socketPath);
    // Answers waiting identification requests without blocking; `onIdentified` runs
    // for each (the window restores itself and comes to the front).
    void Poll(const std::function<void()>& onIdentified);
    bool Listening() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
    std::string path_;
};

}  // namespace quirn

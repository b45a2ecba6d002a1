// Keeps one running Quirn per user, display and settings folder. The first instance
// listens on a local socket in $XDG_RUNTIME_DIR; a later start connects, sends the
// identification message and the absolute names of the files it was given, and when the
// answer is the identification value it ends: the first instance opens the files.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quirn {

inline constexpr std::uint32_t kIdentifyMessage = 0x405;
inline constexpr std::uint32_t kIdentifyReply = 0x1234ABCD;

// The socket for this user on `display` with the settings in `settingsFolder`:
// "quirn-<uid>-<key>.sock" in $XDG_RUNTIME_DIR, where the key is made from the display
// and the settings folder, so that sessions on other displays and programs with other
// settings (tests) each have their own instance. Without $XDG_RUNTIME_DIR the socket goes
// into a folder only the user may enter, "quirn-<uid>" under $TMPDIR (or /tmp). Empty
// when no safe place exists (the program then runs on its own).
std::string InstanceSocketPath(const std::string& display, const std::string& settingsFolder);

// Asks a running instance to identify itself and hands it `files` (absolute names) to
// open; it restores and raises its window on the way. True when one answered with the
// identification value within `timeoutMs`, or is there but too busy to answer in time
// (it reads the files when it gets to them).
bool AskRunningInstance(const std::string& socketPath, const std::vector<std::string>& files = {},
                        int timeoutMs = 2000);

class InstanceServer {
  public:
    InstanceServer() = default;
    ~InstanceServer();
    InstanceServer(const InstanceServer&) = delete;
    InstanceServer& operator=(const InstanceServer&) = delete;

    // Starts listening; a socket left behind by an instance that died is replaced.
    bool Listen(const std::string& socketPath);
    // Answers waiting identification requests without blocking; `onIdentified` runs
    // for each with the files the second start handed over (the window opens them,
    // restores itself and comes to the front).
    void Poll(const std::function<void(const std::vector<std::string>& files)>& onIdentified);
    bool Listening() const { return fd_ >= 0; }
    // Stops listening and removes the socket.
    void Close();

  private:
    int fd_ = -1;
    std::string path_;
};

}  // namespace quirn

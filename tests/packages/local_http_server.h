// A real HTTP server on 127.0.0.1 for the download tests: Python's http.server over a
// folder, on a port the system picks, stopped (and waited for) when the object dies.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>

extern char** environ;

namespace quirn::test {

class LocalHttpServer {
  public:
    explicit LocalHttpServer(const std::string& folder) {
        int out[2];
        if (::pipe(out) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const char* argv[] = {"python3", "-u",        "-m",          "http.server",  "0",
                              "--bind",  "127.0.0.1", "--directory", folder.c_str(), nullptr};
        if (posix_spawnp(&pid_, "python3", &actions, nullptr, const_cast<char**>(argv), environ) !=
            0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        // "Serving HTTP on 127.0.0.1 port N (http://127.0.0.1:N/) ..."
        std::string text;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        char c;
        while (pid_ > 0 && std::chrono::steady_clock::now() < deadline &&
               ::read(out[0], &c, 1) == 1) {
            text += c;
            size_t at = text.find("(http://");
            if (at != std::string::npos && text.find(')', at) != std::string::npos) {
                size_t start = at + 1;
                base_ = text.substr(start, text.find(')', at) - start);
                while (!base_.empty() && base_.back() == '/')
                    base_.pop_back();
                break;
            }
        }
        drain_ = out[0];
    }
    ~LocalHttpServer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status;
            ::waitpid(pid_, &status, 0);
        }
        if (drain_ >= 0)
            ::close(drain_);
    }
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    // "http://127.0.0.1:PORT", empty when the server did not start.
    const std::string& Base() const { return base_; }

  private:
    pid_t pid_ = -1;
    int drain_ = -1;
    std::string base_;
};

}  // namespace quirn::test

#include "platform/quiet_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>

extern char** environ;

namespace quirn {

namespace {

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
};

struct SpawnActions {
    posix_spawn_file_actions_t actions;
    SpawnActions() { posix_spawn_file_actions_init(&actions); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions); }
};

int StatusOf(int raw) {
    if (WIFEXITED(raw))
        return WEXITSTATUS(raw);
    if (WIFSIGNALED(raw))
        return 128 + WTERMSIG(raw);
    return -1;
}

}  // namespace

QuietRunResult RunQuietly(const std::string& program, const std::vector<std::string>& args,
                          int timeoutMs, const std::string& workingDir,
                          const EnvironmentBlock* environment) {
    QuietRunResult result;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return result;
    Fd readEnd{fds[0]}, writeEnd{fds[1]};
    SpawnActions spawn;
    posix_spawn_file_actions_addopen(&spawn.actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&spawn.actions, writeEnd.fd, 1);
    posix_spawn_file_actions_adddup2(&spawn.actions, writeEnd.fd, 2);
    if (!workingDir.empty())
        posix_spawn_file_actions_addchdir_np(&spawn.actions, workingDir.c_str());
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    if (environment) {
        for (const auto& entry : *environment)
            envp.push_back(const_cast<char*>(entry.c_str()));
        envp.push_back(nullptr);
    }
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), &spawn.actions, nullptr, argv.data(),
                    environment ? envp.data() : environ) != 0) {
        return result;
    }
    result.started = true;
    ::close(writeEnd.fd);
    writeEnd.fd = -1;

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[4096];
    while (true) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) {
            result.timedOut = true;
            break;
        }
        pollfd p{readEnd.fd, POLLIN, 0};
        int ready = ::poll(&p, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            continue;
        ssize_t n = ::read(readEnd.fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;  // every writer has closed: the child is finishing
        if (result.output.size() < 65536)
            result.output.append(buffer, static_cast<size_t>(n));
    }
    int raw = 0;
    if (result.timedOut) {
        ::kill(pid, SIGKILL);
        while (::waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
        }
        result.exitStatus = StatusOf(raw);
        return result;
    }
    // The output has closed; give the child until the deadline to exit.
    while (true) {
        pid_t done = ::waitpid(pid, &raw, WNOHANG);
        if (done == pid)
            break;
        if (done < 0 && errno != EINTR)
            return result;
        if (std::chrono::steady_clock::now() >= deadline) {
            result.timedOut = true;
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
            }
            break;
        }
        ::usleep(2000);
    }
    result.exitStatus = StatusOf(raw);
    return result;
}

ScratchDir::ScratchDir(TempFolder& temporary) : path_(temporary.MakeFolder("gfx-")) {}

ScratchDir::~ScratchDir() {
    if (path_.empty())
        return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

}  // namespace quirn

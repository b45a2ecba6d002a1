#include "process/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "platform/program_resolver.h"
#include "process/command_line.h"

extern char** environ;

namespace quirn {

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

void SleepMilliseconds(int ms) {
    timespec ts{ms / 1000, (ms % 1000) * 1000000L};
    while (::nanosleep(&ts, &ts) == -1 && errno == EINTR) {
    }
}

void CloseFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// Keeps a descriptor away from 0, 1 and 2, so that moving it onto a standard stream in
// the child is always a real dup2 (which clears close-on-exec).
int AboveStandardStreams(int fd) {
    if (fd > 2)
        return fd;
    int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    ::close(fd);
    return moved;
}

bool MakePipe(int fds[2]) {
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    fds[0] = AboveStandardStreams(fds[0]);
    fds[1] = AboveStandardStreams(fds[1]);
    if (fds[0] < 0 || fds[1] < 0) {
        CloseFd(fds[0]);
        CloseFd(fds[1]);
        return false;
    }
    return true;
}

void SetNonBlocking(int fd) {
    int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1)
        ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

// Owns the spawn attribute objects for the duration of one start.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attr);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

}  // namespace

// ---------------------------------------------------------------- ProcessInput

ProcessInput::~ProcessInput() {
    Close();
}

void ProcessInput::Close() {
    CloseFd(fd_);
}

bool ProcessInput::Write(std::string_view bytes, int timeoutMs) {
    if (fd_ < 0)
        return false;
    // A child that has ended turns a write into SIGPIPE, which would end Quirn. Block
    // it for this thread and swallow the one the write raised.
    sigset_t pipeSet, oldMask, pendingBefore;
    sigemptyset(&pipeSet);
    sigaddset(&pipeSet, SIGPIPE);
    sigpending(&pendingBefore);
    bool wasPending = sigismember(&pendingBefore, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipeSet, &oldMask);

    bool ok = true;
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd p{fd_, POLLOUT, 0};
            int r = ::poll(&p, 1, timeoutMs);
            if (r > 0 && !(p.revents & (POLLERR | POLLNVAL)))
                continue;
            if (r < 0 && errno == EINTR)
                continue;
        }
        ok = false;
        break;
    }

    if (!ok && !wasPending) {
        sigset_t pending;
        sigpending(&pending);
        if (sigismember(&pending, SIGPIPE) == 1) {
            timespec zero{0, 0};
            sigtimedwait(&pipeSet, nullptr, &zero);
        }
    }
    pthread_sigmask(SIG_SETMASK, &oldMask, nullptr);
    return ok;
}

// ---------------------------------------------------------------- ChildProcess

ChildProcess::ChildProcess() = default;

ChildProcess::~ChildProcess() {
    Close();
}

std::string ChildProcess::CommandLine() const {
    return DisplayCommandLine(arguments_);
}

bool ChildProcess::Start(std::vector<std::string> arguments, const std::string& workingDir) {
    if (started_) {
        startError_ = EBUSY;
        return false;
    }
    arguments_ = std::move(arguments);
    workingDir_ = workingDir;
    std::vector<std::string> args = arguments_;
    if (args.empty() || args[0].empty()) {
        startError_ = ENOENT;
        return false;
    }
    std::string program = ResolveProgram(installDir_, args[0]);
    if (program.empty()) {
        startError_ = ENOENT;
        return false;
    }

    int in[2] = {-1, -1}, out[2] = {-1, -1};
    if (!MakePipe(in)) {
        startError_ = errno;
        return false;
    }
    if (!MakePipe(out)) {
        startError_ = errno;
        CloseFd(in[0]);
        CloseFd(in[1]);
        return false;
    }
    int errFd = -1;
    if (!errorFile_.empty()) {
        errFd = ::open(errorFile_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (errFd >= 0)
            errFd = AboveStandardStreams(errFd);
        if (errFd < 0) {
            startError_ = errno;
            for (int* fd : {&in[0], &in[1], &out[0], &out[1]})
                CloseFd(*fd);
            return false;
        }
    }

    SpawnSetup setup;
    posix_spawn_file_actions_adddup2(&setup.actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&setup.actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&setup.actions, errFd >= 0 ? errFd : out[1], STDERR_FILENO);
    if (!workingDir.empty()) {
        posix_spawn_file_actions_addchdir_np(&setup.actions, workingDir.c_str());
    }
    // Its own process group, so that Kill also reaches what the child starts (the
    // engine runs TEXEDIT through a shell) and a terminal's interrupt does not.
    sigset_t defaults, emptyMask;
    sigemptyset(&defaults);
    for (int s : {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGCHLD, SIGTSTP, SIGTTIN, SIGTTOU,
                  SIGALRM, SIGUSR1, SIGUSR2}) {
        sigaddset(&defaults, s);
    }
    sigemptyset(&emptyMask);
    posix_spawnattr_setsigdefault(&setup.attr, &defaults);
    posix_spawnattr_setsigmask(&setup.attr, &emptyMask);
    posix_spawnattr_setpgroup(&setup.attr, 0);
    posix_spawnattr_setflags(
        &setup.attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    char** env = environ;
    if (environment_) {
        for (auto& e : *environment_)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        env = envp.data();
    }

    pid_t pid = -1;
    int rc = posix_spawn(&pid, program.c_str(), &setup.actions, &setup.attr, argv.data(), env);
    CloseFd(in[0]);
    CloseFd(out[1]);
    CloseFd(errFd);
    if (rc != 0) {
        startError_ = rc;
        CloseFd(in[1]);
        CloseFd(out[0]);
        return false;
    }
    pid_ = pid;
#ifdef SYS_pidfd_open
    // Readable once the child has ended, so waits need not sleep in steps (older
    // kernels answer -1 and the waits fall back to short sleeps).
    pidFd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidFd_ >= 0)
        ::fcntl(pidFd_, F_SETFD, FD_CLOEXEC);
#endif
    outFd_ = out[0];
    SetNonBlocking(outFd_);
    SetNonBlocking(in[1]);
    input_ = std::make_shared<ProcessInput>(in[1]);
    started_ = true;
    startError_ = 0;
    return true;
}

std::size_t ChildProcess::Available() const {
    std::size_t count = pending_.size();
    int waiting = 0;
    if (outFd_ >= 0 && ::ioctl(outFd_, FIONREAD, &waiting) == 0 && waiting > 0) {
        count += static_cast<std::size_t>(waiting);
    }
    return count;
}

bool ChildProcess::FillPending() {
    if (outFd_ < 0)
        return false;
    char buf[65536];
    bool got = false;
    while (true) {
        ssize_t n = ::read(outFd_, buf, sizeof buf);
        if (n > 0) {
            pending_.append(buf, static_cast<size_t>(n));
            got = true;
            if (static_cast<size_t>(n) < sizeof buf)
                return got;
            continue;
        }
        if (n == 0) {
            outputClosed_ = true;
            return got;
        }
        if (errno == EINTR)
            continue;
        return got;  // EAGAIN: nothing more waiting
    }
}

bool ChildProcess::ReadAvailable(std::string& text) {
    FillPending();
    text.append(pending_);
    pending_.clear();
    return true;
}

bool ChildProcess::ReadLine(std::string& line, int timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    while (true) {
        size_t nl = pending_.find('\n');
        if (nl != std::string::npos) {
            line.append(pending_, 0, nl);
            pending_.erase(0, nl + 1);
            return true;
        }
        if (outFd_ < 0 || outputClosed_) {
            line.append(pending_);
            pending_.clear();
            return false;
        }
        if (FillPending())
            continue;
        if (outputClosed_)
            continue;
        pollfd p{outFd_, POLLIN, 0};
        int wait = timeoutMs < 0 ? -1 : MillisecondsLeft(deadline);
        int r = ::poll(&p, 1, wait);
        if (r < 0 && errno == EINTR)
            continue;
        if (r == 0) {
            line.append(pending_);
            pending_.clear();
            return false;
        }
        if (r < 0)
            return false;
    }
}

bool ChildProcess::Write(std::string_view bytes) {
    return input_ && input_->Write(bytes);
}

void ChildProcess::CloseInput() {
    if (input_)
        input_->Close();
}

bool ChildProcess::WaitForOutputOrExit(int milliseconds) {
    auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    int nap = 1;
    while (true) {
        if (HasEnded() || Available() > 0)
            return true;
        int left = MillisecondsLeft(deadline);
        if (left <= 0)
            return false;
        int step = left < 100 ? left : 100;
        pollfd fds[2];
        nfds_t count = 0;
        bool watchOutput = outFd_ >= 0 && !outputClosed_;
        if (watchOutput)
            fds[count++] = {outFd_, POLLIN, 0};
        if (pidFd_ >= 0)
            fds[count++] = {pidFd_, POLLIN, 0};
        // Without a process descriptor the end of the output pipe (POLLHUP) says
        // nothing about the exit itself: then the wait goes on in short naps.
        bool outputHungUp = false;
        if (count > 0) {
            int r = ::poll(fds, count, step);
            if (r > 0 && watchOutput && (fds[0].revents & POLLHUP) && !(fds[0].revents & POLLIN)) {
                outputHungUp = true;
            }
        }
        if (pidFd_ < 0 && (count == 0 || outputHungUp)) {
            FillPending();
            SleepMilliseconds(nap < step ? nap : step);
            if (nap < 10)
                nap *= 2;
        } else if (outputHungUp) {
            FillPending();  // marks the output closed, so the next poll waits for the exit
        }
    }
}

bool ChildProcess::WaitForExit(int milliseconds) {
    if (!started_)
        return true;
    if (milliseconds < 0) {
        Reap(true);
        return true;
    }
    auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    int nap = 1;
    while (!HasEnded()) {
        int left = MillisecondsLeft(deadline);
        if (left <= 0)
            return false;
        if (pidFd_ >= 0) {
            pollfd p{pidFd_, POLLIN, 0};
            ::poll(&p, 1, left);
        } else {
            SleepMilliseconds(nap < left ? nap : left);
            if (nap < 20)
                nap *= 2;
        }
    }
    return true;
}

void ChildProcess::Reap(bool block) {
    if (!started_ || exitCode_ != kStillActive)
        return;
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
    } while (r == -1 && errno == EINTR);
    if (r == pid_) {
        if (killed_) {
            exitCode_ = kKilledExitCode;
        } else if (WIFEXITED(status)) {
            exitCode_ = WEXITSTATUS(status);
        } else if (WIFSIGNALED(status)) {
            exitCode_ = 128 + WTERMSIG(status);
        }
    } else if (r == -1 && errno == ECHILD) {
        // Someone else collected it (SIGCHLD ignored): it has ended, status unknown.
        exitCode_ = killed_ ? kKilledExitCode : 255;
    }
}

bool ChildProcess::HasEnded() {
    if (!started_)
        return false;
    Reap(false);
    return exitCode_ != kStillActive;
}

int ChildProcess::ExitCode() {
    HasEnded();
    return exitCode_;
}

bool ChildProcess::Kill() {
    if (!started_ || HasEnded())
        return false;
    killed_ = true;
    ::kill(-pid_, SIGKILL);
    ::kill(pid_, SIGKILL);
    Reap(true);
    return true;
}

void ChildProcess::Close() {
    if (started_ && !HasEnded())
        Kill();
    CloseFd(outFd_);
    CloseFd(pidFd_);
    if (input_) {
        input_->Close();
        input_.reset();
    }
}

}  // namespace quirn

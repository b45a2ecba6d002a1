// One external program running as a child process, with its standard input and
// standard output connected to Quirn by pipes. Every external program (engine,
// BibTeX, MakeIndex, dvips, the interpreter, the file search) runs through this class.
//
// The child gets its arguments as a list, exactly as given (no shell, no splitting),
// inherits Quirn's environment unless it is given a block of its own, and runs in the
// given working directory. Its standard
// error joins the output pipe unless an error-output file is named, which is created
// (always overwritten) and receives standard error; the engine's file-search trace
// travels that way.
//
// Reads never block except ReadLine, which is meant for children that answer line by
// line. The object owns the child: destroying a child that still runs kills it, and
// every child is reaped, so no zombie is left behind.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quirn {

// The exit code of a child that has not ended yet.
inline constexpr int kStillActive = 259;
// The exit code of a child that was stopped with Kill.
inline constexpr int kKilledExitCode = 99;

// The write end of a child's input pipe. Shared, so that the output window can keep
// typing into the most recent engine run after the ChildProcess object is gone; a
// write to a child that has ended fails instead of raising SIGPIPE.
class ProcessInput {
  public:
    explicit ProcessInput(int fd) : fd_(fd) {}
    ~ProcessInput();
    ProcessInput(const ProcessInput&) = delete;
    ProcessInput& operator=(const ProcessInput&) = delete;

    // True when every byte was written. Waits while the pipe is full, but gives up
    // (false) when the reader makes no progress for `timeoutMs` or has gone away.
    bool Write(std::string_view bytes, int timeoutMs = 10000);
    bool IsOpen() const { return fd_ >= 0; }
    // Closing the input lets the child see the end of its input.
    void Close();

  private:
    int fd_;
};

class ChildProcess {
  public:
    ChildProcess();
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // --- set before Start ---
    // Standard error goes to this file (created, always overwritten). Empty: standard
    // error joins standard output.
    void SetErrorFile(std::string path) { errorFile_ = std::move(path); }
    const std::string& ErrorFile() const { return errorFile_; }
    // Where the program named by the first argument is looked up
    // (InstallDir/bin/NAME, else PATH; see platform/program_resolver.h). Empty: PATH only.
    void SetInstallDir(std::string dir) { installDir_ = std::move(dir); }
    // "NAME=value" entries given to the child instead of Quirn's own environment
    // (platform/environment_block.h builds them).
    void SetEnvironmentBlock(std::vector<std::string> block) { environment_ = std::move(block); }
    // Marks an engine run: its end starts the log analysis.
    void SetTypeset(bool typeset) { typeset_ = typeset; }
    bool IsTypeset() const { return typeset_; }

    // Starts the program with `arguments`, the first of which names the program; each
    // reaches the child as it is. An empty working directory keeps Quirn's current one.
    // False when the program cannot be found or started, or the directory does not
    // exist; no message is shown (callers report). A child is started once.
    bool Start(std::vector<std::string> arguments, const std::string& workingDir);
    bool Started() const { return started_; }
    // The error of a failed Start, as errno (ENOENT for a program found nowhere).
    int StartError() const { return startError_; }

    const std::vector<std::string>& Arguments() const { return arguments_; }
    // The arguments as one line for messages (see DisplayCommandLine).
    std::string CommandLine() const;
    const std::string& WorkingDirectory() const { return workingDir_; }
    pid_t Pid() const { return pid_; }

    // Number of bytes waiting in the output pipe, without blocking.
    std::size_t Available() const;
    // Appends exactly the waiting bytes to `text`. True when nothing was waiting or
    // the read succeeded.
    bool ReadAvailable(std::string& text);
    // Reads until a line feed (not stored; a carriage return before it is kept). False
    // at the end of the output or when `timeoutMs` (negative: no limit) passes first;
    // what was read so far is left in `line`.
    bool ReadLine(std::string& line, int timeoutMs = -1);
    // True when the output pipe has been read to its end (every writer closed it).
    bool OutputClosed() const { return outputClosed_; }

    // True when every byte was written to the child's standard input.
    bool Write(std::string_view bytes);
    bool Write(const char* bytes, std::size_t length) { return Write({bytes, length}); }
    // The input pipe, shared (see ProcessInput); null before Start.
    std::shared_ptr<ProcessInput> Input() const { return input_; }
    void CloseInput();

    // Waits in steps of at most 100 ms; true as soon as the child has ended or output
    // is waiting, false when `milliseconds` pass first.
    bool WaitForOutputOrExit(int milliseconds);
    // Blocks until the child has ended or `milliseconds` pass (negative: no limit).
    bool WaitForExit(int milliseconds);

    // True once the exit code is no longer kStillActive (reaps the child).
    bool HasEnded();
    // kStillActive while running; the program's exit status afterwards; kKilledExitCode
    // after Kill; 128 + the signal number for a child ended by another signal.
    int ExitCode();

    // Stops the child (and whatever it started in its process group) at once; its
    // exit code becomes kKilledExitCode. Works on a child that hangs. False when
    // nothing was running.
    bool Kill();

    // Closes every pipe; a child still running is killed and reaped first.
    void Close();

  private:
    void Reap(bool block);
    // Moves whatever the pipe holds into pending_; true when anything arrived.
    bool FillPending();

    std::vector<std::string> arguments_;
    std::string workingDir_;
    std::string errorFile_;
    std::string installDir_;
    std::optional<std::vector<std::string>> environment_;
    bool typeset_ = false;
    bool started_ = false;
    int startError_ = 0;
    pid_t pid_ = -1;
    int exitCode_ = kStillActive;
    bool killed_ = false;
    int outFd_ = -1;
    int pidFd_ = -1;  // process descriptor, readable once the child has ended
    bool outputClosed_ = false;
    std::string pending_;  // read from the pipe but not handed out yet (ReadLine)
    std::shared_ptr<ProcessInput> input_;
};

}  // namespace quirn

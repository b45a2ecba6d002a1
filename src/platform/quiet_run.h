// Runs a helper program to completion without a shell: standard input from /dev/null,
// standard output and error collected, the child killed when it overruns its time.
// The graphics special library uses it for the PostScript interpreter; longer-lived
// children with piped dialogue go through src/process instead.
#pragma once

#include <string>
#include <vector>

#include "platform/environment_block.h"

#include "platform/temp_folder.h"

namespace quirn {

struct QuietRunResult {
    bool started = false;
    bool timedOut = false;
    int exitStatus = -1;  // the exit code, or 128 + signal number
    std::string output;   // standard output and error, the first 64 KiB
};

// `workingDir`, when given, is the child's working folder (the caller's stays as it
// is); `environment`, when given, is the child's whole environment instead of this
// process's.
QuietRunResult RunQuietly(const std::string& program, const std::vector<std::string>& args,
                          int timeoutMs, const std::string& workingDir = {},
                          const EnvironmentBlock* environment = nullptr);

// A fresh directory in the instance's temporary folder, removed with its contents
// when the object dies.
class ScratchDir {
  public:
    explicit ScratchDir(TempFolder& temporary);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    bool Ok() const { return !path_.empty(); }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

}  // namespace quirn

// The application's running list: every child started with StartProcess, polled from
// the idle processing (the window application calls Poll from its timer, the headless
// command from its waiting loop). Polling streams each child's output to the output
// window and retires the children that have ended.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/environment_block.h"
#include "process/child_process.h"

namespace quirn {

class OutputSink;

struct StartOptions {
    bool typeset = false;   // an engine run: its end calls the end handler
    std::string errorFile;  // standard error to this file (empty: joins the output)
    // "NAME=VALUE" entries added to (or replacing in) the list's environment for this
    // child alone.
    std::vector<std::string> extraEnvironment;
};

class ProcessList {
  public:
    // `output` receives every child's output (may be null); programs are resolved
    // against `installDir`.
    ProcessList(OutputSink* output, std::string installDir);
    ~ProcessList();  // kills and reaps whatever still runs
    ProcessList(const ProcessList&) = delete;
    ProcessList& operator=(const ProcessList&) = delete;

    // The debugging option "process": every start prints
    // "starting process: '<command line>' in '<directory>'\n".
    void SetTraceStarts(bool on) { traceStarts_ = on; }

    // The environment every child starts with (AppContext::childEnvironment). Empty
    // (the default): Quirn's own.
    void SetEnvironment(EnvironmentBlock environment) { environment_ = std::move(environment); }
    const EnvironmentBlock& Environment() const { return environment_; }

    // Called by Poll for a child with the typeset flag once it has ended and its
    // output has been drained, before the child is destroyed (the end-of-run analysis).
    // A handler that answers false is not done with the child yet: it stays in the
    // list, and the next Poll forwards what has arrived since and calls the handler
    // again (the ended child's pipe can still carry what its own children write).
    using EndHandler = std::function<bool(ChildProcess&)>;
    void SetEndHandler(EndHandler handler) { onEnd_ = std::move(handler); }

    // Starts the child with `arguments` (the first names the program; each reaches it
    // as it is) and adds it to the list. Null when it could not be started (nothing is
    // added; the caller reports). The pointer stays valid until a Poll retires the
    // child.
    ChildProcess* StartProcess(std::vector<std::string> arguments, const std::string& workingDir,
                               const StartOptions& options = {});
    ChildProcess* StartProcess(std::vector<std::string> arguments, const std::string& workingDir,
                               bool typeset) {
        return StartProcess(std::move(arguments), workingDir, StartOptions{typeset, {}, {}});
    }

    // One polling pass over the list, in start order: waiting output goes to the
    // output sink; an ended child is drained once more, handed to the end handler when
    // it has the typeset flag, and removed and destroyed (unless the handler keeps it). Returns
    // true when any output arrived.
    bool Poll();

    // Kills every running child with the typeset flag (exit code 99); the next Poll
    // retires them. Returns how many were killed.
    int KillTypesetRuns();
    bool AnyTypesetRunning() const;

    std::size_t Count() const { return children_.size(); }
    bool Empty() const { return children_.empty(); }
    // The children in start order (borrowed).
    std::vector<ChildProcess*> Children() const;

  private:
    OutputSink* output_;
    std::string installDir_;
    bool traceStarts_ = false;
    EnvironmentBlock environment_;
    EndHandler onEnd_;
    std::vector<std::unique_ptr<ChildProcess>> children_;
};

}  // namespace quirn

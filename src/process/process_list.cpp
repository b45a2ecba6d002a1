#include "process/process_list.h"

#include <algorithm>

#include "platform/output_sink.h"
#include "process/command_line.h"

namespace quirn {

ProcessList::ProcessList(OutputSink* output, std::string installDir)
    : output_(output), installDir_(std::move(installDir)) {}

ProcessList::~ProcessList() = default;

ChildProcess* ProcessList::StartProcess(std::vector<std::string> arguments,
                                        const std::string& workingDir,
                                        const StartOptions& options) {
    if (traceStarts_ && output_) {
        output_->AppendOutput("starting process: '" + DisplayCommandLine(arguments) + "' in '" +
                              workingDir + "'\n");
    }
    auto child = std::make_unique<ChildProcess>();
    child->SetInstallDir(installDir_);
    child->SetTypeset(options.typeset);
    child->SetErrorFile(options.errorFile);
    if (!environment_.empty() || !options.extraEnvironment.empty()) {
        const EnvironmentBlock& base = environment_.empty() ? ProcessEnvironment() : environment_;
        child->SetEnvironmentBlock(EnvironmentWith(base, options.extraEnvironment));
    }
    if (!child->Start(std::move(arguments), workingDir))
        return nullptr;
    children_.push_back(std::move(child));
    return children_.back().get();
}

bool ProcessList::Poll() {
    bool anyOutput = false;
    auto forward = [&](ChildProcess& child) {
        std::string text;
        child.ReadAvailable(text);
        if (text.empty())
            return;
        anyOutput = true;
        if (output_)
            output_->AppendOutput(text);
    };
    for (size_t i = 0; i < children_.size();) {
        forward(*children_[i]);
        if (!children_[i]->HasEnded()) {
            ++i;
            continue;
        }
        // Whatever the child wrote just before it ended is still in the pipe.
        forward(*children_[i]);
        // Out of the list before the handler runs: the handler may start a new run
        // (a restart) or poll again.
        std::unique_ptr<ChildProcess> ended = std::move(children_[i]);
        children_.erase(children_.begin() + static_cast<std::ptrdiff_t>(i));
        bool done = !ended->IsTypeset() || !onEnd_ || onEnd_(*ended);
        if (done) {
            ended->Close();
            continue;
        }
        i = std::min(i, children_.size());
        children_.insert(children_.begin() + static_cast<std::ptrdiff_t>(i), std::move(ended));
        ++i;
    }
    return anyOutput;
}

int ProcessList::KillTypesetRuns() {
    int killed = 0;
    for (auto& child : children_) {
        if (child->IsTypeset() && child->Kill())
            ++killed;
    }
    return killed;
}

bool ProcessList::AnyTypesetRunning() const {
    for (const auto& child : children_) {
        if (child->IsTypeset())
            return true;
    }
    return false;
}

std::vector<ChildProcess*> ProcessList::Children() const {
    std::vector<ChildProcess*> list;
    for (const auto& child : children_)
        list.push_back(child.get());
    return list;
}

}  // namespace quirn

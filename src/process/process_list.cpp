#include "process/process_list.h"

#include <algorithm>

#include "platform/output_sink.h"

extern char** environ;

namespace quirn {

ProcessList::ProcessList(OutputSink* output, std::string installDir)
    : output_(output), installDir_(std::move(installDir)) {}

ProcessList::~ProcessList() = default;

std::vector<std::string> EnvironmentWith(const std::vector<std::string>& extra) {
    std::vector<std::string> block;
    auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
    for (char** e = environ; e && *e; ++e) {
        std::string entry = *e;
        bool replaced = std::any_of(extra.begin(), extra.end(), [&](const std::string& x) {
            return nameOf(x) == nameOf(entry);
        });
        if (!replaced)
            block.push_back(std::move(entry));
    }
    block.insert(block.end(), extra.begin(), extra.end());
    return block;
}

ChildProcess* ProcessList::StartProcess(const std::string& commandLine,
                                        const std::string& workingDir,
                                        const StartOptions& options) {
    if (traceStarts_ && output_) {
        output_->AppendOutput("starting process: '" + commandLine + "' in '" + workingDir + "'\n");
    }
    auto child = std::make_unique<ChildProcess>();
    child->SetInstallDir(installDir_);
    child->SetTypeset(options.typeset);
    child->SetErrorFile(options.errorFile);
    if (!options.extraEnvironment.empty())
        child->SetEnvironmentBlock(EnvironmentWith(options.extraEnvironment));
    if (!child->Start(commandLine, workingDir))
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
        if (ended->IsTypeset() && onEnd_)
            onEnd_(*ended);
        ended->Close();
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

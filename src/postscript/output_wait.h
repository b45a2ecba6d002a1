// Waiting for a child that writes a file (the interpreter's picture, dvips's
// PostScript): wait up to one step for the child, measure the file, then up to
// `steps` times wait another step and measure again, stopping as soon as the size no
// longer changes. A child that has ended is not waited for again; one still running
// when the waiting ends is killed, so nothing outlives the caller. What the child
// prints meanwhile is read and kept, so a talkative child never stalls on a full pipe.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace quirn {

class ChildProcess;

struct OutputWaitLimits {
    int stepMs = 5000;
    int steps = 120;
    // When set and true, the waiting ends at once and the child is killed (its owner
    // is going away).
    const std::atomic<bool>* cancel = nullptr;
};

struct OutputWaitResult {
    int64_t size = 0;     // the output file's size at the end (0 when it is missing)
    bool killed = false;  // the child was still running and has been stopped
    std::string printed;  // what the child wrote to its standard output and error
};

OutputWaitResult WaitForOutputFile(ChildProcess& child, const std::string& outputPath,
                                   const OutputWaitLimits& limits = {});

}  // namespace quirn

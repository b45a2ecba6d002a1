// Programs started the way the desktop shell starts them: not connected to Quirn by
// pipes, writing to the same standard output and error as Quirn, with an environment
// of their own choosing. User tools run this way.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "platform/environment_block.h"

namespace quirn {

// Starts `arguments` (the first names the program, found by the program resolver
// against `installDir`) in `workingDir` (empty: Quirn's current directory) with
// `environment`. A detached program gets a session of its own, so it outlives Quirn
// and no terminal signal reaches it. Returns the process id, or -1 when the program
// could not be found or started.
pid_t StartProgram(const std::vector<std::string>& arguments, const std::string& installDir,
                   const std::string& workingDir, const EnvironmentBlock& environment,
                   bool detached);

// Waits for a started program: its exit status, or 128 + the signal that ended it.
int WaitForProgram(pid_t pid);

// Collects the programs of `pids` that have ended, so that none is left a zombie; the
// ones still running stay in the list.
void ReapEndedPrograms(std::vector<pid_t>& pids);

}  // namespace quirn

// Starting programs: the one place that forks and executes.
//
// Shared by the shell's execute calls and the service manager. A program is
// started either attached (the caller gets its pid and must reap it) or
// detached (a short-lived intermediate child starts it in a new session and
// ends at once, so the program is reaped by the system, never by us).
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace platform::detail {

struct SpawnRequest {
  std::vector<std::string> arguments;         // arguments[0] is the program
  std::vector<std::string> extraEnvironment;  // "NAME=value" entries added to ours
  std::string workingFolder;                  // empty: ours
  bool detached = false;
};

// The pid of the started program (0 when detached), or -errno when it could
// not be executed (the error is known before this returns).
pid_t spawnProgram(const SpawnRequest& request);

// The Linux folder of the running program, without a trailing slash.
std::string runningProgramFolder();

}  // namespace platform::detail

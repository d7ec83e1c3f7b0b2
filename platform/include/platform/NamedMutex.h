// Named mutexes, as the single-instance check of a program uses them.
//
// A named mutex is an exclusive flock on a per-user lock file ("<name>.lock",
// mode 0600) in the runtime folder (platform::runtimeFolder). The lock goes
// when the handle is closed and, since the kernel drops it, when the process
// ends in any way, a SIGKILL included. Only ownership is modelled: a mutex
// that another holder has is not waited for.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

struct SECURITY_ATTRIBUTES;

// Always answers a handle (null only when the lock file cannot be made).
// When another handle (of this or another process) holds the name,
// GetLastError() is ERROR_ALREADY_EXISTS and the new handle owns nothing;
// otherwise it is ERROR_SUCCESS and, with `initialOwner`, the handle holds
// the lock. An unnamed mutex is a plain handle.
ZEF_EXPORT HANDLE CreateMutexW(const SECURITY_ATTRIBUTES* attributes, BOOL initialOwner, LPCWSTR name);

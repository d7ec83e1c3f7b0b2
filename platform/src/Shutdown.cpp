// The restart of the computer through a configured command.
#include "platform/Shutdown.h"

#include "ProcessSpawn.h"
#include "platform/CodePage.h"
#include "platform/Handles.h"
#include "platform/LastError.h"
#include "platform/Processes.h"
#include "platform/Utf16.h"

#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string>

namespace {

class TokenObject final : public platform::KernelObject {};

std::mutex faultsMutex;
platform::ShutdownFaults faults;

platform::ShutdownFaults currentFaults() {
  std::lock_guard lock(faultsMutex);
  return faults;
}

// The shutdown privilege's identifier on this system.
constexpr DWORD kShutdownPrivilegeLow = 19;

const HANDLE kCurrentProcess = reinterpret_cast<HANDLE>(intptr_t{-1});

std::u16string restartCommand() {
  const char* configured = std::getenv("ZEF_RESTART_COMMAND");
  if (configured && *configured) return platform::ansiToWideLenient(configured);
  return u"systemctl reboot";
}

bool runToEnd(const std::u16string& commandLine) {
  platform::detail::SpawnRequest request;
  for (const std::u16string& argument : platform::splitCommandLine(commandLine)) {
    request.arguments.push_back(platform::wideToAnsiLenient(argument));
  }
  if (request.arguments.empty()) return false;
  const pid_t pid = platform::detail::spawnProgram(request);
  if (pid <= 0) return false;
  int status = 0;
  pid_t reaped;
  do {
    reaped = waitpid(pid, &status, 0);
  } while (reaped < 0 && errno == EINTR);
  return reaped == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

void platform::setShutdownFaults(const ShutdownFaults& replacement) {
  std::lock_guard lock(faultsMutex);
  faults = replacement;
}

HANDLE GetCurrentProcess() { return kCurrentProcess; }

BOOL OpenProcessToken(HANDLE /*process*/, DWORD /*access*/, HANDLE* token) {
  if (!token) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (currentFaults().openToken) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  *token = platform::registerHandle(new TokenObject);
  return TRUE;
}

BOOL LookupPrivilegeValueW(LPCWSTR /*systemName*/, LPCWSTR name, LUID* luid) {
  if (!name || !luid || currentFaults().lookupPrivilege || std::u16string_view(name) != SE_SHUTDOWN_NAME) {
    SetLastError(ERROR_NO_SUCH_PRIVILEGE);
    return FALSE;
  }
  *luid = LUID{kShutdownPrivilegeLow, 0};
  return TRUE;
}

BOOL AdjustTokenPrivileges(HANDLE token, BOOL /*disableAll*/, TOKEN_PRIVILEGES* /*newState*/, DWORD /*bufferLength*/,
                           TOKEN_PRIVILEGES* /*previousState*/, DWORD* returnLength) {
  if (!platform::lookupHandleAs<TokenObject>(token)) return FALSE;
  if (currentFaults().adjustPrivileges) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (returnLength) *returnLength = 0;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL ExitWindowsEx(UINT flags, DWORD /*reason*/) {
  if ((flags & 0xF) != EWX_REBOOT) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  if (currentFaults().exitWindows || !runToEnd(restartCommand())) {
    SetLastError(ERROR_GEN_FAILURE);
    return FALSE;
  }
  return TRUE;
}

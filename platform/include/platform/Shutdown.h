// Restarting the computer, as a program asks for it.
//
// The token and privilege calls succeed for the running process (the check
// that matters is the system's, when the restart is asked for). ExitWindowsEx
// with EWX_REBOOT runs the restart command: ZEF_RESTART_COMMAND (split by
// the Windows command-line rules), else "systemctl reboot", started without
// a shell and waited for; it succeeds when the command exits with 0. Tests
// and the demo set a recording command, so nothing here restarts a machine
// under test.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

struct LUID {
  DWORD LowPart;
  LONG HighPart;
};

struct LUID_AND_ATTRIBUTES {
  LUID Luid;
  DWORD Attributes;
};

struct TOKEN_PRIVILEGES {
  DWORD PrivilegeCount;
  LUID_AND_ATTRIBUTES Privileges[1];
};

inline constexpr DWORD TOKEN_ADJUST_PRIVILEGES = 0x0020;
inline constexpr DWORD TOKEN_QUERY = 0x0008;
inline constexpr DWORD SE_PRIVILEGE_ENABLED = 0x00000002;
inline constexpr UINT EWX_LOGOFF = 0x0;
inline constexpr UINT EWX_SHUTDOWN = 0x1;
inline constexpr UINT EWX_REBOOT = 0x2;
inline constexpr DWORD ERROR_NO_SUCH_PRIVILEGE = 1313;
inline constexpr char16_t SE_SHUTDOWN_NAME[] = u"SeShutdownPrivilege";

// A token handle of the process (closed with CloseHandle).
ZEF_EXPORT BOOL OpenProcessToken(HANDLE process, DWORD access, HANDLE* token);
// Only "SeShutdownPrivilege" is known (ERROR_NO_SUCH_PRIVILEGE otherwise).
ZEF_EXPORT BOOL LookupPrivilegeValueW(LPCWSTR systemName, LPCWSTR name, LUID* luid);
ZEF_EXPORT BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* newState, DWORD bufferLength,
                                      TOKEN_PRIVILEGES* previousState, DWORD* returnLength);
// EWX_REBOOT runs the restart command; other requests are not supported.
ZEF_EXPORT BOOL ExitWindowsEx(UINT flags, DWORD reason);
ZEF_EXPORT HANDLE GetCurrentProcess();

namespace platform {

// Makes one of the four calls fail (tests); all false restores them.
struct ShutdownFaults {
  bool openToken = false;
  bool lookupPrivilege = false;
  bool adjustPrivileges = false;
  bool exitWindows = false;
};
ZEF_EXPORT void setShutdownFaults(const ShutdownFaults& faults);

}  // namespace platform

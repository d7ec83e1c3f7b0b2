// Processes and the shell's execute calls.
//
// "open" of a program spawns it directly, without a shell: its parameters
// are split into arguments by the Windows command-line rules, so a caller
// that quotes for Windows gets the arguments it meant. A document (a file
// that is not executable) goes to the opener ($ZEF_OPENER, else xdg-open);
// a URL ("scheme:...") goes to it unchanged; "Notepad.exe" with a file as
// its parameter shows that file through the opener. A "*.exe" without an
// execute bit is refused with SE_ERR_ACCESSDENIED. The verb "runas" goes through the elevation
// command $ZEF_ELEVATE_COMMAND (for example "pkexec"); without one it fails
// with SE_ERR_ACCESSDENIED. "cmd.exe" with "/C net start NAME" or
// "/C net stop NAME" runs our service-control tool ($ZEF_SERVICE_CONTROL_TOOL,
// else "zefsc" beside the running program, else "zefsc" on the PATH).
//
// A process handle (SEE_MASK_NOCLOSEPROCESS) is a kernel-object handle:
// GetExitCodeProcess answers STILL_ACTIVE while the process runs, and
// WaitForSingleObject (Synchronization.h) waits for it for real (waitpid). Processes started
// without a handle are detached, so they never linger as zombies.
#pragma once

#include "platform/Export.h"
#include "platform/Synchronization.h"
#include "platform/WinTypes.h"

#include <string>
#include <vector>

inline constexpr DWORD ERROR_NO_ASSOCIATION = 1155;

inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWDEFAULT = 10;

inline constexpr ULONG SEE_MASK_NOCLOSEPROCESS = 0x00000040;
inline constexpr ULONG SEE_MASK_NOASYNC = 0x00000100;
inline constexpr ULONG SEE_MASK_FLAG_NO_UI = 0x00000400;
inline constexpr ULONG SEE_MASK_NOZONECHECKS = 0x00800000;

// Results of ShellExecuteW (values up to 32 are failures).
inline constexpr intptr_t SE_ERR_FNF = 2;
inline constexpr intptr_t SE_ERR_PNF = 3;
inline constexpr intptr_t SE_ERR_ACCESSDENIED = 5;
inline constexpr intptr_t SE_ERR_OOM = 8;
inline constexpr intptr_t SE_ERR_NOASSOC = 31;

struct SHELLEXECUTEINFOW {
  DWORD cbSize;
  ULONG fMask;
  HWND hwnd;
  LPCWSTR lpVerb;
  LPCWSTR lpFile;
  LPCWSTR lpParameters;
  LPCWSTR lpDirectory;
  int nShow;
  HINSTANCE hInstApp;  // the ShellExecuteW-style result code
  void* lpIDList;
  LPCWSTR lpClass;
  HKEY hkeyClass;
  DWORD dwHotKey;
  HANDLE hIcon;
  HANDLE hProcess;  // with SEE_MASK_NOCLOSEPROCESS; null when none was started
};

// Starts the file as described above. FALSE with the last error and
// hInstApp set when nothing could be started.
ZEF_EXPORT BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info);

// The same without a process handle; answers a value above 32 on success,
// else an SE_ERR_ code.
ZEF_EXPORT HINSTANCE ShellExecuteW(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory,
                                   int show);

// STILL_ACTIVE while the process runs, else its exit status (128 + the
// signal for a process ended by a signal). FALSE for a handle that is not
// a process.
ZEF_EXPORT BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode);

// The process id behind a process handle, 0 for any other handle.
ZEF_EXPORT DWORD GetProcessId(HANDLE process);
// The id of the calling process.
ZEF_EXPORT DWORD GetCurrentProcessId();

namespace platform {
// Splits a command line into arguments by the Windows rules: blanks
// separate arguments outside quotes; 2n backslashes before a quote give n
// backslashes and the quote toggles quoting, 2n+1 give n and a literal
// quote; "" inside quotes is a literal quote; other backslashes stay.
ZEF_EXPORT std::vector<std::u16string> splitCommandLine(std::u16string_view commandLine);

// Runs the service-control tool (see above) with `verb` ("start" or
// "stop") and the service's name, without a shell. With a `waitMs` above
// zero it waits that long at most for the tool to end; with zero it does not
// wait. False when the tool could not be started.
ZEF_EXPORT bool runServiceControlTool(std::string_view verb, std::u16string_view service, DWORD waitMs);
}  // namespace platform

// The running processes: a snapshot of the process list, opening a process
// to read its program's name and modules, and the long form of a path.
//
// Processes come from /proc. A process can be opened only when we may read
// its program (/proc/<pid>/exe); callers skip the others, as they skip
// processes of other users on the system these calls come from. Its main
// module's name is its program's path in Windows form (without the kernel's
// " (deleted)" for a replaced file); its modules are the distinct
// file-backed executable mappings of /proc/<pid>/maps.
//
// "psapi" is one of the built-in loadable modules, with GetModuleFileNameExW
// and EnumProcessModules. Tests can take the module or either entry away,
// and can replace the process table with a fake one.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <optional>
#include <string>
#include <vector>

inline constexpr DWORD TH32CS_SNAPPROCESS = 0x00000002;
inline constexpr DWORD PROCESS_QUERY_INFORMATION = 0x0400;
inline constexpr DWORD PROCESS_VM_READ = 0x0010;

struct PROCESSENTRY32W {
  DWORD dwSize;
  DWORD cntUsage;
  DWORD th32ProcessID;
  ULONG_PTR th32DefaultHeapID;
  DWORD th32ModuleID;
  DWORD cntThreads;
  DWORD th32ParentProcessID;
  LONG pcPriClassBase;
  DWORD dwFlags;
  WCHAR szExeFile[MAX_PATH];
};

ZEF_EXPORT HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD processId);
// FALSE (ERROR_NO_MORE_FILES) past the last process.
ZEF_EXPORT BOOL Process32FirstW(HANDLE snapshot, PROCESSENTRY32W* entry);
ZEF_EXPORT BOOL Process32NextW(HANDLE snapshot, PROCESSENTRY32W* entry);
// Null (ERROR_ACCESS_DENIED or ERROR_INVALID_PARAMETER) for a process whose
// program cannot be read.
ZEF_EXPORT HANDLE OpenProcess(DWORD access, BOOL inheritHandle, DWORD processId);

// The psapi entries (reached through LoadLibraryW("psapi") and
// GetProcAddress). `module` null: the main module. Answers the length
// written, 0 on failure.
ZEF_EXPORT DWORD GetModuleFileNameExW(HANDLE process, HMODULE module, LPWSTR fileName, DWORD size);
ZEF_EXPORT BOOL EnumProcessModules(HANDLE process, HMODULE* modules, DWORD bytes, DWORD* needed);

// `shortPath` with every existing component in its spelling on disk (the
// case-insensitive fallback of the path mapping); links are not resolved.
// 0 for a missing path; the size needed when the buffer is too small.
ZEF_EXPORT DWORD GetLongPathNameW(LPCWSTR shortPath, LPWSTR longPath, DWORD size);

namespace platform {

// One process as the table sees it.
struct ProcessRecord {
  DWORD id = 0;
  std::string program;               // Linux path of its program; empty when unreadable
  std::vector<std::string> modules;  // Linux paths of its modules, program first
};

// The process table behind the snapshot and OpenProcess.
class ZEF_EXPORT ProcessTable {
public:
  virtual ~ProcessTable();
  virtual std::vector<DWORD> processIds() = 0;
  // Nullopt when the process cannot be opened.
  virtual std::optional<ProcessRecord> open(DWORD id) = 0;
};

// Replaces the table (tests); null restores /proc. The caller keeps it alive.
ZEF_EXPORT void setProcessTable(ProcessTable* table);

// Takes psapi or its entries away (tests); all true restores them.
struct PsapiAvailability {
  bool module = true;
  bool getModuleFileNameEx = true;
  bool enumProcessModules = true;
};
ZEF_EXPORT void setPsapiAvailability(const PsapiAvailability& availability);
ZEF_EXPORT PsapiAvailability psapiAvailability();

}  // namespace platform

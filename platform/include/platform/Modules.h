// Module handles and module file names.
//
// A module handle (HMODULE) is the address at which a program or shared
// library is loaded, as it is on the system the callers were written for.
// A null handle stands for the program itself.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <optional>
#include <string>

// The handle of the loaded module whose file name (without folder) equals
// `name` ignoring case; a null name gives the program. Null with
// ERROR_MOD_NOT_FOUND when no such module is loaded.
ZEF_EXPORT HMODULE GetModuleHandleW(LPCWSTR name);

// The full file name of a module (null: the program), in Windows form, mapped
// back from the Linux path. Copies at most size - 1 characters and a
// terminator; answers the characters copied, or `size` with
// ERROR_INSUFFICIENT_BUFFER when the name was cut; 0 on failure.
ZEF_EXPORT DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size);
ZEF_EXPORT DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);

inline constexpr DWORD ERROR_MOD_NOT_FOUND = 126;

namespace platform {
// The module that holds `address` (code or data), or null.
ZEF_EXPORT HMODULE moduleOfAddress(const void* address);
// The Linux path of a loaded module's file, or nullopt.
ZEF_EXPORT std::optional<std::string> moduleFilePath(HMODULE module);
}  // namespace platform

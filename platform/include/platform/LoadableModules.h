// Modules loaded by name at run time: LoadLibraryW, GetProcAddress and
// FreeLibrary over the platform's table of built-in modules.
//
// The system finds some functions of the operating system only at run time
// (ntdll's NtQueryKey). Those modules are part of the platform here: the
// table names each module and its exported functions, and loading one hands
// out its handle. Unknown modules fail with ERROR_MOD_NOT_FOUND, unknown
// functions with ERROR_PROC_NOT_FOUND.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

using FARPROC = void (*)();

inline constexpr DWORD ERROR_PROC_NOT_FOUND = 127;

// The module whose name (with or without ".dll", ignoring case) is in the
// table, or null.
ZEF_EXTERN_C HMODULE LoadLibraryW(LPCWSTR name);
ZEF_EXTERN_C FARPROC GetProcAddress(HMODULE module, LPCSTR name);
// Built-in modules stay loaded; TRUE for any handle LoadLibraryW gave.
ZEF_EXTERN_C BOOL FreeLibrary(HMODULE module);

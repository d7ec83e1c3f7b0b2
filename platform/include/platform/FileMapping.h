// File mappings: a file's bytes as memory.
//
// A mapping object remembers the file (its own duplicate descriptor, so the
// file handle may be closed first), the protection and the size; views are
// mmap regions of it. An empty file cannot be mapped (ERROR_FILE_INVALID),
// as on the system the callers were written for.
#pragma once

#include "platform/Export.h"
#include "platform/Files.h"
#include "platform/WinTypes.h"

inline constexpr DWORD PAGE_READONLY = 0x02;
inline constexpr DWORD PAGE_READWRITE = 0x04;
inline constexpr DWORD FILE_MAP_WRITE = 0x0002;
inline constexpr DWORD FILE_MAP_READ = 0x0004;
inline constexpr DWORD FILE_MAP_ALL_ACCESS = 0x000F001F;

// Maps `file` with PAGE_READONLY or PAGE_READWRITE. A maximum size of 0
// takes the file's size; a larger read-only size than the file fails.
// Named mappings are not shared between processes: a name is ignored.
// Returns a handle for CloseHandle, or null.
ZEF_EXPORT HANDLE CreateFileMappingW(HANDLE file, LPSECURITY_ATTRIBUTES security, DWORD protection,
                                     DWORD maximumSizeHigh, DWORD maximumSizeLow, LPCWSTR name);
// Maps a view at `offset` (a multiple of the page size) of `bytes` bytes (0:
// to the end of the mapping). Null on failure.
ZEF_EXPORT LPVOID MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow, SIZE_T bytes);
// Unmaps a view made by MapViewOfFile; FALSE for any other address.
ZEF_EXPORT BOOL UnmapViewOfFile(LPCVOID address);

// The file functions of the Windows interfaces, on POSIX files.
//
// Names are Windows-form paths, mapped by platform/Paths.h. Handles come from
// the handle table (platform/Handles.h) and are closed with CloseHandle.
// Every call sets the last error on failure. Sharing modes are accepted and
// not enforced: POSIX files have no mandatory locks, and the system's files
// are shared by cooperating processes only.
#pragma once

#include "platform/Export.h"
#include "platform/Handles.h"
#include "platform/LastError.h"
#include "platform/WinTypes.h"

#include <string_view>

// Access rights.
inline constexpr DWORD GENERIC_READ = 0x80000000u;
inline constexpr DWORD GENERIC_WRITE = 0x40000000u;
// Sharing.
inline constexpr DWORD FILE_SHARE_READ = 0x1;
inline constexpr DWORD FILE_SHARE_WRITE = 0x2;
inline constexpr DWORD FILE_SHARE_DELETE = 0x4;
// Creation dispositions.
inline constexpr DWORD CREATE_NEW = 1;
inline constexpr DWORD CREATE_ALWAYS = 2;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD OPEN_ALWAYS = 4;
inline constexpr DWORD TRUNCATE_EXISTING = 5;
// Attributes and flags.
inline constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
inline constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x2;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr DWORD FILE_ATTRIBUTE_TEMPORARY = 0x100;
inline constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;
inline constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
inline constexpr DWORD FILE_FLAG_RANDOM_ACCESS = 0x10000000;
inline constexpr DWORD FILE_FLAG_SEQUENTIAL_SCAN = 0x08000000;
// Seek origins.
inline constexpr DWORD FILE_BEGIN = 0;
inline constexpr DWORD FILE_CURRENT = 1;
inline constexpr DWORD FILE_END = 2;
inline constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFFu;
inline constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;
// Error modes.
inline constexpr UINT SEM_FAILCRITICALERRORS = 0x0001;
inline constexpr UINT SEM_NOOPENFILEERRORBOX = 0x8000;
// Errors particular to files.
inline constexpr DWORD ERROR_NEGATIVE_SEEK = 131;
inline constexpr DWORD ERROR_BAD_PATHNAME = 161;
inline constexpr DWORD ERROR_HANDLE_EOF = 38;
inline constexpr DWORD ERROR_NO_MORE_FILES = 18;
inline constexpr DWORD ERROR_FILE_INVALID = 1006;
inline constexpr DWORD NO_ERROR = 0;

struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
};
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

struct OVERLAPPED;

enum GET_FILEEX_INFO_LEVELS { GetFileExInfoStandard = 0, GetFileExMaxInfoLevel = 1 };

struct WIN32_FILE_ATTRIBUTE_DATA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
};
static_assert(sizeof(WIN32_FILE_ATTRIBUTE_DATA) == 36);

struct BY_HANDLE_FILE_INFORMATION {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD dwVolumeSerialNumber;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD nNumberOfLinks;
  DWORD nFileIndexHigh;
  DWORD nFileIndexLow;
};
static_assert(sizeof(BY_HANDLE_FILE_INFORMATION) == 52);

struct WIN32_FIND_DATAW {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  WCHAR cFileName[MAX_PATH];
  WCHAR cAlternateFileName[14];
};

// Opens or creates a file. Access GENERIC_READ and/or GENERIC_WRITE; the
// dispositions CREATE_NEW, CREATE_ALWAYS, OPEN_EXISTING, OPEN_ALWAYS and
// TRUNCATE_EXISTING. A folder cannot be opened (ERROR_ACCESS_DENIED). After
// CREATE_ALWAYS or OPEN_ALWAYS on a file that existed the last error is
// ERROR_ALREADY_EXISTS, else 0. INVALID_HANDLE_VALUE on failure.
ZEF_EXPORT HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                              DWORD disposition, DWORD flagsAndAttributes, HANDLE templateFile);

// Reads up to `count` bytes at the file pointer; reading at or past the end
// succeeds with fewer (or no) bytes. `overlapped` must be null.
ZEF_EXPORT BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD count, DWORD* read, OVERLAPPED* overlapped);
// Writes all `count` bytes at the file pointer, or fails (ERROR_DISK_FULL, ...).
ZEF_EXPORT BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD count, DWORD* written, OVERLAPPED* overlapped);

// Moves the file pointer; answers the low 32 bits of the new position (the
// high part goes to *distanceHigh when given). Without a high part the
// distance is a signed 32-bit value. Moving past the end is allowed; a
// negative position fails with ERROR_NEGATIVE_SEEK. On failure the answer is
// INVALID_SET_FILE_POINTER; on success the last error is NO_ERROR, so a
// caller with a high part can tell a real 0xFFFFFFFF position.
ZEF_EXPORT DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method);
// Cuts or extends the file at the file pointer.
ZEF_EXPORT BOOL SetEndOfFile(HANDLE file);
ZEF_EXPORT DWORD GetFileSize(HANDLE file, DWORD* sizeHigh);

ZEF_EXPORT BOOL GetFileAttributesExW(LPCWSTR name, GET_FILEEX_INFO_LEVELS level, LPVOID info);
// The same with a name in the ANSI code page.
ZEF_EXPORT BOOL GetFileAttributesExA(LPCSTR name, GET_FILEEX_INFO_LEVELS level, LPVOID info);
ZEF_EXPORT DWORD GetFileAttributesW(LPCWSTR name);
// True when `path` names a folder (links followed; the path mapping's
// case-insensitive fallback applies). The framework's name for the test.
ZEF_EXPORT bool DirectoryExists(std::u16string_view path);
ZEF_EXPORT BOOL GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* info);
// Times of an open file; the creation time is the time of the last status
// change, the nearest a POSIX file system keeps.
ZEF_EXPORT BOOL GetFileTime(HANDLE file, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite);

// Searches a folder. The last component may hold the wildcards '*' and '?',
// matched ignoring case; entries come in byte order of their names, without
// "." and "..". INVALID_HANDLE_VALUE (ERROR_FILE_NOT_FOUND) when nothing
// matches. Close the search with FindClose.
ZEF_EXPORT HANDLE FindFirstFileW(LPCWSTR pattern, WIN32_FIND_DATAW* data);
ZEF_EXPORT BOOL FindNextFileW(HANDLE search, WIN32_FIND_DATAW* data);
ZEF_EXPORT BOOL FindClose(HANDLE search);

// Copies a file with its permission bits; with `failIfExists` an existing
// destination fails with ERROR_FILE_EXISTS.
ZEF_EXPORT BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL failIfExists);
// Renames a file or folder; fails with ERROR_ALREADY_EXISTS when the
// destination exists. A file moves across file systems by copy and delete.
ZEF_EXPORT BOOL MoveFileW(LPCWSTR from, LPCWSTR to);
// MoveFileW; with MOVEFILE_REPLACE_EXISTING an existing destination file is
// replaced in one step, so readers see either the old or the new file.
constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
ZEF_EXPORT BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags);
// Deletes a file; a folder is refused with ERROR_ACCESS_DENIED.
ZEF_EXPORT BOOL DeleteFileW(LPCWSTR name);
ZEF_EXPORT BOOL CreateDirectoryW(LPCWSTR name, LPSECURITY_ATTRIBUTES security);
ZEF_EXPORT BOOL RemoveDirectoryW(LPCWSTR name);

// Error dialogs do not exist here; the mode is kept per process and answered.
ZEF_EXPORT UINT SetErrorMode(UINT mode);

namespace platform {
// The open descriptor behind a file handle, or -1 (tests and platform code).
ZEF_EXPORT int fileDescriptor(HANDLE file);
// FILETIME from POSIX seconds and nanoseconds.
ZEF_EXPORT FILETIME fileTimeFromUnix(int64_t seconds, int64_t nanoseconds);
}  // namespace platform
